#pragma once

// "Save images" in the window: at every frame end the simulation thread asks for the
// viewport's picture and waits while the interface thread draws it, reads it back and writes
// it (the GL context lives there).
namespace ui {

// The simulation's capture hook. Called on the interface thread itself (a step run there),
// the capture is made at once.
void CaptureHook();
// The capture of the window's viewport as it stands, written as the current frame.
bool CaptureViewportNow();

// Held while the interface thread waits for the simulation thread (a reset ends it): a
// capture asked for meanwhile could never be served, so it is dropped and the simulation
// goes on.
class SimulationWait {
public:
    SimulationWait();
    ~SimulationWait();
    SimulationWait(const SimulationWait&) = delete;
    SimulationWait& operator=(const SimulationWait&) = delete;
};

}  // namespace ui
