#pragma once

#include "export.h"

// The little of the simulation's state that the scene model needs before the simulation
// driver exists: whether a simulation is running, and the frames per second of the scene.
// The driver sets both (running when a start command resumes it, not running once it has
// suspended itself; the frame rate whenever "FPS" is edited or a workspace is loaded), and
// everything else only reads them. ResetScene puts them back to not running and 30.

UNDALINE_API bool SimulationRunning();
UNDALINE_API void SetSimulationRunning(bool running);

// Frames per second of the scene, 30 by default; 0 or less is taken as 30, and more than
// kMaxFramesPerSecond as that. The bound keeps 4 · frames per second (the samples of an
// envelope per second, the divisor of the audio step) far from overflow.
constexpr int kMaxFramesPerSecond = 10000;
UNDALINE_API int FramesPerSecond();
UNDALINE_API void SetFramesPerSecond(int fps);
