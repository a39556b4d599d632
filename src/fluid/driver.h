#pragma once

#include <atomic>

#include "export.h"
#include "platform/dialog.h"

class Fluido;

// The simulation driver: one persistent thread that runs steps while a simulation is
// started, and suspends itself after the step in which a stop was requested. A step picks
// the time step, runs every fluid's passes in a fixed order, and at frame ends builds meshes,
// asks for the per-frame outputs, saves backups and enforces the frame limit.
//
// Subsystems above the fluid engine (objects, meshes, file outputs, the desktop window) join
// the step through the hook table below; a null hook does nothing and the step runs on.

// Process-wide simulation state besides the clock of fluid/clock.h.
struct SimulationSettings {
    float smallest_step = 0.00001f;   // "Smallest Integration step"
    float largest_step = 1.0f / 30;   // "Largest Integration step"; the time per frame by default
    float time_step_factor = 1.0f;    // multiplies the step in the collision pass
    bool max_frames_on = false;
    int max_frames = 500;
    bool autosave_on = false;
    int autosave_interval = 60;       // frames between backups
    char backup_file[256] = {};
    bool limit_speed = false;         // never run faster than real time
    bool image_output = false;        // capture the viewport at every frame
};

UNDALINE_API extern SimulationSettings sim_settings;
UNDALINE_API extern float frame_time;  // time simulated inside the current frame
UNDALINE_API extern double cpu_hours;  // computing time of the steps

// SimulationState values. The interface thread writes it and the simulation thread reads it
// once per step, so it is atomic rather than locked.
enum SimulationStateValue : unsigned char { kSimStopRequested = 1, kSimRunning = 2 };
UNDALINE_API extern std::atomic<unsigned char> SimulationState;

// The time per frame, 1 / frames per second.
UNDALINE_API float TimePerFrame();
// Sets the frames per second (0 or less means 30) and the largest step to the new time per
// frame.
UNDALINE_API void SetSimulationFps(int fps);

struct StepHooks {
    // Full mode, start of a step: animated-scene objects and velocity-driven objects move.
    void (*move_objects)();
    // A "Dumb" fluid with no object is active only when a mesh uses it.
    bool (*fluid_used_by_mesh)(Fluido* f);
    // The object collision pass of a fluid; it may lower inct.
    void (*collide)(Fluido* f);
    // Frame end: build and write every mesh.
    void (*build_meshes)();
    // Per-frame outputs: the viewport image, and a fluid's particle files (each fluid in list
    // order; which files follows the fluid's own output switches).
    void (*capture_image)();
    void (*write_particles)(Fluido* f);
    // Full mode with an animated scene: advance it to the next frame.
    void (*advance_scene)();
    // Autosave of the workspace to the backup file.
    void (*autosave)(const char* path);
    // Status bar fields: time, step, CPU; the frame progress (0..100) and frame counter.
    void (*status)(const char* time, const char* step, const char* cpu, int progress, int frame);
    // The viewport should redraw (after each step, or each frame end when so configured).
    void (*redraw)(bool frame_end);
    // The thread has suspended itself after a stop (start buttons reset, cursors restored).
    void (*stopped)();
    // The main window's status text ("Simulation in progress...", "Process stopped").
    void (*status_text)(const char* text);
    // A particles-only start: objects stand still (their vertex velocities become zero).
    void (*objects_stand_still)();
    // A reset: the animated scene and the objects return to their start.
    void (*reset_objects)();
    // A frame has ended (batch progress).
    void (*frame_done)(int frame);
};

UNDALINE_API StepHooks& SimulationHooks();

namespace sim {

// "Start simulation" (full: time advances, frames end) or "Start simulation (only
// particles)". Starting while running changes nothing. False, after the message "Error code:
// 02 (thread-0)" (the first thread of the process) or "Thread creation fail" (a later one),
// when the simulation thread cannot be created: nothing runs then.
UNDALINE_API bool Start(bool full);
// Asks the thread to stop after its current step; returns at once.
UNDALINE_API void RequestStop();
// Blocks until the thread has suspended itself (or was never started).
UNDALINE_API void WaitUntilStopped();
UNDALINE_API bool Running();
UNDALINE_API bool FullMode();
// "Reset simulation": stops and ends the thread, zeroes the clock and returns every fluid
// and daemon to its start. The next start runs on a new thread.
UNDALINE_API void Reset();
// Stops the run once `frame` reaches this number (-1: never); for batch runs.
UNDALINE_API void StopAtFrame(int frame);
// Ends the thread, deletes every fluid and puts the clock and settings back to their start.
UNDALINE_API void ClearSimulation();
// Runs one step on the calling thread (what the simulation thread does in its loop).
UNDALINE_API void Step();
// The mode Step runs in when it is called directly rather than through Start (tests and
// programs that drive the simulation themselves); full mode advances the scene time.
UNDALINE_API void SetFullMode(bool full);
// The per-frame output requests (also before the first step of a full run at time 0).
UNDALINE_API void ParticleOutputRequests();

// The "Advanced simulation controls" window: smallest and largest step, time step factor,
// "Reset".
enum AdvancedControl {
    kIdSmallestStep = 5301,
    kIdLargestStep = 5302,
    kIdStepFactor = 5303,
    kIdAdvancedReset = 5304,
};
UNDALINE_API const platform::DialogTemplate* AdvancedControlsTemplate();
UNDALINE_API intptr_t AdvancedControlsProc(platform::Dialog* dialog, unsigned msg,
                                           uintptr_t wparam, intptr_t lparam);

}  // namespace sim
