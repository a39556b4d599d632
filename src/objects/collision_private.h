#pragma once

#include <cmath>
#include <cstdint>

#include "math/vector.h"
#include "objects/body.h"
#include "objects/collision.h"

namespace collision {

// The two axes a face is projected on for its barycentric coordinates: the normal's largest
// component is dropped, ties going to the earlier axis.
inline void ProjectionAxes(const Vector& n, int* i, int* j) {
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ax >= ay && ax >= az) {
        *i = 1;
        *j = 2;
    } else if (ay >= ax && ay >= az) {
        *i = 0;
        *j = 2;
    } else {
        *i = 0;
        *j = 1;
    }
}

// Barycentric coordinates (u along p1 - p0, w along p2 - p0) of a point of the face's plane.
// A face with no extent in its projection gives NaN, which no inside test accepts.
inline void Barycentric(const Face& f, const Vector& point, float* u, float* w) {
    int i, j;
    ProjectionAxes(f.normal, &i, &j);
    const Vector& p0 = f.corner[0]->world;
    const Vector e1 = f.corner[1]->world - p0;
    const Vector e2 = f.corner[2]->world - p0;
    const Vector q = point - p0;
    const float det = e1[i] * e2[j] - e2[i] * e1[j];
    *u = (e2[j] * q[i] - e2[i] * q[j]) / det;
    *w = (e1[i] * q[j] - e1[j] * q[i]) / det;
}

// Edges and corners count as inside.
inline bool InsideOrOnEdge(float u, float w) { return u >= 0.0f && w >= 0.0f && u + w <= 1.0f; }

// What the pass needs of one face, gathered once per step when the face first joins a list.
struct PreparedFace {
    Vector n;        // unit normal
    float d0;        // n · p0
    Vector p0;
    int ai, aj;      // projection axes
    float e1i, e1j, e2i, e2j, det;
    Vector v[3];     // corner velocities
    const Body* body;
};

// The links the collision pass makes carry the face's prepared data after the two fields
// every reader of the lists knows.
struct CollisionLink {
    FaceLink link;
    const PreparedFace* prepared;
};

// A random sequence of its own for each grid cell, so a particle's draws do not depend on
// which thread handled which cells. Same generator and mapping as DameRandom11.
class CellRandom {
public:
    CellRandom(uint32_t seed, uint32_t cell) {
        // A few rounds of an integer mix keep neighbouring cells' sequences apart.
        uint32_t s = seed ^ (cell * 0x9E3779B9u);
        s ^= s >> 16;
        s *= 0x7FEB352Du;
        s ^= s >> 15;
        s *= 0x846CA68Bu;
        s ^= s >> 16;
        state_ = s;
    }
    float Next11() {
        state_ = state_ * 214013u + 2531011u;
        const int raw = static_cast<int>((state_ >> 16) & 0x7FFFu);
        const float unit = static_cast<float>(raw) * 3.0518509e-05f;
        return static_cast<float>((double(unit) - 0.5) * 2.0);
    }

private:
    uint32_t state_;
};

}  // namespace collision
