// Continuous emitters. Each releases layers of particles across its shape, which lies in the
// emitter's local xz plane, moving along the local up axis at Speed. Points of a layer sit
// on a square grid at the fluid's fill spacing s, and a layer is due every s / Speed
// seconds, so the stream is a cubic lattice of spacing s: the fluid's rest density.
#include <array>

#include "emission_clock.h"
#include "emitters.h"
#include "gl_shapes.h"
#include "node_frame.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum LayerParam { kLayerSize, kLayerSpeed, kLayerRandom, kLayerStart, kLayerStop, kLayerCount };

// The tables differ only in what the size means.
constexpr std::array<ParamSpec, kLayerCount> LayerSpecs(const char* size_label, float size) {
    return {{
        {kIdSize, size_label, size, 0.0f, kNoLimit, FieldKind::Number},
        {kIdSpeed, "Speed (units/s)", 1.0f, 0.0f, kNoLimit, FieldKind::Number},
        {kIdRandom, "Random (0-1)", 0.1f, 0.0f, 1.0f, FieldKind::Number},
        {kIdStart, "Start (s)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
        {kIdStop, "Stop (s, 0 never)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
    }};
}

constexpr auto kCircleSpecs = LayerSpecs("Radius", 0.25f);
constexpr auto kSquareSpecs = LayerSpecs("Side", 0.5f);
constexpr auto kTriangleSpecs = LayerSpecs("Side", 0.5f);
constexpr auto kLinearSpecs = LayerSpecs("Length", 0.5f);

const ParamTable kCircleTable{kCircleSpecs.data(), kLayerCount};
const ParamTable kSquareTable{kSquareSpecs.data(), kLayerCount};
const ParamTable kTriangleTable{kTriangleSpecs.data(), kLayerCount};
const ParamTable kLinearTable{kLinearSpecs.data(), kLayerCount};

class LayerEmitter : public ShippedEmitter {
public:
    using ShippedEmitter::ShippedEmitter;

    void PostCreation() override {
        ShippedEmitter::PostCreation();
        CalculaDependientes();
        clock_.Reset(P(kLayerStart));
    }
    void AboutReset() override { clock_.Reset(P(kLayerStart)); }
    void NotifyReset() override { clock_.Reset(P(kLayerStart)); }
    // A new start time counts from the next reset, unless nothing has run yet.
    void ParamsChanged() override {
        Shipped::ParamsChanged();
        if (fluid && fluid->emitTime == 0.0f) clock_.Reset(P(kLayerStart));
    }

    void Crea() override {
        if (!fluid) return;
        const NodeFrame frame = NodeFrame::Of(*this);
        const float s = fluid->fillSpacing;
        const float speed = P(kLayerSpeed);
        const Vector vel = frame.Up() * speed;
        const float jitter = P(kLayerRandom) * 0.5f * s;
        bool laid_out = false;
        clock_.Run(fluid->emitTime, Interval(), P(kLayerStart), P(kLayerStop), [&](float late) {
            if (fluid->count >= fluid->maxParticles) return false;
            if (!laid_out) {
                // Never more points than the fluid has room for, however fine the spacing.
                layer_.clear();
                LayerPoints(s, frame.size.x, frame.size.z,
                            static_cast<size_t>(fluid->maxParticles - fluid->count), layer_);
                laid_out = true;
            }
            // A late layer has already travelled for `late` seconds.
            const Vector shift = vel * late;
            for (const Vector& q : layer_) {
                if (fluid->count >= fluid->maxParticles) break;
                Vector p = frame.Place(q.x, 0.0f, q.z) + shift;
                if (jitter > 0.0f) p = p + Jitter(jitter);
                fluid->CreaParticula(p, vel);
            }
            return true;
        });
    }

    // The next layer's time: the driver ends a step on it.
    float DameTiempoMaximo() override {
        if (!fluid) return 0.0f;
        return clock_.Next(fluid->emitTime, Interval(), P(kLayerStart), P(kLayerStop));
    }

    Vector DameCentro() override { return NodeFrame::Of(*this).origin; }

    // The shape particles leave through, and an arrow along their way as long as a fifth of
    // a second's travel (within limits, so that it stays readable).
    void Representa() override {
        gl::Begin(*this, kEmitterColour);
        Outline();
        const float reach = std::clamp(0.2f * P(kLayerSpeed), 0.15f, 1.0f);
        gl::Arrow(Vector(0, 0, 0), Vector(0, reach, 0));
        gl::End();
    }

protected:
    virtual void Outline() const = 0;

    // The points of one layer as (u, 0, w) in world units along the local x and z axes, for
    // spacing s and the node's scale sx, sz along those axes; no more than `most`.
    virtual void LayerPoints(float s, float sx, float sz, size_t most,
                             std::vector<Vector>& out) const = 0;

private:
    double Interval() const {
        const float s = fluid ? fluid->fillSpacing : 0.0f;
        const float speed = P(kLayerSpeed);
        return s > 0.0f && speed > 0.0f ? static_cast<double>(s) / speed : 0.0;
    }

    EmissionClock clock_;
    std::vector<Vector> layer_;  // reused from layer to layer
};

class Circle final : public LayerEmitter {
public:
    Circle() : LayerEmitter(kCircleTable) {}

protected:
    void Outline() const override { gl::Circle(P(kLayerSize), 1); }
    void LayerPoints(float s, float sx, float sz, size_t most,
                     std::vector<Vector>& out) const override {
        DiscPoints(P(kLayerSize) * sx, P(kLayerSize) * sz, s, 0.0f, most, out);
    }
};

class Square final : public LayerEmitter {
public:
    Square() : LayerEmitter(kSquareTable) {}

protected:
    void Outline() const override { gl::Square(P(kLayerSize)); }
    // Each point in the middle of its own s × s cell of the square.
    void LayerPoints(float s, float sx, float sz, size_t most,
                     std::vector<Vector>& out) const override {
        const int nx = PointsAcross(P(kLayerSize) * sx, s);
        const int nz = PointsAcross(P(kLayerSize) * sz, s);
        for (int i = 0; i < nx; ++i) {
            for (int k = 0; k < nz; ++k) {
                if (out.size() >= most) return;
                out.emplace_back(CentredPoint(i, nx, s), 0.0f, CentredPoint(k, nz, s));
            }
        }
    }
};

class Triangle final : public LayerEmitter {
public:
    Triangle() : LayerEmitter(kTriangleTable) {}

protected:
    void Outline() const override {
        const float side = P(kLayerSize), root3 = 1.7320508f;
        const Vector top(0, 0, side / root3), left(-0.5f * side, 0, -side / (2.0f * root3));
        const Vector right(0.5f * side, 0, -side / (2.0f * root3));
        gl::Line(top, left);
        gl::Line(left, right);
        gl::Line(right, top);
    }
    // An equilateral triangle centred on its centroid, one corner towards local +z.
    void LayerPoints(float s, float sx, float sz, size_t most,
                     std::vector<Vector>& out) const override {
        const float side = P(kLayerSize);
        if (!(side > 0.0f) || !(s > 0.0f) || !(sx > 0.0f) || !(sz > 0.0f)) return;
        const float root3 = 1.7320508f;
        const float top = side / root3 * sz;            // corner on +z
        const float bottom = -side / (2.0f * root3) * sz;  // the opposite side
        const float half = 0.5f * side * sx;             // half the base
        const float tol = 1e-4f * s;
        constexpr float kMostAcross = 100000.0f;
        const int ni = static_cast<int>(std::min(half / s + 1e-4f, kMostAcross));
        const int j0 = static_cast<int>(std::max(std::ceil(bottom / s - 1e-4f), -kMostAcross));
        const int j1 = static_cast<int>(std::min(std::floor(top / s + 1e-4f), kMostAcross));
        for (int j = j0; j <= j1; ++j) {
            const float w = static_cast<float>(j) * s;
            // Half-width of the triangle at this w shrinks linearly to 0 at the top corner.
            const float reach = half * (top - w) / (top - bottom) + tol;
            const int across = std::min(ni, static_cast<int>(std::min(reach / s, kMostAcross)) + 1);
            for (int i = -across; i <= across; ++i) {
                const float u = static_cast<float>(i) * s;
                if (std::fabs(u) > reach) continue;
                if (out.size() >= most) return;
                out.emplace_back(u, 0.0f, w);
            }
        }
    }
};

class Linear final : public LayerEmitter {
public:
    Linear() : LayerEmitter(kLinearTable) {}

protected:
    void Outline() const override { gl::Line(Vector(-0.5f * P(kLayerSize), 0, 0), Vector(0.5f * P(kLayerSize), 0, 0)); }
    // A row along local x: the stream is a curtain one particle thick.
    void LayerPoints(float s, float sx, float, size_t most,
                     std::vector<Vector>& out) const override {
        const int n = PointsAcross(P(kLayerSize) * sx, s);
        for (int i = 0; i < n && out.size() < most; ++i) {
            out.emplace_back(CentredPoint(i, n, s), 0.0f, 0.0f);
        }
    }
};

ShippedClass<Circle> g_circle({kClassEmitter, kCircleId, "Circle", "Circle",
                               "A stream of particles through a disc, along the emitter's up "
                               "axis, at the fluid's rest density.",
                               "continuous emitter: disc", &kCircleTable});
ShippedClass<Square> g_square({kClassEmitter, kSquareId, "Square", "Square",
                               "A stream of particles through a square, along the emitter's up "
                               "axis, at the fluid's rest density.",
                               "continuous emitter: square", &kSquareTable});
ShippedClass<Triangle> g_triangle({kClassEmitter, kTriangleId, "Triangle", "Triangle",
                                   "A stream of particles through an equilateral triangle, along "
                                   "the emitter's up axis, at the fluid's rest density.",
                                   "continuous emitter: triangle", &kTriangleTable});
ShippedClass<Linear> g_linear({kClassEmitter, kLinearId, "Linear", "Linear",
                               "A curtain of particles released along a line, moving along the "
                               "emitter's up axis.",
                               "continuous emitter: line", &kLinearTable});

}  // namespace

void DiscPointsAt(float a, float b, float s, float y, float phase, size_t most,
                  std::vector<Vector>& out) {
    if (!(a > 0.0f) || !(b > 0.0f) || !(s > 0.0f)) return;
    const int ni = static_cast<int>(std::min(a / s + 1.0f, 100000.0f));
    const int nk = static_cast<int>(std::min(b / s + 1.0f, 100000.0f));
    for (int i = -ni; i <= ni; ++i) {
        const float u = (static_cast<float>(i) + phase) * s;
        // Only the columns the ellipse can reach on this row are tried (with one to spare on
        // each side), so the work follows the points made, not the lattice's bounding square.
        const float left = 1.0f + 1e-5f - (u / a) * (u / a);
        if (left < 0.0f) continue;
        const float reach = b * std::sqrt(left) / s + 1.0f;
        const int k0 = std::max(-nk, static_cast<int>(std::floor(-reach - phase)));
        const int k1 = std::min(nk, static_cast<int>(std::ceil(reach - phase)));
        for (int k = k0; k <= k1; ++k) {
            const float w = (static_cast<float>(k) + phase) * s;
            if ((u / a) * (u / a) + (w / b) * (w / b) <= 1.0f + 1e-5f) {
                if (out.size() >= most) return;
                out.emplace_back(u, y, w);
            }
        }
    }
}

float BestDiscPhase(float a, float b, float s, size_t most) {
    if (!(a > 0.0f) || !(b > 0.0f) || !(s > 0.0f)) return 0.0f;
    std::vector<Vector> on, off;
    DiscPointsAt(a, b, s, 0.0f, 0.0f, most, on);
    DiscPointsAt(a, b, s, 0.0f, 0.5f, most, off);
    const float cells = 3.14159265f * a * b / (s * s);
    return std::fabs(static_cast<float>(off.size()) - cells) <
                   std::fabs(static_cast<float>(on.size()) - cells)
               ? 0.5f
               : 0.0f;
}

void DiscPoints(float a, float b, float s, float y, size_t most, std::vector<Vector>& out) {
    DiscPointsAt(a, b, s, y, BestDiscPhase(a, b, s, most), most, out);
}

ShippedDescriptor* CircleClass() { return &g_circle; }
ShippedDescriptor* SquareClass() { return &g_square; }
ShippedDescriptor* TriangleClass() { return &g_triangle; }
ShippedDescriptor* LinearClass() { return &g_linear; }

}  // namespace shipped
