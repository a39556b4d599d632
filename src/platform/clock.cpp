#include "platform/clock.h"

#include <atomic>
#include <chrono>
#include <ctime>

namespace platform {
namespace {
std::atomic<TimeOfDaySource> g_source{nullptr};
}

TimeOfDay LocalTimeOfDay() {
    if (TimeOfDaySource source = g_source.load()) return source();
    std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return TimeOfDay{parts.tm_hour, parts.tm_min, parts.tm_sec};
}

void SetTimeOfDaySource(TimeOfDaySource source) { g_source.store(source); }

long long Milliseconds() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

}  // namespace platform
