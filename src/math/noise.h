#pragma once

// Gradient noise on the unit lattice, for jittering particles and perturbing surfaces.
// It is 0 at every lattice point and repeats every 256 units along each axis.

#include "export.h"
#include "math/vector.h"

// The first call in the process fills the gradient table from the calling thread's generator,
// which it reseeds to 665 first; that thread's later draws continue from there.
UNDALINE_API float Noise3(const Vector& p);

// (Noise3(p), Noise3(p + (2, 2, 2)), Noise3(p + (5, 5, 5))).
UNDALINE_API Vector VNoise3(const Vector& p);
