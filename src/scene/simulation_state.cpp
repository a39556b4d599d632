#include "scene/simulation_state.h"

#include <atomic>

namespace {
std::atomic<bool> g_running{false};
std::atomic<int> g_fps{30};
}  // namespace

bool SimulationRunning() { return g_running.load(); }
void SetSimulationRunning(bool running) { g_running.store(running); }

int FramesPerSecond() { return g_fps.load(); }
void SetFramesPerSecond(int fps) {
    g_fps.store(fps <= 0 ? 30 : (fps > kMaxFramesPerSecond ? kMaxFramesPerSecond : fps));
}
