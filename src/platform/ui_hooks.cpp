#include "platform/ui_hooks.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<void (*)()> g_repaint{nullptr};
std::atomic<void (*)(int)> g_display_mode{nullptr};
}  // namespace

void RequestRepaint() {
    if (void (*hook)() = g_repaint.load()) hook();
}

void SetRepaintHook(void (*hook)()) { g_repaint.store(hook); }

void ShowDisplayMode(int mode) {
    if (void (*hook)(int) = g_display_mode.load()) hook(mode);
}

void SetDisplayModeHook(void (*hook)(int mode)) { g_display_mode.store(hook); }

}  // namespace platform
