// Daemons that limit the motion by changing velocities directly. The engine moves a particle
// by its velocity (plus extraVel) over the step and only then adds force × step to the
// velocity, so what these leave in vel, extraVel and force decides where the particle ends
// the step. Assign them after the force fields they must take into account.
#include <array>
#include <cmath>

#include "daemons.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

// Speed limit: no particle ends the step faster than Max speed. The velocity the particle
// would have after the step (its velocity plus the forces gathered so far) is scaled down to
// the limit and taken as its velocity now, with no force left to add.
enum SpeedLimitParam { kLimitMaxSpeed };
constexpr std::array<ParamSpec, 1> kSpeedLimitSpecs = {{
    {kIdMaxSpeed, "Max speed (units/s)", 5.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kSpeedLimitTable{kSpeedLimitSpecs.data(), 1};

class SpeedLimit final : public ShippedDaemon {
public:
    SpeedLimit() : ShippedDaemon(kSpeedLimitTable) {}

    // A dial with its needle.
    void RepresentaNodo() override {
        gl::Begin(*this, kLimitColour);
        gl::Circle(0.2f, 2);
        gl::Arrow(Vector(0, 0, 0), Vector(0.12f, 0.12f, 0));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const float limit = P(kLimitMaxSpeed);
        const float dt = inct > 0.0f ? inct : 0.0f;
        for (Particula* p = f->First(); p; p = p->next) {
            if (p->frozen > 0) continue;
            const Vector after = p->vel + p->force * dt;
            const float speed = after.Modulo();
            if (speed <= limit) continue;
            p->vel = after * (limit / speed);
            p->force = Vector(0, 0, 0);
        }
    }
};

// Ground plane: an infinite floor through the daemon's position, facing its up axis.
// Particles that would reach it during the step bounce: the velocity into the floor is
// reversed and scaled by Bounce (0 stops dead, 1 is a perfect bounce), and Coulomb friction
// takes up to Friction × the bounce's change of speed from the sliding velocity. A particle
// found below the floor is put back on it. Since the velocity left after the bounce points
// away from the floor, no particle ends a step below it.
enum GroundParam { kGroundBounce, kGroundFriction };
constexpr std::array<ParamSpec, 2> kGroundSpecs = {{
    {kIdBounce, "Bounce (0-1)", 0.3f, 0.0f, 1.0f, FieldKind::Number},
    {kIdFriction, "Friction", 0.2f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kGroundTable{kGroundSpecs.data(), 2};

class GroundPlane final : public ShippedDaemon {
public:
    GroundPlane() : ShippedDaemon(kGroundTable) {}

    // A patch of the floor, two units across, and the side particles stay on.
    void RepresentaNodo() override {
        gl::Begin(*this, kLimitColour);
        for (int i = 0; i <= 4; ++i) {
            const float at = -1.0f + 0.5f * static_cast<float>(i);
            gl::Line(Vector(at, 0, -1), Vector(at, 0, 1));
            gl::Line(Vector(-1, 0, at), Vector(1, 0, at));
        }
        gl::Arrow(Vector(0, 0, 0), Vector(0, 0.4f, 0));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const NodeFrame frame = NodeFrame::Of(*this);
        const Vector n = frame.Up();
        const float bounce = P(kGroundBounce);
        const float friction = P(kGroundFriction);
        const float dt = inct > 0.0f ? inct : 0.0f;
        for (Particula* p = f->First(); p; p = p->next) {
            if (p->frozen > 0) continue;
            float height = (p->pos - frame.origin) * n;
            if (height < 0.0f) {
                p->pos = p->pos - n * height;
                height = 0.0f;
            }
            const float vn = p->vel * n;
            const float en = p->extraVel * n;
            const float approach = vn + en;
            if (approach >= 0.0f || height + approach * dt > 0.0f) continue;
            if (vn < 0.0f) {
                Vector slide = p->vel - n * vn;
                const float sliding = slide.Modulo();
                if (sliding > 0.0f) {
                    const float lost = friction * (1.0f + bounce) * -vn;
                    slide = slide * std::max(0.0f, 1.0f - lost / sliding);
                }
                p->vel = slide - n * (bounce * vn);
            }
            // This step's push into the floor is spent on it.
            if (en < 0.0f) p->extraVel = p->extraVel - n * en;
        }
    }
};

ShippedClass<SpeedLimit> g_speed_limit({kClassDaemon, kSpeedLimitId, "Speed limit", "Speed limit",
                                        "Keeps every particle at or below a speed.",
                                        "limit: speed", &kSpeedLimitTable});
ShippedClass<GroundPlane> g_ground({kClassDaemon, kGroundPlaneId, "Ground plane", "Ground plane",
                                    "An infinite floor the particles bounce and slide on.",
                                    "limit: floor", &kGroundTable});

}  // namespace

ShippedDescriptor* SpeedLimitClass() { return &g_speed_limit; }
ShippedDescriptor* GroundPlaneClass() { return &g_ground; }

}  // namespace shipped
