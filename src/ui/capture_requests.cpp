#include "ui/capture_requests.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <vector>

#include "fluid/clock.h"
#include "output/frame_capture.h"
#include "platform/messages.h"
#include "ui/main_window.h"
#include "ui/viewport.h"

namespace ui {
namespace {

std::mutex g_mutex;
std::condition_variable g_served;
uint64_t g_asked = 0;
uint64_t g_done = 0;
int g_waits = 0;  // SimulationWait objects alive

bool OnInterfaceThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

}  // namespace

bool CaptureViewportNow() {
    MainWindow* w = TheMainWindow();
    if (!w) return false;
    std::vector<float> rgb;
    int width = 0, height = 0;
    if (!w->viewport()->CaptureFrame(&rgb, &width, &height)) {
        RedWarning("ERROR MALLOC");
        return false;
    }
    return output::SaveCapturedFrame(rgb.data(), width, height, frame);
}

void CaptureHook() {
    if (!TheMainWindow()) return;
    if (OnInterfaceThread()) {
        CaptureViewportNow();
        return;
    }
    std::unique_lock<std::mutex> lock(g_mutex);
    if (g_waits > 0) return;
    const uint64_t id = ++g_asked;
    QMetaObject::invokeMethod(
        TheMainWindow(),
        [id] {
            {
                std::lock_guard<std::mutex> l(g_mutex);
                // Dropped meanwhile: the simulation has gone on, and the picture is another's.
                if (g_done >= id || g_asked != id || g_waits > 0) return;
            }
            CaptureViewportNow();
            {
                std::lock_guard<std::mutex> l(g_mutex);
                g_done = id;
            }
            g_served.notify_all();
        },
        Qt::QueuedConnection);
    g_served.wait(lock, [id] { return g_done >= id || g_waits > 0; });
}

SimulationWait::SimulationWait() {
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        ++g_waits;
    }
    g_served.notify_all();
}

SimulationWait::~SimulationWait() {
    std::lock_guard<std::mutex> lock(g_mutex);
    --g_waits;
}

}  // namespace ui
