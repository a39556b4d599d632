#pragma once

#include "export.h"

class Fluido;

// The slab passes of a fluid step spread over the worker threads. Results are the same
// whatever the thread count.
namespace fluid_passes {

// Neighbour lists for the whole grid, then (elastic fluids) springs in one ordered pass.
UNDALINE_API void SearchNeighbours(Fluido* f);
// The instruction set the search uses; the best the processor offers unless a test asks
// for another. False when this processor cannot run the one asked for.
enum class SearchKernel { kBest, kScalar, kSse2, kAvx2, kAvx512 };
UNDALINE_API bool UseSearchKernel(SearchKernel kernel);

// Pressure and viscosity forces for the whole grid.
UNDALINE_API void ComputeForces(Fluido* f);

}  // namespace fluid_passes
