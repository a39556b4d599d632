#pragma once

#include "export.h"

class Fluido;

// What a fluid's parameters may sanely hold. Readers refuse files beyond these, and the engine
// keeps its own per-step values inside them, so no scene can stall, loop or allocate without
// bound, whatever a file or a plug-in put there.
namespace fluid_limits {

constexpr float kMinRestDensity = 1e-6f;  // h of 100 units
constexpr float kMaxRestDensity = 1e12f;  // h of a ten-thousandth of a unit
constexpr float kMinMass = 1e-12f;
constexpr float kMaxMass = 1e12f;
constexpr float kMinSmoothing = 1e-6f;
constexpr float kMaxSmoothing = 1e6f;
// The most particles a fluid may be asked to hold, and children one split may ask for.
constexpr int kMaxParticles = 10000000;
constexpr int kMaxSplitCount = 1000;

// Finite and within [lo, hi].
inline bool Within(float v, float lo, float hi) { return v >= lo && v <= hi; }

// The smallest smoothing length the engine lets a fluid have: half the one its rest density
// gives. Packing denser than that only shrinks the steps until the run stalls.
UNDALINE_API float SmoothingFloor(const Fluido* f);
// Sets h, raised to the floor when below it (or not a number), and what follows from it: 1/h,
// 1/h², the cell size 2h and the kernel constant.
UNDALINE_API void SetSmoothingLength(Fluido* f, float h);
// The smoothing length the rest density gives, 1 / restDensity^(1/3).
UNDALINE_API float RestSmoothing(const Fluido* f);

}  // namespace fluid_limits
