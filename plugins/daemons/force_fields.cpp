// Force fields. Each adds an acceleration to the particles' force (a force per unit mass,
// integrated after the daemons), so the particles' own inertia, pressure and viscosity stay
// in charge of the motion. Fields that pull velocities toward a target (wind, drag, vortex)
// take the exact exponential share of the gap for the step, so no coupling is too stiff.
#include <array>

#include "daemons.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

// Gravity: a uniform acceleration along the daemon's down axis (its local -y).
enum GravityParam { kGravityStrength };
constexpr std::array<ParamSpec, 1> kGravitySpecs = {{
    {kIdStrength, "Strength (units/s2)", 9.81f, 0.0f, 0.0f, FieldKind::Number},
}};
const ParamTable kGravityTable{kGravitySpecs.data(), 1};

class Gravity final : public ShippedDaemon {
public:
    Gravity() : ShippedDaemon(kGravityTable) {}

    // An arrow one unit long, down its axis.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        gl::Arrow(Vector(0, 0, 0), Vector(0, -1, 0));
        gl::Box(Vector(-0.08f, 0, -0.08f), Vector(0.08f, 0.16f, 0.08f));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const Vector g = NodeFrame::Of(*this).Up() * -P(kGravityStrength);
        for (Particula* p = f->First(); p; p = p->next) p->force = p->force + g;
    }
};

// Wind: moving air along the daemon's local z axis. Particles are dragged toward the wind's
// velocity at Coupling (1/s): with no other force they reach the wind speed, and a falling
// particle reaches a terminal speed of g / Coupling. Gusts vary the speed with noise that
// travels with the wind.
enum WindParam { kWindSpeed, kWindCoupling, kWindGusts };
constexpr std::array<ParamSpec, 3> kWindSpecs = {{
    {kIdSpeed, "Speed (units/s)", 2.0f, 0.0f, 0.0f, FieldKind::Number},
    {kIdCoupling, "Coupling (1/s)", 1.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdGusts, "Gusts (0-1)", 0.0f, 0.0f, 1.0f, FieldKind::Number},
}};
const ParamTable kWindTable{kWindSpecs.data(), 3};

class Wind final : public ShippedDaemon {
public:
    Wind() : ShippedDaemon(kWindTable) {}

    // Three arrows along the way the air moves.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        for (float x : {-0.25f, 0.0f, 0.25f}) gl::Arrow(Vector(x, 0, -0.5f), Vector(x, 0, 0.5f));
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const NodeFrame frame = NodeFrame::Of(*this);
        const Vector dir = frame.axis[2];
        const float speed = P(kWindSpeed);
        const float gusts = P(kWindGusts);
        const float k = RelaxFactor(P(kWindCoupling), inct);
        constexpr float kGustLength = 2.0f;  // scene units between gust fronts
        const float travelled = speed * tbuzz / kGustLength;
        for (Particula* p = f->First(); p; p = p->next) {
            float s = speed;
            if (gusts > 0.0f) {
                Vector q = frame.Local(p->pos) * (1.0f / kGustLength);
                q.z -= travelled;
                s *= 1.0f + gusts * Noise3(q);
            }
            p->force = p->force + (dir * s - p->vel) * k;
        }
    }
};

