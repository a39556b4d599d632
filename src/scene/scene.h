#pragma once

#include "export.h"

// Clears the whole scene back to the start-up state: nodes, selection, undo history, axis
// mapping, preferences, and the simulation's running flag and frame rate. Every test that touches the scene starts from it.
UNDALINE_API void ResetScene();
