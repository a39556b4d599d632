#pragma once

#include "export.h"

// The simulation clock.
UNDALINE_API extern float tuniversal;  // scene time, seconds
UNDALINE_API extern float inct;        // length of the current step, seconds
UNDALINE_API extern float tbuzz;       // time simulated since the last reset
UNDALINE_API extern int frame;         // current frame number
