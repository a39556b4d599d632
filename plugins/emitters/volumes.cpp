// Volume emitters: a shape filled with particles at the fluid's fill spacing whenever the
// fluid is reset (Regenera empties the fluid and calls CalculaDependientes), all starting
// with one velocity. Until the simulation has run, moving the emitter or changing its
// parameters refills it in place, so the artist sees the volume where it will start; once
// the fluid has run, changes wait for the next reset.
#include <array>
#include <cstring>

#include "emitters.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

// Initial velocity (world axes, shown x, y, z) and jitter: the last rows of every table.
constexpr std::array<ParamSpec, 4> kMotionRows = {{
    {kIdVelX, "Velocity (units/s)", 0.0f, 0.0f, 0.0f, FieldKind::AxisX},
    {kIdVelY, "", 0.0f, 0.0f, 0.0f, FieldKind::AxisY},
    {kIdVelZ, "", 0.0f, 0.0f, 0.0f, FieldKind::AxisZ},
    {kIdRandom, "Random (0-1)", 0.05f, 0.0f, 1.0f, FieldKind::Number},
}};

template <size_t N>
constexpr std::array<ParamSpec, N + kMotionRows.size()> WithMotion(
    const std::array<ParamSpec, N>& shape) {
    std::array<ParamSpec, N + kMotionRows.size()> all{};
    for (size_t i = 0; i < N; ++i) all[i] = shape[i];
    for (size_t i = 0; i < kMotionRows.size(); ++i) all[N + i] = kMotionRows[i];
    return all;
}

