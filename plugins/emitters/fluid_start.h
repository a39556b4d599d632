#pragma once

// The parameters a fluid starts with, by type, when a shipped emitter makes it. The engine's
// own defaults (pressure constant 0.01, no external pressure) suit no type: a Liquid pushes
// itself apart at rest, Gas and Viscous are crushed by their own weight. These values give a
// resting pool that keeps its rest density and volume within a few per cent; the reasons are
// in docs/fluid-parameters.md.

#include "undaline.h"

namespace shipped {

struct FluidStart {
    float pressure_k;       // per 1000 of rest density
    float zero_pressure;    // the density, as a share of the rest density, with no pressure
    float viscosity;
    unsigned char full_viscosity;
};

// The starting values of a type; null for types without pressure (Dumb, Elastic).
const FluidStart* FluidStartOf(int type);
// Gives f the starting values of its type (nothing for a type without pressure).
void ApplyFluidStart(Fluido* f);
// Whether f still holds the values of `type` as a shipped emitter gave them, or the engine's
// defaults: then nobody has set values of their own.
bool HoldsFluidStart(const Fluido* f, int type);

}  // namespace shipped
