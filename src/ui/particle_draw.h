#pragma once

#include <cstdint>
#include <vector>

#include "fluid/draw_buffers.h"

class Fluido;

// A fluid's particles as one vertex array. While a simulation runs the copy comes from the
// buffers the steps publish (taken under the scene mutex in an exchange of pointers); while
// it stands still the interface thread owns the particles and copies them itself. Colours
// are worked out and drawn with no lock held.
namespace draw {

struct ParticleArrays {
    draw_buffers::ParticleSnapshot copy;
    std::vector<int> keep;       // indices of the particles drawn, increasing
    std::vector<float> xyz;      // 3 per particle drawn
    std::vector<uint8_t> rgba;   // 4 per particle drawn
    std::vector<float> motion;   // 6 per particle (two ends) when motion lines are shown
    std::vector<int> pixel;      // scratch of the screen pass: each particle's pixel, or -1
};

// Where the picture goes: the product of projection and model-view (column by column) and
// the viewport rectangle.
struct Screen {
    float mvp[16];
    int x, y, width, height;
};
// The screen of the current GL state.
Screen CurrentScreen();

// Keeps, of the particles sharing a pixel, only the nearest one, and leaves out those outside
// the view: the depth test would hide the others anyway, and a software rasteriser pays for
// every point it is given. Below `from` particles every particle is kept (the pass costs more
// than it saves). Fills a.keep.
void KeepNearestPerPixel(ParticleArrays& a, const Screen& screen, int from);

// Brings a's copy of f up to date: the latest published buffer during a run (the previous
// one stays when no step has ended since), a fresh copy otherwise.
void GatherParticles(Fluido* f, ParticleArrays& a, bool running, bool motion);
// The kept particles' positions and colours, from the fluid's colour mode and display ranges;
// marked particles white (when the selected daemon freezes) or yellow (picked).
void ColourParticles(const Fluido* f, ParticleArrays& a, bool show_frozen);
// Line ends along the velocities of every particle: velocity × particle length × 0.01, in the
// colour of the particle (lines are drawn for all particles, not only the kept ones).
void MotionLines(ParticleArrays& a, float particle_length);
// Draws the arrays as points (and motion lines) with client-side vertex arrays.
void DrawParticleArrays(const ParticleArrays& a, float point_size, bool motion);

// The colour parameter t of one value, with the fluid's range for its mode; exposed for tests.
float ColourParameter(int mode, float value, float lo, float hi);

}  // namespace draw
