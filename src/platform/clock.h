#pragma once

#include "export.h"

namespace platform {

struct TimeOfDay {
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local time of day; tests may replace the source to get fixed stamps.
UNDALINE_API TimeOfDay LocalTimeOfDay();
using TimeOfDaySource = TimeOfDay (*)();
UNDALINE_API void SetTimeOfDaySource(TimeOfDaySource source);

// Milliseconds from an arbitrary fixed start, never going backwards.
UNDALINE_API long long Milliseconds();

}  // namespace platform
