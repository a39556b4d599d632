#pragma once

#include "fluid/fluido.h"
#include "math/vector.h"

// Scenes shared by the tests and the benchmarks: fluids fed by small emitter classes that
// the test build defines itself, as any plug-in would.

struct BlockSpec {
    int nx = 4, ny = 4, nz = 4;  // particles along each axis
    float spacing = 0.1f;
    Vector origin{0, 0, 0};
    Vector velocity{0, 0, 0};
    float jitter = 0.0f;         // each coordinate moved by up to this fraction of spacing
    bool shuffled = false;       // particles created in a random order
    unsigned seed = 1;
};

// A fluid whose emitter lays out the block at every reset (Regenera has been run).
Fluido* MakeBlockFluid(const BlockSpec& spec, unsigned char type = kFluidLiquid);
// A fluid whose emitter creates nothing; particles are added by hand.
Fluido* MakeEmptyFluid(unsigned char type = kFluidLiquid);

// One step of the fluids' passes in the driver's order, with step dt. With actors, the
// emitters' Crea and Affect and the assigned daemons take part, and the step ends on the next
// emission time when that comes first. The driver's other limits on the step, objects,
// meshes and frames are not part of it.
void StepPasses(float dt, bool actors);
// StepPasses without the actors: the engine alone.
void StepFluids(float dt);

// The emitter classes above, findable by their ids when a workspace is read (9001 "Block",
// 9002 "Empty").
void RegisterSupportClasses();

// Deletes every fluid and clears the clock.
void ClearFluidScene();
