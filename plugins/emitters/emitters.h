#pragma once

// The emitter classes of emitters.so.

#include <algorithm>
#include <cmath>
#include <vector>

#include "emission_clock.h"
#include "fluid_start.h"
#include "gl_shapes.h"
#include "node_frame.h"
#include "shipped_class.h"

namespace shipped {

// Every shipped emitter. The fluid it makes starts with the values that give its type a
// well-behaved fluid, and changing the type brings the new type's values, as long as nobody
// has set values of their own.
class ShippedEmitter : public Shipped<Creador> {
public:
    using Shipped::Shipped;
    void PostCreation() override { ApplyFluidStart(fluid); }
    void OnFluidChange(char previous) override {
        if (HoldsFluidStart(fluid, previous)) ApplyFluidStart(fluid);
    }
};

// What every shipped emitter is drawn in, unless selected.
constexpr gl::Colour kEmitterColour{0.3f, 0.75f, 1.0f};

// Continuous emitters: layers of particles released across a shape.
ShippedDescriptor* CircleClass();
ShippedDescriptor* SquareClass();
ShippedDescriptor* TriangleClass();
ShippedDescriptor* LinearClass();
// Volumes filled at every reset.
ShippedDescriptor* SphereClass();
ShippedDescriptor* CubeClass();
ShippedDescriptor* CylinderClass();
// A point spraying particles into a cone.
ShippedDescriptor* SprayClass();
// The surface of the linked object emitting, and its inside filled at every reset.
ShippedDescriptor* ObjectEmitterClass();
ShippedDescriptor* ObjectFillerClass();

// A directory of particle BIN files replayed frame by frame.
ShippedDescriptor* SequenceClass();
// A spray whose particles become ready-made drops: it builds the fluid's mesh itself.
ShippedDescriptor* DropletsClass();

// How a spray emits: Rate per second into a cone of half-angle Angle (degrees) about the up
// axis, at Speed varied by up to Random, between Start and Stop (0: never stops).
struct SprayShape {
    float rate, speed, angle, random, start, stop;
};
// The particles due by the fluid's emitTime, each as far along its path as it has travelled
// since it was due.
void EmitSpray(Fluido* fluid, const NodeFrame& frame, EmissionClock& clock, const SprayShape& s);
// The time the driver must end a step on: the start while ahead, then the stop; else 0.
float SprayTimeLimit(float t, const SprayShape& s);

// An emitter that sprays as the Spray does: Derived gives its SprayShape Shape() and kStart,
// the index of its Start parameter. The clock starts again at every reset and at a change
// made before anything was emitted.
template <class Derived>
class SprayingEmitter : public ShippedEmitter {
public:
    using ShippedEmitter::ShippedEmitter;
    void PostCreation() override {
        ShippedEmitter::PostCreation();
        CalculaDependientes();
        Restart();
    }
    void AboutReset() override { Restart(); }
    void NotifyReset() override { Restart(); }
    void ParamsChanged() override {
        Shipped::ParamsChanged();
        if (fluid && fluid->emitTime == 0.0f) Restart();
    }
    void Crea() override {
        if (fluid) EmitSpray(fluid, NodeFrame::Of(*this), clock_, Self().Shape());
    }
    float DameTiempoMaximo() override {
        return fluid ? SprayTimeLimit(fluid->emitTime, Self().Shape()) : 0.0f;
    }
    Vector DameCentro() override { return NodeFrame::Of(*this).origin; }

private:
    const Derived& Self() const { return static_cast<const Derived&>(*this); }
    void Restart() { clock_.Reset(P(Derived::kStart)); }
    EmissionClock clock_;
};

// Grid points across a length: how many fit at spacing s (at least one when there is any
// length), and where point i of n sits, centred on 0.
inline int PointsAcross(float length, float s) {
    if (!(length > 0.0f) || !(s > 0.0f)) return 0;
    long n = std::lround(length / s);
    return n < 1 ? 1 : static_cast<int>(std::min(n, 100000L));
}
inline float CentredPoint(int i, int n, float s) { return (static_cast<float>(i) - 0.5f * static_cast<float>(n - 1)) * s; }

// A random offset of up to `amount` along each world axis.
inline Vector Jitter(float amount) {
    return Vector(DameRandom11() * amount, DameRandom11() * amount, DameRandom11() * amount);
}

// Lattice points at spacing s inside the ellipse of semi-axes a (along x) and b (along z),
// appended as (u, y, w) until `out` holds `most`. The lattice is symmetric about the centre,
// with a point on it (phase 0) or with the centre between four points (phase 0.5).
void DiscPointsAt(float a, float b, float s, float y, float phase, size_t most,
                  std::vector<Vector>& out);
// The phase whose point count is closer to the ellipse's area in cells of s × s: a small
// disc then holds the particles (the mass) its area calls for, as nearly as a lattice can.
float BestDiscPhase(float a, float b, float s, size_t most);
void DiscPoints(float a, float b, float s, float y, size_t most, std::vector<Vector>& out);

}  // namespace shipped