enum SphereParam { kSphereRadius, kSphereVel, kSphereRandom = kSphereVel + 3 };
constexpr auto kSphereSpecs = WithMotion<1>({{
    {kIdSize, "Radius", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
}});

enum CubeParam { kCubeWidth, kCubeHeight, kCubeDepth, kCubeVel, kCubeRandom = kCubeVel + 3 };
constexpr auto kCubeSpecs = WithMotion<3>({{
    {kIdWidth, "Width (x)", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdHeight, "Height (y)", 1.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdDepth, "Depth (z)", 0.5f, 0.0f, kNoLimit, FieldKind::Number},
}});

enum CylinderParam { kCylRadius, kCylHeight, kCylVel, kCylRandom = kCylVel + 3 };
constexpr auto kCylinderSpecs = WithMotion<2>({{
    {kIdSize, "Radius", 0.25f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdHeight, "Height (y)", 1.0f, 0.0f, kNoLimit, FieldKind::Number},
}});

const ParamTable kSphereTable{kSphereSpecs.data(), static_cast<int>(kSphereSpecs.size())};
const ParamTable kCubeTable{kCubeSpecs.data(), static_cast<int>(kCubeSpecs.size())};
const ParamTable kCylinderTable{kCylinderSpecs.data(), static_cast<int>(kCylinderSpecs.size())};

class VolumeEmitter : public ShippedEmitter {
public:
    VolumeEmitter(const ParamTable& table, int vel_index, int random_index)
        : ShippedEmitter(table), vel_index_(vel_index), random_index_(random_index) {}

    // The engine zeroes the new fluid's count after PostCreation, so nothing may be created
    // here: a new volume fluid is filled at its first reset or first edit.
    void PostCreation() override {
        ShippedEmitter::PostCreation();
        Shipped::CalculaDependientes();
    }

    void CalculaDependientes() override {
        Shipped::CalculaDependientes();
        Refill();
    }

    Vector DameCentro() override {
        const NodeFrame frame = NodeFrame::Of(*this);
        const Vector c = Centre(frame.size);
        return frame.Place(c.x, c.y, c.z);
    }

    // The volume that fills at a reset, and its starting velocity from its centre (a tenth of
    // a second's travel).
    void Representa() override {
        gl::Begin(*this, kEmitterColour);
        Outline();
        gl::End();
        const Vector vel(P(vel_index_), P(vel_index_ + 1), P(vel_index_ + 2));
        if (vel.Modulo() > 0.0f) {
            const Vector c = DameCentro();
            gl::BeginWorld(*this, kEmitterColour);
            gl::Arrow(c, c + vel * 0.1f);
            gl::End();
        }
    }

protected:
    // The volume in local units.
    virtual void Outline() const = 0;
    // The filled points in world units along the local axes, for spacing s and the node's
    // scale along each axis; no more than `most` of them, however fine s is.
    virtual void ShapePoints(float s, const Vector& size, size_t most,
                             std::vector<Vector>& out) const = 0;
    // The shape's centre in the same coordinates.
    virtual Vector Centre(const Vector& size) const = 0;

private:
    // What a fill depends on; a fill is redone only when one of these changed.
    struct FillKey {
        std::array<float, 16> matrix{};
        std::array<float, kMaxParams> params{};
        float spacing = 0.0f;
        bool operator==(const FillKey& o) const {
            return matrix == o.matrix && params == o.params && spacing == o.spacing;
        }
    };

    FillKey CurrentKey() {
        FillKey k;
        std::memcpy(k.matrix.data(), matrix.m, sizeof matrix.m);
        for (int i = 0; i < Params().table().count; ++i) k.params[i] = P(i);
        k.spacing = fluid ? fluid->fillSpacing : 0.0f;
        return k;
    }

    void Refill() {
        if (!fluid) return;
        const FillKey key = CurrentKey();
        // serial 0: nothing created since the fluid was emptied, i.e. a reset or a new fluid.
        if (fluid->serial == 0) {
            Fill(key);
        } else if (fluid->emitTime == 0.0f && !(key == filled_)) {
            fluid->RemoveALLParticles();
            Fill(key);
        }
    }

    void Fill(const FillKey& key) {
        filled_ = key;
        const NodeFrame frame = NodeFrame::Of(*this);
        const float s = fluid->fillSpacing;
        points_.clear();
        // Bounded before any point is made: a huge rest density must not ask for more points
        // than the fluid may hold.
        const int room = fluid->maxParticles - fluid->count;
        if (room <= 0) return;
        ShapePoints(s, frame.size, static_cast<size_t>(room), points_);
        const Vector vel(P(vel_index_), P(vel_index_ + 1), P(vel_index_ + 2));
        const float jitter = P(random_index_) * 0.5f * s;
        for (const Vector& q : points_) {
            if (fluid->count >= fluid->maxParticles) break;
            Vector p = frame.Place(q.x, q.y, q.z);
            if (jitter > 0.0f) p = p + Jitter(jitter);
            fluid->CreaParticula(p, vel);
        }
    }

    int vel_index_;
    int random_index_;
    FillKey filled_;
    std::vector<Vector> points_;
};

// Centred on the emitter.
class Sphere final : public VolumeEmitter {
public:
    Sphere() : VolumeEmitter(kSphereTable, kSphereVel, kSphereRandom) {}

protected:
    // Slices of the lattice in one phase throughout: the phase whose count is closer to the
    // volume in cells, as for discs.
    void ShapePoints(float s, const Vector& size, size_t most,
                     std::vector<Vector>& out) const override {
        const float r = P(kSphereRadius);
        const Vector semi(r * size.x, r * size.y, r * size.z);
        if (!(semi.x > 0.0f) || !(semi.y > 0.0f) || !(semi.z > 0.0f) || !(s > 0.0f)) return;
        const float cells = 4.1887902f * semi.x * semi.y * semi.z / (s * s * s);
        std::vector<Vector> phased[2];
        for (int ph = 0; ph < 2; ++ph) {
            Slices(semi, s, 0.5f * static_cast<float>(ph), most, phased[ph]);
        }
        const bool off = std::fabs(static_cast<float>(phased[1].size()) - cells) <
                         std::fabs(static_cast<float>(phased[0].size()) - cells);
        out.insert(out.end(), phased[off].begin(), phased[off].end());
    }
    Vector Centre(const Vector&) const override { return Vector(0, 0, 0); }
    void Outline() const override {
        for (int axis = 0; axis < 3; ++axis) gl::Circle(P(kSphereRadius), axis);
    }

private:
    static void Slices(const Vector& semi, float s, float phase, size_t most,
                       std::vector<Vector>& out) {
        const int nj = static_cast<int>(std::min(semi.y / s + 1.0f, 100000.0f));
        for (int j = -nj; j <= nj && out.size() < most; ++j) {
            const float v = (static_cast<float>(j) + phase) * s;
            const float h = 1.0f - (v / semi.y) * (v / semi.y);
            if (h < -1e-5f) continue;
            // The slice at height v is the equator's ellipse shrunk by sqrt(h).
            const float k = std::sqrt(std::max(h, 0.0f)) + 1e-6f;
            DiscPointsAt(semi.x * k, semi.z * k, s, v, phase, most, out);
        }
    }
};

// A box standing on the emitter: its base is centred on the emitter's position and it rises
// along the local up axis. With its defaults it is the column of a dam break.
class Cube final : public VolumeEmitter {
public:
    Cube() : VolumeEmitter(kCubeTable, kCubeVel, kCubeRandom) {}

protected:
    // Each point in the middle of its own s × s × s cell, so the bottom layer sits half a
    // spacing above the base.
    void ShapePoints(float s, const Vector& size, size_t most,
                     std::vector<Vector>& out) const override {
        const int nx = PointsAcross(P(kCubeWidth) * size.x, s);
        const int ny = PointsAcross(P(kCubeHeight) * size.y, s);
        const int nz = PointsAcross(P(kCubeDepth) * size.z, s);
        for (int j = 0; j < ny; ++j) {
            for (int i = 0; i < nx; ++i) {
                for (int k = 0; k < nz; ++k) {
                    if (out.size() >= most) return;
                    out.emplace_back(CentredPoint(i, nx, s), (static_cast<float>(j) + 0.5f) * s,
                                     CentredPoint(k, nz, s));
                }
            }
        }
    }
    Vector Centre(const Vector& size) const override {
        return Vector(0, 0.5f * P(kCubeHeight) * size.y, 0);
    }
    void Outline() const override {
        const float w = 0.5f * P(kCubeWidth), d = 0.5f * P(kCubeDepth);
        gl::Box(Vector(-w, 0, -d), Vector(w, P(kCubeHeight), d));
    }
};

// A cylinder standing on the emitter, its axis along the local up axis.
class Cylinder final : public VolumeEmitter {
public:
    Cylinder() : VolumeEmitter(kCylinderTable, kCylVel, kCylRandom) {}

protected:
    void ShapePoints(float s, const Vector& size, size_t most,
                     std::vector<Vector>& out) const override {
        const int ny = PointsAcross(P(kCylHeight) * size.y, s);
        for (int j = 0; j < ny && out.size() < most; ++j) {
            DiscPoints(P(kCylRadius) * size.x, P(kCylRadius) * size.z, s,
                       (static_cast<float>(j) + 0.5f) * s, most, out);
        }
    }
    Vector Centre(const Vector& size) const override {
        return Vector(0, 0.5f * P(kCylHeight) * size.y, 0);
    }
    void Outline() const override {
        const float r = P(kCylRadius), h = P(kCylHeight);
        gl::Circle(r, 1, 0.0f);
        gl::Circle(r, 1, h);
        for (const Vector& side : {Vector(r, 0, 0), Vector(-r, 0, 0), Vector(0, 0, r), Vector(0, 0, -r)}) {
            gl::Line(side, side + Vector(0, h, 0));
        }
    }
};

ShippedClass<Sphere> g_sphere({kClassEmitter, kSphereId, "Sphere", "Sphere",
                               "A ball of fluid at rest density, created at every reset with an "
                               "initial velocity.",
                               "volume emitter: sphere", &kSphereTable});
ShippedClass<Cube> g_cube({kClassEmitter, kCubeId, "Cube", "Cube",
                           "A box of fluid standing on the emitter, created at every reset: the "
                           "column of a dam break.",
                           "volume emitter: box", &kCubeTable});
ShippedClass<Cylinder> g_cylinder({kClassEmitter, kCylinderId, "Cylinder", "Cylinder",
                                   "A cylinder of fluid standing on the emitter, created at every "
                                   "reset with an initial velocity.",
                                   "volume emitter: cylinder", &kCylinderTable});

}  // namespace

ShippedDescriptor* SphereClass() { return &g_sphere; }
ShippedDescriptor* CubeClass() { return &g_cube; }
ShippedDescriptor* CylinderClass() { return &g_cylinder; }

}  // namespace shipped
