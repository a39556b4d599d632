// Daemons that act between neighbours. They read the neighbour lists of the current step,
// which exist while the fluid's grid does; outside a step (no grid) they do nothing. Only
// neighbours of the same fluid count: these are properties of one liquid, not of its
// contact with another.
#include <array>
#include <cmath>
#include <vector>

#include "daemons.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

// Surface tension: cohesion between neighbours. Each pair attracts with a strength that
// peaks at the smoothing length (the rest spacing) and turns into a repulsion when closer
// than half of it, vanishing at the neighbour radius 2h: the cohesion kernel of Akinci et
// al., "Versatile Surface Tension and Adhesion for SPH Fluids" (2013), scaled to 1 at its
// peak. Inside the fluid the pulls cancel; at the surface they pull inward, which rounds
// drops and holds thin streams together. Pairs pull equally and oppositely, so momentum is
// kept. Strength is the acceleration one neighbour at the peak distance gives.
enum TensionParam { kTensionStrength };
constexpr std::array<ParamSpec, 1> kTensionSpecs = {{
    {kIdStrength, "Strength (units/s2)", 20.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kTensionTable{kTensionSpecs.data(), 1};

// The kernel at q = r / 2h, in [-1, 1].
float Cohesion(float q) {
    if (q <= 0.0f || q >= 1.0f) return 0.0f;
    const float c = 64.0f * (1.0f - q) * (1.0f - q) * (1.0f - q) * q * q * q;
    return q > 0.5f ? c : 2.0f * c - 1.0f;
}

class SurfaceTension final : public ShippedDaemon {
public:
    SurfaceTension() : ShippedDaemon(kTensionTable) {}

    // A drop: a circle pulled in by short strokes.
    void RepresentaNodo() override {
        gl::Begin(*this, kNeighbourColour);
        gl::Circle(0.2f, 2);
        for (int i = 0; i < 6; ++i) {
            const float a = static_cast<float>(i) * 3.14159265f / 3.0f;
            const Vector d(std::cos(a), std::sin(a), 0);
            gl::Line(d * 0.2f, d * 0.1f);
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f || !f->grid || !(f->h > 0.0f)) return;
        const float strength = P(kTensionStrength);
        const float inv_reach = 0.5f / f->h;
        for (Particula* p = f->First(); p; p = p->next) {
            Vector a(0, 0, 0);
            for (int i = 0; i < p->numNeighbours; ++i) {
                const Particula* q = p->neighbours[i];
                if (q->owner != f) continue;
                const Vector d = q->pos - p->pos;
                const float r = d.Modulo();
                if (r <= 0.0f) continue;
                a = a + d * (Cohesion(r * inv_reach) * (q->mass / kStandardMass) / r);
            }
            p->force = p->force + a * strength;
        }
    }
};

// Relax: moves each particle a share (Strength, 0 to 1) of the way toward the weighted mean
// of its neighbours, each neighbour counted not at its own position but at the rest spacing
// from the particle, in its direction. A bare pull toward the mean would draw every particle
// toward its nearest neighbours and clump the fluid; kept at the rest spacing, a particle
// that is too close to a neighbour is pushed off it and one too far is drawn in, which evens
// out clumps and gaps and smooths the surface the mesh is built from. It moves positions,
// not velocities, and by at most half the smoothing length; frozen particles stay put.
// Unlike the other daemons it also acts in the one-shot mesh build, whether or not it is
// switched on, so a mesh can be built from a relaxed fluid.
enum RelaxParam { kRelaxStrength };
constexpr std::array<ParamSpec, 1> kRelaxSpecs = {{
    {kIdStrength, "Strength (0-1)", 0.3f, 0.0f, 1.0f, FieldKind::Number},
}};
const ParamTable kRelaxTable{kRelaxSpecs.data(), 1};

class Relax final : public ShippedDaemon {
public:
    Relax() : ShippedDaemon(kRelaxTable) {}

    // Particles held apart: two small diamonds and the spacing between them.
    void RepresentaNodo() override {
        gl::Begin(*this, kNeighbourColour);
        for (float x : {-0.2f, 0.2f}) {
            const Vector c(x, 0, 0), e(0.07f, 0, 0), n(0, 0.07f, 0);
            gl::Line(c - e, c + n);
            gl::Line(c + n, c + e);
            gl::Line(c + e, c - n);
            gl::Line(c - n, c - e);
        }
        gl::Arrow(Vector(-0.05f, 0, 0), Vector(-0.13f, 0, 0));
        gl::Arrow(Vector(0.05f, 0, 0), Vector(0.13f, 0, 0));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f || !f->grid || !(f->h > 0.0f)) return;
        const float share = P(kRelaxStrength);
        const float most = 0.5f * f->h;
        const float rest = f->fillSpacing;
        // Every move from the positions before any move, so the result does not depend on
        // the order of the list.
        moves_.clear();
        for (Particula* p = f->First(); p; p = p->next) {
            Vector sum(0, 0, 0);
            float weight = 0.0f;
            for (int i = 0; i < p->numNeighbours; ++i) {
                const Particula* q = p->neighbours[i];
                if (q->owner != f) continue;
                const Vector d = q->pos - p->pos;
                const float r = d.Modulo();
                const float s = 2.0f - r * f->invH;
                if (r <= 0.0f || s <= 0.0f) continue;
                const float w = s * s * s;
                // The neighbour seen at the rest spacing: d less rest along its direction.
                sum = sum + d * (w * (r - rest) / r);
                weight += w;
            }
            Vector move(0, 0, 0);
            if (weight > 0.0f && p->frozen <= 0) {
                move = sum * (share / weight);
                const float len = move.Modulo();
                if (len > most) move = move * (most / len);
            }
            moves_.push_back(move);
        }
        size_t i = 0;
        for (Particula* p = f->First(); p && i < moves_.size(); p = p->next, ++i) {
            p->pos = p->pos + moves_[i];
        }
    }

private:
    std::vector<Vector> moves_;  // kept between steps: no allocation once it has grown
};

ShippedClass<SurfaceTension> g_tension({kClassDaemon, kSurfaceTensionId, "Surface tension",
                                        "Surface tension",
                                        "Cohesion between neighbouring particles: rounds drops "
                                        "and holds streams together.",
                                        "between neighbours: cohesion", &kTensionTable});
ShippedClass<Relax> g_relax({kClassDaemon, kRelaxId, "Relax", "Relax",
                             "Evens out clumps and gaps by moving each particle toward its "
                             "neighbours; also acts when a mesh is built on its own.",
                             "between neighbours: smoothing", &kRelaxTable});

}  // namespace

ShippedDescriptor* SurfaceTensionClass() { return &g_tension; }
ShippedDescriptor* RelaxClass() { return &g_relax; }

}  // namespace shipped
