#include "platform/monitor.h"

#include <cstdio>
#include <mutex>

#include <unistd.h>

namespace platform {
namespace {

struct MonitorState {
    std::mutex mutex;
    bool has_hooks = false;
    MonitorHooks hooks{};
    bool visible = false;
    int position = 0;
    std::string caption;
};

MonitorState& State() {
    static MonitorState state;
    return state;
}

bool DrawOnTerminal() { return isatty(STDERR_FILENO) == 1; }

void DrawLine(const std::string& caption, int percent) {
    if (!DrawOnTerminal()) return;
    constexpr int kWidth = 40;
    const int filled = percent * kWidth / 100;
    std::string bar(static_cast<size_t>(filled), '#');
    bar.append(static_cast<size_t>(kWidth - filled), '.');
    std::fprintf(stderr, "\r%s [%s] %3d%%", caption.c_str(), bar.c_str(), percent);
    std::fflush(stderr);
}

void EraseLine() {
    if (!DrawOnTerminal()) return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
}

}  // namespace

void SetMonitorHooks(const MonitorHooks* hooks) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().has_hooks = hooks != nullptr;
    State().hooks = hooks ? *hooks : MonitorHooks{};
}

bool MonitorVisible() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().visible;
}

int MonitorPosition() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().position;
}

std::string MonitorCaption() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().caption;
}

}  // namespace platform

// The hooks run without the lock held: a window may take its time or call back in.
void InitMonitor(const char* caption) {
    platform::MonitorState& s = platform::State();
    platform::MonitorHooks hooks;
    bool has_hooks;
    std::string shown = caption ? caption : "";
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.visible = true;
        s.position = 0;
        s.caption = shown;
        hooks = s.hooks;
        has_hooks = s.has_hooks;
    }
    if (has_hooks) {
        if (hooks.init) hooks.init(shown.c_str());
    } else {
        platform::DrawLine(shown, 0);
    }
}

void UpdateMonitor(int percent) {
    if (percent < 0) percent = 0;
    if (percent > 100) percent = 100;
    platform::MonitorState& s = platform::State();
    platform::MonitorHooks hooks;
    bool has_hooks;
    bool visible;
    std::string caption;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.position = percent;
        hooks = s.hooks;
        has_hooks = s.has_hooks;
        visible = s.visible;
        caption = s.caption;
    }
    if (has_hooks) {
        if (hooks.update) hooks.update(percent);
    } else if (visible) {
        platform::DrawLine(caption, percent);
    }
}

void ClearMonitor() {
    platform::MonitorState& s = platform::State();
    platform::MonitorHooks hooks;
    bool has_hooks;
    bool was_visible;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        was_visible = s.visible;
        s.visible = false;
        hooks = s.hooks;
        has_hooks = s.has_hooks;
    }
    if (has_hooks) {
        if (hooks.clear) hooks.clear();
    } else if (was_visible) {
        platform::EraseLine();
    }
}
