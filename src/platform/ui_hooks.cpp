#include "platform/ui_hooks.h"

#include <atomic>

namespace platform {
namespace {
std::atomic<void (*)()> g_repaint{nullptr};
}

void RequestRepaint() {
    if (void (*hook)() = g_repaint.load()) hook();
}

void SetRepaintHook(void (*hook)()) { g_repaint.store(hook); }

}  // namespace platform
