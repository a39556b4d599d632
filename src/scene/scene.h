#pragma once

#include "export.h"

// Clears the whole scene back to the start-up state: daemons (and the daemon panel's list),
// fluids and objects through their layers, selections, emitter ids, undo history, axis mapping,
// preferences, and the simulation's running flag and frame rate; plug-in classes nothing uses
// any more are deactivated (the catalogue of libraries stays). Every test that touches the
// scene starts from it.
UNDALINE_API void ResetScene();
