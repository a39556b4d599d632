// Spray: particles leave the emitter's position at Rate per second, in directions spread
// evenly over a cone of half-angle Angle around the local up axis. Each particle is due at its
// own time and starts as far along its path as it would be by the time the emitter runs, so
// the spray is smooth whatever the step; only its start and stop are reported to the driver.
#include <array>

#include "emission_clock.h"
#include "emitters.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum SprayParam { kSprayRate, kSpraySpeed, kSprayAngle, kSprayRandom, kSprayStart, kSprayStop };
constexpr std::array<ParamSpec, 6> kSpraySpecs = {{
    {kIdRate, "Rate (particles/s)", 200.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdSpeed, "Speed (units/s)", 2.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdAngle, "Angle (deg)", 15.0f, 0.0f, 180.0f, FieldKind::Number},
    {kIdRandom, "Random (0-1)", 0.1f, 0.0f, 1.0f, FieldKind::Number},
    {kIdStart, "Start (s)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdStop, "Stop (s, 0 never)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kSprayTable{kSpraySpecs.data(), static_cast<int>(kSpraySpecs.size())};

class Spray final : public SprayingEmitter<Spray> {
public:
    static constexpr int kStart = kSprayStart;
    Spray() : SprayingEmitter(kSprayTable) {}

    // The cone particles are sprayed into, as long as a fifth of a second's travel.
    void Representa() override {
        gl::Begin(*this, kEmitterColour);
        gl::Cone(std::clamp(0.2f * P(kSpraySpeed), 0.15f, 1.0f), P(kSprayAngle));
        gl::End();
    }

    SprayShape Shape() const {
        return {P(kSprayRate), P(kSpraySpeed), P(kSprayAngle), P(kSprayRandom), P(kSprayStart),
                P(kSprayStop)};
    }
};

ShippedClass<Spray> g_spray({kClassEmitter, kSprayId, "Spray", "Spray",
                             "Particles sprayed from a point into a cone around the emitter's up "
                             "axis, at a steady rate.",
                             "point emitter: cone", &kSprayTable});

}  // namespace

void EmitSpray(Fluido* fluid, const NodeFrame& frame, EmissionClock& clock, const SprayShape& s) {
    const double interval = s.rate > 0.0f ? 1.0 / s.rate : 0.0;
    const float cos_max = std::cos(s.angle * 0.017453292f);
    clock.Run(fluid->emitTime, interval, s.start, s.stop, [&](float late) {
        if (fluid->count >= fluid->maxParticles) return false;
        // Uniform over the cone's cap: cos of the angle from the axis is uniform.
        const float c = 1.0f - DameRandom() * (1.0f - cos_max);
        const float sn = std::sqrt(std::max(0.0f, 1.0f - c * c));
        const float phi = 6.2831853f * DameRandom();
        const Vector dir = frame.Up() * c + frame.axis[0] * (sn * std::cos(phi)) +
                           frame.axis[2] * (sn * std::sin(phi));
        const float speed = s.speed * (1.0f + s.random * DameRandom11());
        const Vector vel = dir * speed;
        fluid->CreaParticula(frame.origin + vel * late, vel);
        return true;
    });
}

float SprayTimeLimit(float t, const SprayShape& s) {
    const double tol = EmissionClock::Tolerance(t, 1e-3);
    if (t + tol < s.start) return s.start;
    if (s.stop > 0.0f && t + tol < s.stop) return s.stop;
    return 0.0f;
}

ShippedDescriptor* SprayClass() { return &g_spray; }

}  // namespace shipped
