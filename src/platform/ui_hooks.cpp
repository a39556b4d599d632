#include "platform/ui_hooks.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<void (*)()> g_repaint{nullptr};
std::atomic<void (*)(int)> g_display_mode{nullptr};
std::atomic<void (*)()> g_scene_changed{nullptr};
std::atomic<void (*)(bool)> g_wait_cursor{nullptr};
}  // namespace

void RequestRepaint() {
    if (void (*hook)() = g_repaint.load()) hook();
}

void SetRepaintHook(void (*hook)()) { g_repaint.store(hook); }

void ShowDisplayMode(int mode) {
    if (void (*hook)(int) = g_display_mode.load()) hook(mode);
}

void SetDisplayModeHook(void (*hook)(int mode)) { g_display_mode.store(hook); }

void MarkSceneChanged() {
    if (void (*hook)() = g_scene_changed.load()) hook();
}

void SetSceneChangedHook(void (*hook)()) { g_scene_changed.store(hook); }

WaitCursor::WaitCursor() {
    if (void (*hook)(bool) = g_wait_cursor.load()) hook(true);
}

WaitCursor::~WaitCursor() {
    if (void (*hook)(bool) = g_wait_cursor.load()) hook(false);
}

void SetWaitCursorHook(void (*hook)(bool on)) { g_wait_cursor.store(hook); }

}  // namespace platform
