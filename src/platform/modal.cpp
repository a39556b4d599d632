#include "platform/modal.h"

#include <atomic>

namespace platform {
namespace {

std::atomic<void (*)(Dialog*)> g_runner{nullptr};

}  // namespace

void RunModal(Dialog* dialog) {
    if (!dialog) return;
    if (auto runner = g_runner.load()) runner(dialog);
    if (dialog->IsOpen()) dialog->Close();
}

void SetModalRunner(void (*runner)(Dialog*)) {
    g_runner.store(runner);
}

}  // namespace platform
