#pragma once

#include <string>

#include "export.h"

// The progress monitor of long operations (filling an object with particles, plug-ins' own
// work): a small window with a caption and a bar from 0 to 100, shown with a busy cursor.
// The desktop application installs the window; without it a progress line is drawn on
// standard error when that is a terminal, and nothing otherwise.

// Shows the monitor with the bar at 0 and caption as its title.
UNDALINE_API void InitMonitor(const char* caption);
// Moves the bar; percent is kept within 0..100.
UNDALINE_API void UpdateMonitor(int percent);
// Hides the monitor and gives back the previous cursor.
UNDALINE_API void ClearMonitor();

namespace platform {

struct MonitorHooks {
    void (*init)(const char* caption);
    void (*update)(int percent);
    void (*clear)();
};

// Installs the application's monitor window; null restores the headless one.
UNDALINE_API void SetMonitorHooks(const MonitorHooks* hooks);

// What the monitor shows now, whatever draws it.
UNDALINE_API bool MonitorVisible();
UNDALINE_API int MonitorPosition();
UNDALINE_API std::string MonitorCaption();

}  // namespace platform
