#pragma once

#include <cstdint>
#include <vector>

class Fluido;

// A fluid's particles as one vertex array. The walk over the particle list is the only part
// done under the scene mutex: positions and the one value the colour needs are copied out,
// and the colours are worked out and drawn after the mutex is released.
namespace draw {

struct ParticleArrays {
    std::vector<float> xyz;      // 3 per particle
    std::vector<float> value;    // speed, pressure or temperature, by colour mode
    std::vector<float> motion;   // 6 per particle (two ends) when motion lines are shown
    std::vector<int> marked;     // particles with a frozen mark, and the mark
    std::vector<uint8_t> rgba;   // 4 per particle
    int count = 0;
    float lowest = 0, highest = 0;  // extremes of value
};

// Copies f's particles under the scene mutex.
void GatherParticles(Fluido* f, ParticleArrays& a, bool motion, float particle_length);
// Colours from the fluid's colour mode and display ranges; marked particles white (when the
// selected daemon freezes) or yellow (picked).
void ColourParticles(const Fluido* f, ParticleArrays& a, bool show_frozen);
// Draws the arrays as points (and motion lines) with client-side vertex arrays.
void DrawParticleArrays(const ParticleArrays& a, float point_size);

// The colour parameter t of one value, with the fluid's range for its mode; exposed for tests.
float ColourParameter(int mode, float value, float lo, float hi);

}  // namespace draw
