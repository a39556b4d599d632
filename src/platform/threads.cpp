#include "platform/threads.h"

#include <atomic>
#include <system_error>
#include <utility>

namespace platform {
namespace {

std::atomic<int> g_failures{0};

bool RefusedForTest() {
    int left = g_failures.load();
    while (left > 0) {
        if (g_failures.compare_exchange_weak(left, left - 1)) return true;
    }
    return false;
}

}  // namespace

bool StartThread(std::thread* thread, std::function<void()> body) {
    if (!thread || RefusedForTest()) return false;
    // The standard library reports a refused thread by throwing; it stops here.
    try {
        *thread = std::thread(std::move(body));
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

void FailThreadCreations(int count) { g_failures.store(count > 0 ? count : 0); }

}  // namespace platform
