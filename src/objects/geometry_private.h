#pragma once

#include "math/vector.h"

namespace geometry {

// Unit normal of the triangle p0, p1, p2, the right-handed (p1 - p0) x (p2 - p0); zero when
// the triangle has no area to speak of. *area (when given) receives half the cross product's
// length.
Vector UnitNormal(const Vector& p0, const Vector& p1, const Vector& p2, float* area);

}  // namespace geometry
