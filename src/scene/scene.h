#pragma once

#include "export.h"

// Clears the whole scene back to the start-up state: nodes, selection, undo history, axis
// mapping and preferences. Every test that touches the scene starts from it.
UNDALINE_API void ResetScene();
