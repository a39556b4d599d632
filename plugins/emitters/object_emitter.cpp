// Object emitter: particles leave the surface of the object the emitter is linked to, spread
// over its faces by area, along each face's normal, at Rate per second. The surface is taken
// where the object is at every step, so the emission follows a moving object, and the particles
// carry the surface's own velocity. When some faces carry this emitter's mark (its bit in the
// faces' emitter masks), only those emit.
#include <array>

#include "emission_clock.h"
#include "emitters.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum ObjectEmitterParam { kRate, kSpeed, kRandom, kOffset, kStart, kStop };
constexpr std::array<ParamSpec, 6> kSpecs = {{
    {kIdRate, "Rate (particles/s)", 500.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdSpeed, "Speed (units/s)", 1.0f, kNoLimit, kNoLimit, FieldKind::Number},
    {kIdRandom, "Random (0-1)", 0.1f, 0.0f, 1.0f, FieldKind::Number},
    {kIdOffset, "Offset (units)", 0.0f, kNoLimit, kNoLimit, FieldKind::Number},
    {kIdStart, "Start (s)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdStop, "Stop (s, 0 never)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kTable{kSpecs.data(), static_cast<int>(kSpecs.size())};

class ObjectEmitter final : public ShippedEmitter {
public:
    ObjectEmitter() : ShippedEmitter(kTable) {}

    void PostCreation() override {
        ShippedEmitter::PostCreation();
        CalculaDependientes();
        clock_.Reset(P(kStart));
    }
    void AboutReset() override { clock_.Reset(P(kStart)); }
    void NotifyReset() override { clock_.Reset(P(kStart)); }
    void ParamsChanged() override {
        Shipped::ParamsChanged();
        if (fluid && fluid->emitTime == 0.0f) clock_.Reset(P(kStart));
    }

    void Crea() override {
        if (!fluid || !link || !Surface(*link)) return;
        const double interval = P(kRate) > 0.0f ? 1.0 / P(kRate) : 0.0;
        clock_.Run(fluid->emitTime, interval, P(kStart), P(kStop), [&](float late) {
            if (fluid->count >= fluid->maxParticles) return false;
            Emit(*link, late);
            return true;
        });
    }

    float DameTiempoMaximo() override {
        if (!fluid) return 0.0f;
        const float t = fluid->emitTime;
        const double tol = EmissionClock::Tolerance(t, 1e-3);
        if (t + tol < P(kStart)) return P(kStart);
        if (P(kStop) > 0.0f && t + tol < P(kStop)) return P(kStop);
        return 0.0f;
    }

    Vector DameCentro() override {
        if (!link || link->nverts <= 0) return NodeFrame::Of(*this).origin;
        return (link->bounds[8].world + link->bounds[9].world) * 0.5f;
    }

    // Linked: short strokes along the normals of some of the emitting faces, pointing the way
    // particles leave. Free: a small square where the emitter is.
    void Representa() override {
        if (!link || !Surface(*link)) {
            gl::Begin(*this, kEmitterColour);
            gl::Square(0.2f);
            gl::End();
            return;
        }
        gl::BeginWorld(*this, kEmitterColour);
        const size_t step = std::max<size_t>(1, faces_.size() / 200);
        const float length = P(kSpeed) >= 0.0f ? 0.1f : -0.1f;
        for (size_t i = 0; i < faces_.size(); i += step) {
            const Face& f = link->faces[faces_[i]];
            const Vector c =
                (f.corner[0]->world + f.corner[1]->world + f.corner[2]->world) * (1.0f / 3.0f);
            gl::Line(c, c + f.normal * length);
        }
        gl::End();
    }

private:
    // The emitting faces of b and their running area; false when there is no area to emit from.
    bool Surface(const Body& b) {
        faces_.clear();
        area_.clear();
        if (b.nfaces <= 0 || b.nverts <= 0) return false;
        const uint32_t bit = 1u << (emitter_id & 31);
        bool marked = false;
        for (int i = 0; i < b.nfaces && !marked; ++i) marked = (b.faces[i].selection & bit) != 0;
        double total = 0.0;
        for (int i = 0; i < b.nfaces; ++i) {
            const Face& f = b.faces[i];
            if (f.degenerate || (marked && !(f.selection & bit))) continue;
            const Vector e1 = f.corner[1]->world - f.corner[0]->world;
            const Vector e2 = f.corner[2]->world - f.corner[0]->world;
            const double a = 0.5 * static_cast<double>(Cross(e1, e2).Modulo());
            if (!(a > 0.0) || !std::isfinite(a)) continue;
            total += a;
            faces_.push_back(i);
            area_.push_back(total);
        }
        return total > 0.0;
    }

    void Emit(const Body& b, float late) {
        // A face chosen with probability in proportion to its area, a point uniform on it.
        const double pick = static_cast<double>(DameRandom()) * area_.back();
        size_t n = static_cast<size_t>(std::lower_bound(area_.begin(), area_.end(), pick) - area_.begin());
        if (n >= faces_.size()) n = faces_.size() - 1;
        const Face& f = b.faces[faces_[n]];
        float u = DameRandom(), w = DameRandom();
        if (u + w > 1.0f) {
            u = 1.0f - u;
            w = 1.0f - w;
        }
        const BodyVertex* c[3] = {f.corner[0], f.corner[1], f.corner[2]};
        const float c0 = 1.0f - u - w;
        const Vector at = c[0]->world * c0 + c[1]->world * u + c[2]->world * w;
        const Vector carried = c[0]->velocity * c0 + c[1]->velocity * u + c[2]->velocity * w;
        // Random tilts the direction by up to about 35 degrees and varies the speed by
        // up to that share.
        const float random = P(kRandom);
        Vector dir = f.normal + Jitter(0.5f * random);
        dir.Normaliza();
        const float speed = P(kSpeed) * (1.0f + random * DameRandom11());
        const Vector vel = carried + dir * speed;
        fluid->CreaParticula(at + f.normal * P(kOffset) + vel * late, vel);
    }

    EmissionClock clock_;
    std::vector<int> faces_;
    std::vector<double> area_;
};

ShippedClass<ObjectEmitter> g_class({kClassEmitter, kObjectEmitterId, "Object emitter",
                                     "Object emitter",
                                     "Particles released from the surface of the object the "
                                     "emitter is linked to, along its normals, at a steady rate; "
                                     "the emission follows the object as it moves.",
                                     "surface emitter: linked object", &kTable});

}  // namespace

ShippedDescriptor* ObjectEmitterClass() { return &g_class; }

}  // namespace shipped
