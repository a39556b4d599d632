#pragma once

#include "math/vector.h"

class Body;

namespace geometry {

// Unit normal of the triangle p0, p1, p2, the right-handed (p1 - p0) x (p2 - p0); zero when
// the triangle has no area to speak of. *area (when given) receives half the cross product's
// length.
Vector UnitNormal(const Vector& p0, const Vector& p1, const Vector& p2, float* area);

// After the world positions changed: face bounds, face normals (when asked) and vertex
// normals, in one pass over the faces.
void FinishWorld(Body* b, bool face_normals);

// Widens the box lo..hi to hold p.
inline void Widen(const Vector& p, Vector* lo, Vector* hi) {
    if (p.x < lo->x) lo->x = p.x;
    if (p.y < lo->y) lo->y = p.y;
    if (p.z < lo->z) lo->z = p.z;
    if (p.x > hi->x) hi->x = p.x;
    if (p.y > hi->y) hi->y = p.y;
    if (p.z > hi->z) hi->z = p.z;
}

}  // namespace geometry
