#pragma once

#include "export.h"

class Fluido;

// The slab passes of a fluid step spread over the worker threads. Results are the same
// whatever the thread count.
namespace fluid_passes {

// Neighbour lists for the whole grid, then (elastic fluids) springs in one ordered pass.
UNDALINE_API void SearchNeighbours(Fluido* f);
// Pressure and viscosity forces for the whole grid.
UNDALINE_API void ComputeForces(Fluido* f);

}  // namespace fluid_passes
