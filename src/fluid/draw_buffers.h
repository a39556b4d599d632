#pragma once

#include <vector>

#include "export.h"

class Fluido;

// What the viewport draws of a fluid while a simulation runs. The step never takes the scene
// mutex, so the interface must not walk a particle list the simulation thread is changing.
// Once the viewport has asked, every step ends by copying what a picture needs into a buffer
// per fluid (on the simulation thread, which owns the particles then), and the viewport swaps
// that buffer for its own under the scene mutex: the mutex is held for an exchange of
// pointers, never for a walk over the particles. Nobody asks in batch runs, and then nothing
// is copied.
namespace draw_buffers {

struct ParticleSnapshot {
    std::vector<float> xyz;    // 3 per particle
    std::vector<float> value;  // speed, pressure or temperature, by the fluid's colour mode
    std::vector<float> vel;    // 3 per particle, only when velocities were asked for
    std::vector<int> marks;    // pairs: index of a particle with a frozen mark, and the mark
    int count = 0;
    int colour_mode = 0;       // the mode value was taken for
    float lowest = 0, highest = 0;  // extremes of value
};

// What the viewport asks to be published (0: nothing, the steps copy nothing).
enum Wants { kPositions = 1, kVelocities = 2 };
UNDALINE_API void Request(int wants);
UNDALINE_API int Requested();

// Copies f's particles into s (storage is kept and only grows). Whoever calls it must own
// the particle list for the time being: the simulation thread during a run, the interface
// thread otherwise.
UNDALINE_API void Fill(const Fluido* f, ParticleSnapshot& s, bool velocities);

// The end of a step, on the thread that steps: every fluid's buffer is filled and handed over
// when the viewport asked for it; nothing happens otherwise.
UNDALINE_API void Publish();

// The latest buffer published for f, swapped into `mine` under the scene mutex; `mine`'s old
// storage goes back to be filled again. False, with `mine` untouched, when nothing new was
// published since the last take.
UNDALINE_API bool Take(const Fluido* f, ParticleSnapshot& mine);

// A fluid going away (or every buffer, for null): its buffers are dropped.
UNDALINE_API void Forget(const Fluido* f);

}  // namespace draw_buffers
