#pragma once

// Random numbers and rounding for emitters, the fluid engine and the mesh engine.
//
// Each thread has its own generator, starting from state 1, so threads draw independent,
// repeatable sequences without locking. A new thread always starts the sequence afresh.

#include "export.h"

// Float in [0, 1]; the generator's largest output gives exactly 1.
UNDALINE_API float DameRandom();
// Float in [-1, 1].
UNDALINE_API float DameRandom11();

// Rounds halves up for x >= 0. For negative x the same two steps give -1.7 -> 0, -1.5 -> 0,
// -1.2 -> -1: stored scenes were made with this rule, so it stays. Values beyond the int
// range saturate.
UNDALINE_API int Redondea(float x);
UNDALINE_API int Redondea(double x);

// Advances the calling thread's generator and returns its raw output, 0..32767.
UNDALINE_API int RandomNext();
// Sets the calling thread's generator state.
UNDALINE_API void RandomSeed(unsigned state);
