// Object filler: the object the emitter is linked to is filled with particles at the fluid's
// fill spacing whenever the fluid is reset, through the object's own fill. Until the simulation
// has run, moving the object or changing a parameter refills it in place, as the volume
// emitters do.
#include <array>
#include <cstring>

#include "emitters.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum ObjectFillerParam {
    kExtent,  // three values, internal components
    kMargin = kExtent + 3,
    kAxis,
    kInside,
    kVertices,
    kVel,  // three values
    kRandom = kVel + 3,
};
constexpr std::array<ParamSpec, 11> kSpecs = {{
    {kIdExtentX, "Extent (0-1)", 1.0f, 0.0f, 1.0f, FieldKind::AxisX},
    {kIdExtentY, "", 1.0f, 0.0f, 1.0f, FieldKind::AxisY},
    {kIdExtentZ, "", 1.0f, 0.0f, 1.0f, FieldKind::AxisZ},
    {kIdMargin, "Margin (units)", 0.05f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdAxis, "Rays along (0 x, 1 y, 2 z)", 0.0f, 0.0f, 2.0f, FieldKind::Number},
    {kIdFillInside, "Fill the inside", 1.0f, 0.0f, 1.0f, FieldKind::Check},
    {kIdFillVertices, "A particle on every vertex", 0.0f, 0.0f, 1.0f, FieldKind::Check},
    {kIdVelX, "Velocity (units/s)", 0.0f, 0.0f, 0.0f, FieldKind::AxisX},
    {kIdVelY, "", 0.0f, 0.0f, 0.0f, FieldKind::AxisY},
    {kIdVelZ, "", 0.0f, 0.0f, 0.0f, FieldKind::AxisZ},
    {kIdRandom, "Random (0-1)", 0.0f, 0.0f, 1.0f, FieldKind::Number},
}};
const ParamTable kTable{kSpecs.data(), static_cast<int>(kSpecs.size())};

class ObjectFiller final : public ShippedEmitter {
public:
    ObjectFiller() : ShippedEmitter(kTable) {}

    // Nothing may be created here: the engine empties a new fluid after PostCreation.
    void PostCreation() override {
        ShippedEmitter::PostCreation();
        Shipped::CalculaDependientes();
    }

    void CalculaDependientes() override {
        Shipped::CalculaDependientes();
        Refill();
    }

    Vector DameCentro() override {
        if (!link || link->nverts <= 0) return NodeFrame::Of(*this).origin;
        return (link->bounds[8].world + link->bounds[9].world) * 0.5f;
    }

    // The part of the object's box that is filled, while linked; a small box where the emitter
    // is, while free.
    void Representa() override {
        if (!link || link->nverts <= 0) {
            gl::Begin(*this, kEmitterColour);
            gl::Box(Vector(-0.1f, -0.1f, -0.1f), Vector(0.1f, 0.1f, 0.1f));
            gl::End();
            return;
        }
        const int ray = RayAxis();
        auto share = [&](int axis) { return axis == ray ? 1.0f : P(kExtent + axis); };
        const Vector& c0 = link->bounds[0].world;
        const Vector x = (link->bounds[1].world - c0) * share(0);
        const Vector y = (link->bounds[6].world - c0) * share(1);
        const Vector z = (link->bounds[3].world - c0) * share(2);
        gl::BeginWorld(*this, kEmitterColour);
        for (const Vector& a : {x, y, z}) {
            for (const Vector& b : {x, y, z}) {
                if (&a == &b) continue;
                for (const Vector& side : {Vector(0, 0, 0), b}) gl::Line(c0 + side, c0 + side + a);
            }
        }
        gl::End();
    }

private:
    // The object's own axis the rays run along, chosen among the axes as shown. The rays cross
    // the whole object, so Extent has no effect along it.
    int RayAxis() const {
        const int shown = std::clamp(static_cast<int>(std::lround(P(kAxis))), 0, 2);
        const int axes[3] = {AX, AY, AZ};
        return axes[shown];
    }

    // What a fill depends on; it is redone only when one of these changed.
    struct FillKey {
        const Body* body = nullptr;
        std::array<float, 16> matrix{};
        std::array<float, kMaxParams> params{};
        float spacing = 0.0f;
        bool operator==(const FillKey& o) const {
            return body == o.body && matrix == o.matrix && params == o.params &&
                   spacing == o.spacing;
        }
    };

    FillKey CurrentKey() const {
        FillKey k;
        k.body = link;
        if (link) std::memcpy(k.matrix.data(), link->build_matrix.m, sizeof link->build_matrix.m);
        for (int i = 0; i < kTable.count; ++i) k.params[i] = P(i);
        k.spacing = fluid ? fluid->fillSpacing : 0.0f;
        return k;
    }

    void Refill() {
        if (!fluid) return;
        const FillKey key = CurrentKey();
        // serial 0: nothing created since the fluid was emptied (a reset, or a new fluid).
        if (fluid->serial == 0) {
            Fill(key);
        } else if (fluid->emitTime == 0.0f && !(key == filled_)) {
            fluid->RemoveALLParticles();
            Fill(key);
        }
    }

    void Fill(const FillKey& key) {
        filled_ = key;
        if (!link || link->nverts <= 0) return;
        const bool inside = P(kInside) != 0.0f, vertices = P(kVertices) != 0.0f;
        if (!inside && !vertices) return;
        const int mode = inside && vertices ? 0 : inside ? 1 : 2;
        const int axis = RayAxis();
        // Extent is kept per box axis; the fill takes it as (lattice edge A, lattice edge B,
        // ray edge), which depend on the axis of the rays.
        const Vector e(P(kExtent + 0), P(kExtent + 1), P(kExtent + 2));
        const Vector extent = axis == 0 ? Vector(e.z, e.y, e.x)
                              : axis == 1 ? Vector(e.x, e.z, e.y)
                                          : e;
        const int before = fluid->count;
        link->FillObject(fluid, extent, P(kMargin), axis, mode);
        // The new particles are the first of the list.
        const Vector vel(P(kVel + 0), P(kVel + 1), P(kVel + 2));
        const float jitter = P(kRandom) * 0.5f * fluid->fillSpacing;
        int n = fluid->count - before;
        for (Particula* p = fluid->First(); p && n > 0; p = p->next, --n) {
            p->vel = vel;
            if (jitter > 0.0f) p->pos = p->pos + Jitter(jitter);
        }
    }

    FillKey filled_;
};

ShippedClass<ObjectFiller> g_class({kClassEmitter, kObjectFillerId, "Object filler",
                                    "Object filler",
                                    "The object the emitter is linked to, filled with fluid at rest "
                                    "density at every reset; Extent fills a share of it, such as a "
                                    "glass half full.",
                                    "volume emitter: linked object", &kTable});

}  // namespace

ShippedDescriptor* ObjectFillerClass() { return &g_class; }

}  // namespace shipped
