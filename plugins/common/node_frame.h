#pragma once

// A node's transform taken apart into an origin, three unit axes and the size along each, so
// that shapes keep their particle spacing in world units however the node is scaled, and
// directions stay unit vectors.

#include <cmath>

#include "undaline.h"

namespace shipped {

// Right-handed a × b (Vector's ^ is b × a).
inline Vector Cross(const Vector& a, const Vector& b) { return b ^ a; }

struct NodeFrame {
    Vector origin;
    Vector axis[3];  // local x, y (up), z as unit vectors
    Vector size;     // length of each local axis in world units (the node's scale)

    static NodeFrame Of(const Nodo& node) {
        NodeFrame f;
        const Matrix& m = node.matrix;
        f.origin = m.GetTranslation();
        bool collapsed = false;
        for (int c = 0; c < 3; ++c) {
            Vector column(m.m[4 * c], m.m[4 * c + 1], m.m[4 * c + 2]);
            float len = column.Modulo();
            f.size[c] = len;
            if (len > 1e-12f) {
                f.axis[c] = column / len;
            } else {
                collapsed = true;
            }
        }
        // A zero scale flattens the shape but must not lose the directions.
        if (collapsed) {
            Matrix r = node.link ? Matrix() : NodeRotation(node.rot);
            for (int c = 0; c < 3; ++c) f.axis[c] = Vector(r.m[4 * c], r.m[4 * c + 1], r.m[4 * c + 2]);
        }
        return f;
    }

    Vector Up() const { return axis[1]; }
    // A point given in world-sized local coordinates (already multiplied by size).
    Vector Place(float u, float v, float w) const {
        return origin + axis[0] * u + axis[1] * v + axis[2] * w;
    }
    // The reverse: p relative to the origin along the three axes, in world units.
    Vector Local(const Vector& p) const {
        Vector d = p - origin;
        return Vector(d * axis[0], d * axis[1], d * axis[2]);
    }
    // Whether p lies in the box the node's unit cube becomes: size along each axis, centred.
    bool InBox(const Vector& p) const {
        Vector l = Local(p);
        return std::fabs(l.x) <= 0.5f * size.x && std::fabs(l.y) <= 0.5f * size.y &&
               std::fabs(l.z) <= 0.5f * size.z;
    }
};

// Relaxing a velocity toward a target at `rate` (1/s) for a step dt: the acceleration
// (target - v) * RelaxFactor(rate, dt) takes the exact exponential share of the gap, so it
// never overshoots however stiff the rate or long the step (or any shorter step the driver
// settles on afterwards). Without a step it is the plain linear rate.
inline float RelaxFactor(float rate, float dt) {
    if (rate <= 0.0f) return 0.0f;
    if (dt <= 0.0f) return rate;
    return static_cast<float>(-std::expm1(-static_cast<double>(rate) * dt) / dt);
}

}  // namespace shipped
