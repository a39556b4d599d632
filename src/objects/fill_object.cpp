// Filling a body with particles: rays on a lattice across two edges of its box, shot along the
// third; the stretches between an entry and the next exit are inside and get particles at the
// fluid's fill spacing.
#include <algorithm>
#include <cmath>

#include "fluid/fluido.h"
#include "objects/collision_private.h"
#include "platform/message_box.h"
#include "platform/monitor.h"

namespace {

constexpr int kMaxHits = 16;
// Rays along one edge. The lattice is fine enough for any fill long before this, and a spacing
// that is near zero must not keep the program shooting rays for days.
constexpr double kMaxRaysAcross = 100000.0;

int SamplesAcross(const Vector& edge, float spacing) {
    const double n = std::trunc(edge.Modulo() / spacing);
    if (!(n >= 0.0)) return 0;
    return static_cast<int>(std::min(n, kMaxRaysAcross));
}

// The ray parameters at which the ray o + R t crosses the faces strictly inside them, in face
// order, at most kMaxHits; returns how many.
int Crossings(const Body& b, const Vector& o, const Vector& r, float* hits) {
    int found = 0;
    for (int i = 0; i < b.nfaces && found < kMaxHits; ++i) {
        const Face& face = b.faces[i];
        const float den = face.normal * r;
        if (!(std::fabs(den) >= 0.0001f)) continue;
        const float t = -(face.normal * o - face.normal * face.corner[0]->world) / den;
        float u, w;
        collision::Barycentric(face, o + r * t, &u, &w);
        if (u > 0.0f && w > 0.0f && u + w < 1.0f) hits[found++] = t;
    }
    return found;
}

void SortAscending(float* t, int n) {
    for (int i = 0; i < n; ++i) {
        for (int j = i + 1; j < n; ++j) {
            if (t[j] < t[i]) std::swap(t[i], t[j]);
        }
    }
}

bool Full(const Fluido* fluid) {
    if (fluid->count < fluid->maxParticles) return false;
    ClearMonitor();
    platform::MessageBox("Maximum number particles reached");
    return true;
}

// False when the fill ends here: the fluid filled up, or the lattice is too coarse (the
// monitor is cleared then).
bool Lattice(Body& b, Fluido* fluid, const Vector& extent, float margin, int axis) {
    b.UpdateWorld();
    const Vector c0 = b.bounds[0].world;
    const Vector x = b.bounds[1].world - c0;
    const Vector z = b.bounds[3].world - c0;
    const Vector y = b.bounds[6].world - c0;
    Vector a, bb, r;
    if (axis == 0) {
        a = z, bb = y, r = x;
    } else if (axis == 1) {
        a = x, bb = z, r = y;
    } else if (axis == 2) {
        a = x, bb = y, r = z;
    }
    a = a * extent.x;
    bb = bb * extent.y;
    r = r * extent.z;
    const float m = margin / r.Modulo();
    const float spacing = fluid->fillSpacing;
    if (!(spacing > 0.0f) || !std::isfinite(spacing)) return true;
    const int na = SamplesAcross(a, spacing);
    const int nb = SamplesAcross(bb, spacing);
    if (na == 1 || nb == 1) {
        ClearMonitor();
        platform::MessageBox("Need more resolution for particle sampling\nSet a higher density");
        return false;
    }
    float hits[kMaxHits];
    for (int i = 0; i < na; ++i) {
        UpdateMonitor(i * 100 / na);
        for (int j = 0; j < nb; ++j) {
            const Vector o = c0 + a * (static_cast<float>(i) / static_cast<float>(na - 1)) +
                             bb * (static_cast<float>(j) / static_cast<float>(nb - 1));
            const int n = Crossings(b, o, r, hits);
            SortAscending(hits, n);
            for (int h = 0; h + 1 < n; h += 2) {
                const float t0 = hits[h], t1 = hits[h + 1];
                if (std::fabs(t0 - t1) < 0.01f) continue;
                const Vector span = (o + r * t1) - (o + r * t0);
                const double along = std::trunc(span.Modulo() / spacing);
                const int k = along >= 1.0 ? static_cast<int>(std::min(along, 1e9)) : 1;
                for (int q = 0; q < k; ++q) {
                    if (Full(fluid)) return false;
                    const float s =
                        k > 1 ? static_cast<float>(q) / static_cast<float>(k - 1) : 0.5f;
                    const float t = (t1 - t0 - 2.0f * m) * s + (m + t0);
                    fluid->CreaParticula(o + r * t, Vector(0, 0, 0));
                }
            }
        }
    }
    return true;
}

}  // namespace

void Body::FillObject(Fluido* fluid, Vector extent, float margin, int axis, int mode) {
    if (!fluid) return;
    InitMonitor("Filling object");
    if (mode == 0 || mode == 1) {
        if (!Lattice(*this, fluid, extent, margin, axis)) return;
        if (mode == 1) {
            ClearMonitor();
            return;
        }
    }
    if (mode == 0 || mode == 2) {
        for (int k = 0; k < nverts; ++k) {
            UpdateMonitor(k * 100 / nverts);
            if (Full(fluid)) return;
            fluid->CreaParticula(verts[k].world, Vector(0, 0, 0));
        }
    }
    ClearMonitor();
}