// Drag: air resistance, a linear part (1/s) and a quadratic part (1/units, grows with speed).
enum DragParam { kDragLinear, kDragQuadratic };
constexpr std::array<ParamSpec, 2> kDragSpecs = {{
    {kIdLinear, "Linear (1/s)", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdQuadratic, "Quadratic (1/units)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kDragTable{kDragSpecs.data(), 2};

class Drag final : public ShippedDaemon {
public:
    Drag() : ShippedDaemon(kDragTable) {}

    // A ring with short strokes pointing in: what slows everything down.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        gl::Circle(0.3f, 1);
        for (const Vector& d : {Vector(1, 0, 0), Vector(-1, 0, 0), Vector(0, 0, 1), Vector(0, 0, -1)}) {
            gl::Line(d * 0.3f, d * 0.15f);
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const float linear = P(kDragLinear), quadratic = P(kDragQuadratic);
        for (Particula* p = f->First(); p; p = p->next) {
            const float rate = linear + quadratic * p->vel.Modulo();
            p->force = p->force - p->vel * RelaxFactor(rate, inct);
        }
    }
};

// Attractor: a pull toward the daemon's position of Strength (units/s2) at one unit away,
// falling off as 1 / distance^Falloff (2 is the law of gravity, 0 a constant pull). Inside
// the fluid's smoothing length the pull fades linearly to nothing at the centre, as inside a
// uniform ball, so particles pass through instead of being flung out. Range limits the reach
// (0: everywhere); a negative strength repels.
enum AttractorParam { kAttractStrength, kAttractFalloff, kAttractRange };
constexpr std::array<ParamSpec, 3> kAttractorSpecs = {{
    {kIdStrength, "Strength (units/s2)", 5.0f, 0.0f, 0.0f, FieldKind::Number},
    {kIdFalloff, "Falloff (power)", 2.0f, 0.0f, 4.0f, FieldKind::Number},
    {kIdRange, "Range (0 all)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kAttractorTable{kAttractorSpecs.data(), 3};

class Attractor final : public ShippedDaemon {
public:
    Attractor() : ShippedDaemon(kAttractorTable) {}

    // Arrows towards the centre (away from it when it repels), and its reach when limited.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        const bool repels = P(kAttractStrength) < 0.0f;
        for (const Vector& d : {Vector(1, 0, 0), Vector(-1, 0, 0), Vector(0, 1, 0), Vector(0, -1, 0),
                                Vector(0, 0, 1), Vector(0, 0, -1)}) {
            if (repels) {
                gl::Arrow(d * 0.1f, d * 0.4f);
            } else {
                gl::Arrow(d * 0.4f, d * 0.1f);
            }
        }
        if (P(kAttractRange) > 0.0f) {
            for (int axis = 0; axis < 3; ++axis) gl::Circle(P(kAttractRange), axis);
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const Vector centre = NodeFrame::Of(*this).origin;
        const float strength = P(kAttractStrength);
        const float n = P(kAttractFalloff);
        const float range = P(kAttractRange);
        const float core = std::max(f->h, 1e-3f);
        const float at_core = strength * std::pow(core, -n);
        for (Particula* p = f->First(); p; p = p->next) {
            const Vector d = centre - p->pos;
            const float r = d.Modulo();
            if (r <= 0.0f || (range > 0.0f && r > range)) continue;
            const float a = r < core ? at_core * r / core : strength * std::pow(r, -n);
            p->force = p->force + d * (a / r);
        }
    }
};

// Vortex: air turning about the daemon's up axis, counter-clockwise seen from above. Its
// speed grows with the distance up to Radius (solid rotation) and falls as 1/distance beyond
// it; particles are drawn into it at Coupling, and turning particles get the inward
// acceleration that keeps them on their circle. Range limits the reach (0: everywhere).
enum VortexParam { kVortexSpeed, kVortexRadius, kVortexCoupling, kVortexRange };
constexpr std::array<ParamSpec, 4> kVortexSpecs = {{
    {kIdSpeed, "Speed (units/s)", 2.0f, 0.0f, 0.0f, FieldKind::Number},
    {kIdRadius, "Radius", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdCoupling, "Coupling (1/s)", 2.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdRange, "Range (0 all)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kVortexTable{kVortexSpecs.data(), 4};

class Vortex final : public ShippedDaemon {
public:
    Vortex() : ShippedDaemon(kVortexTable) {}

    // Its axis, the circle where it turns fastest and a spiral turning its way.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        const float r = std::max(P(kVortexRadius), 0.05f);
        gl::Line(Vector(0, -0.5f, 0), Vector(0, 0.5f, 0));
        gl::Circle(r, 1);
        const float turn = P(kVortexSpeed) < 0.0f ? -1.0f : 1.0f;
        Vector last(0, 0, 0);
        for (int i = 1; i <= 48; ++i) {
            const float t = static_cast<float>(i) / 48.0f;
            const float a = turn * t * 4.0f * 3.14159265f;
            const Vector p(1.5f * r * t * std::cos(a), 0.0f, -1.5f * r * t * std::sin(a));
            if (i == 48) {
                gl::Arrow(last, p);
            } else {
                gl::Line(last, p);
            }
            last = p;
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f) return;
        const NodeFrame frame = NodeFrame::Of(*this);
        const Vector axis = frame.Up();
        const float speed = P(kVortexSpeed);
        const float radius = std::max(P(kVortexRadius), 1e-4f);
        const float range = P(kVortexRange);
        const float k = RelaxFactor(P(kVortexCoupling), inct);
        for (Particula* p = f->First(); p; p = p->next) {
            const Vector d = p->pos - frame.origin;
            const Vector radial = d - axis * (d * axis);
            const float r = radial.Modulo();
            if (r < 1e-6f || (range > 0.0f && r > range)) continue;
            const Vector out = radial / r;
            const Vector around = Cross(axis, out);
            const float target = r < radius ? speed * r / radius : speed * radius / r;
            const float turning = p->vel * around;
            // Only as fast as the vortex itself, so a fast stray is not yanked to the axis.
            const float held = std::min(std::fabs(turning), std::fabs(target));
            p->force = p->force + around * ((target - turning) * k) - out * (held * held / r);
        }
    }
};

// Noise: turbulence. The acceleration is the curl of a noise field, so it stirs the fluid in
// eddies of about Size without squeezing or spreading it; the pattern drifts through space at
// Change sizes per second. Placed and turned with the daemon.
enum NoiseParam { kNoiseStrength, kNoiseSize, kNoiseChange };
constexpr std::array<ParamSpec, 3> kNoiseSpecs = {{
    {kIdStrength, "Strength (units/s2)", 2.0f, 0.0f, 0.0f, FieldKind::Number},
    {kIdEddySize, "Size (units)", 0.5f, 0.001f, kNoLimit, FieldKind::Number},
    {kIdChange, "Change (1/s)", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
}};
const ParamTable kNoiseTable{kNoiseSpecs.data(), 3};

class Noise final : public ShippedDaemon {
public:
    Noise() : ShippedDaemon(kNoiseTable) {}

    // A cube as wide as its eddies, with a wavy line through it.
    void RepresentaNodo() override {
        gl::Begin(*this, kForceColour);
        const float h = 0.5f * P(kNoiseSize);
        gl::Box(Vector(-h, -h, -h), Vector(h, h, h));
        Vector last(-h, 0, 0);
        for (int i = 1; i <= 16; ++i) {
            const float x = -h + 2.0f * h * static_cast<float>(i) / 16.0f;
            const Vector p(x, 0.4f * h * std::sin(static_cast<float>(i) * 1.2f), 0.3f * h * std::cos(static_cast<float>(i)));
            gl::Line(last, p);
            last = p;
        }
        gl::End();
    }

    void Affect(Fluido* f) override {
        if (!f || P(kNoiseStrength) == 0.0f || !(P(kNoiseSize) > 0.0f)) return;
        const NodeFrame frame = NodeFrame::Of(*this);
        const float inv = 1.0f / P(kNoiseSize);
        const Vector drift = Vector(0.61f, 0.37f, 0.83f) * (P(kNoiseChange) * tbuzz);
        for (Particula* p = f->First(); p; p = p->next) {
            const Vector c = Curl(frame.Local(p->pos) * inv + drift) * P(kNoiseStrength);
            p->force = p->force + frame.axis[0] * c.x + frame.axis[1] * c.y + frame.axis[2] * c.z;
        }
    }

private:
    // Curl of VNoise3 at q by central differences.
    static Vector Curl(const Vector& q) {
        constexpr float e = 0.05f;
        const Vector dx = (VNoise3(q + Vector(e, 0, 0)) - VNoise3(q - Vector(e, 0, 0))) / (2 * e);
        const Vector dy = (VNoise3(q + Vector(0, e, 0)) - VNoise3(q - Vector(0, e, 0))) / (2 * e);
        const Vector dz = (VNoise3(q + Vector(0, 0, e)) - VNoise3(q - Vector(0, 0, e))) / (2 * e);
        return Vector(dy.z - dz.y, dz.x - dx.z, dx.y - dy.x);
    }
};

ShippedClass<Gravity> g_gravity({kClassDaemon, kGravityId, "Gravity", "Gravity",
                                 "A uniform acceleration along the daemon's down axis.",
                                 "force field: uniform", &kGravityTable});
ShippedClass<Wind> g_wind({kClassDaemon, kWindId, "Wind", "Wind",
                           "Moving air along the daemon's z axis that drags particles toward "
                           "its speed, with optional gusts.",
                           "force field: air flow", &kWindTable});
ShippedClass<Drag> g_drag({kClassDaemon, kDragId, "Drag", "Drag",
                           "Air resistance that slows every particle.", "force field: damping",
                           &kDragTable});
ShippedClass<Attractor> g_attractor({kClassDaemon, kAttractorId, "Attractor", "Attractor",
                                     "Pulls particles toward the daemon's position, weaker with "
                                     "distance; a negative strength repels.",
                                     "force field: point", &kAttractorTable});
ShippedClass<Vortex> g_vortex({kClassDaemon, kVortexId, "Vortex", "Vortex",
                               "Swirls particles around the daemon's up axis.",
                               "force field: swirl", &kVortexTable});
ShippedClass<Noise> g_noise({kClassDaemon, kNoiseId, "Noise", "Noise",
                             "Turbulence: eddies that stir the fluid and change over time.",
                             "force field: turbulence", &kNoiseTable});

}  // namespace

ShippedDescriptor* GravityClass() { return &g_gravity; }
ShippedDescriptor* WindClass() { return &g_wind; }
ShippedDescriptor* DragClass() { return &g_drag; }
ShippedDescriptor* AttractorClass() { return &g_attractor; }
ShippedDescriptor* VortexClass() { return &g_vortex; }
ShippedDescriptor* NoiseClass() { return &g_noise; }

}  // namespace shipped
