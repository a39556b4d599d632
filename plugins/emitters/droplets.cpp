// Droplets: a spray whose particles are rendered as drops. The emitter builds the fluid's mesh
// itself: every particle becomes a small sphere of Drop radius, drawn out along its velocity by
// Stretch, with the particle's texture coordinate and velocity on its vertices. Sparse spray
// turns into specks or blobs as a field surface, and a fine one takes long to build; ready-made
// drops cost next to nothing and render cleanly, with motion blur.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "emitters.h"
#include "shipped_ids.h"

namespace shipped {
namespace {

enum DropParam {
    kDropRate,
    kDropSpeed,
    kDropAngle,
    kDropRandom,
    kDropStart,
    kDropStop,
    kDropRadius,
    kDropStretch,
    kDropDetail,
    kDropCount
};
constexpr std::array<ParamSpec, kDropCount> kDropSpecs = {{
    {kIdRate, "Rate (particles/s)", 200.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdSpeed, "Speed (units/s)", 2.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdAngle, "Angle (deg)", 15.0f, 0.0f, 180.0f, FieldKind::Number},
    {kIdRandom, "Random (0-1)", 0.1f, 0.0f, 1.0f, FieldKind::Number},
    {kIdStart, "Start (s)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdStop, "Stop (s, 0 never)", 0.0f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdDropRadius, "Drop radius", 0.02f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdStretch, "Stretch (s)", 0.02f, 0.0f, kNoLimit, FieldKind::Number},
    {kIdDetail, "Detail (0-2)", 1.0f, 0.0f, 2.0f, FieldKind::Number},
}};
const ParamTable kDropTable{kDropSpecs.data(), kDropCount};

// A unit sphere: the icosahedron, each level splitting every face into four. Faces run
// counter-clockwise seen from outside.
struct Sphere {
    std::vector<Vector> points;
    std::vector<std::array<int, 3>> faces;
};

Sphere Icosphere(int level) {
    const float t = (1.0f + std::sqrt(5.0f)) / 2.0f;
    Sphere s;
    for (const Vector& p :
         {Vector(-1, t, 0), Vector(1, t, 0), Vector(-1, -t, 0), Vector(1, -t, 0), Vector(0, -1, t),
          Vector(0, 1, t), Vector(0, -1, -t), Vector(0, 1, -t), Vector(t, 0, -1), Vector(t, 0, 1),
          Vector(-t, 0, -1), Vector(-t, 0, 1)}) {
        s.points.push_back(p / p.Modulo());
    }
    s.faces = {{0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
               {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
               {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int l = 0; l < level; ++l) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto found = middle.find(key);
            if (found != middle.end()) return found->second;
            const Vector m = s.points[static_cast<size_t>(a)] + s.points[static_cast<size_t>(b)];
            s.points.push_back(m / m.Modulo());
            middle.emplace(key, static_cast<int>(s.points.size()) - 1);
            return static_cast<int>(s.points.size()) - 1;
        };
        std::vector<std::array<int, 3>> finer;
        for (const auto& f : s.faces) {
            const int a = mid(f[0], f[1]), b = mid(f[1], f[2]), c = mid(f[2], f[0]);
            finer.push_back({f[0], a, c});
            finer.push_back({f[1], b, a});
            finer.push_back({f[2], c, b});
            finer.push_back({a, b, c});
        }
        s.faces.swap(finer);
    }
    return s;
}

const Sphere& SphereOf(int level) {
    static const Sphere spheres[3] = {Icosphere(0), Icosphere(1), Icosphere(2)};
    return spheres[std::clamp(level, 0, 2)];
}

class Droplets final : public SprayingEmitter<Droplets> {
  public:
    static constexpr int kStart = kDropStart;
    Droplets() : SprayingEmitter(kDropTable) { flags |= kEmitterBuildsMesh; }

    void HowManyPoli(int* vertices, int* faces) override {
        const Sphere& s = SphereOf(Detail());
        // Never more than the mesh's arrays can index.
        const long long most = (1LL << 26) / static_cast<long long>(s.points.size());
        drops_ = fluid ? static_cast<int>(std::min<long long>(fluid->count, most)) : 0;
        *vertices = drops_ * static_cast<int>(s.points.size());
        *faces = drops_ * static_cast<int>(s.faces.size());
    }

    void Poligoniza(MeshBuilder* builder) override {
        Mesh* m = builder ? builder->mesh : nullptr;
        if (!m || !fluid || !m->vertices || !m->faces) return;
        const Sphere& s = SphereOf(Detail());
        const int nv = static_cast<int>(s.points.size());
        const int nf = static_cast<int>(s.faces.size());
        const int n = std::min(drops_, m->numVertices / std::max(nv, 1));
        const size_t total = static_cast<size_t>(n) * static_cast<size_t>(nv);
        if (m->motionBlur) {
            m->velocities =
                static_cast<Vector*>(std::calloc(std::max<size_t>(total, 1), sizeof(Vector)));
        }
        if (m->calcUVW && m->texCoords) {
            // One link: every vertex belongs wholly to this fluid.
            m->fluidWeights =
                static_cast<float**>(std::calloc(std::max<size_t>(total, 1), sizeof(float*)));
            for (size_t i = 0; m->fluidWeights && i < total; ++i) {
                m->fluidWeights[i] = static_cast<float*>(std::malloc(sizeof(float)));
                if (m->fluidWeights[i]) m->fluidWeights[i][0] = 1.0f;
            }
        }
        const float radius = P(kDropRadius);
        const float stretch = P(kDropStretch);
        int drop = 0;
        for (Particula* p = fluid->First(); p && drop < n; p = p->next, ++drop) {
            const Vector& centre = fluid->useAltPos ? p->altPos : p->pos;
            const float speed = p->vel.Modulo();
            const Vector along = speed > 1e-12f ? p->vel / speed : Vector(0, 0, 0);
            const float longer = speed * stretch;  // extra length per unit of the radius
            const int base = drop * nv;
            for (int i = 0; i < nv; ++i) {
                const Vector& u = s.points[static_cast<size_t>(i)];
                const Vector offset = (u + along * ((u * along) * longer)) * radius;
                const int at = base + i;
                m->vertices[at] = centre + offset;
                m->vertexNormals[at] = u;
                m->colours[at] = fluid->colour;
                if (m->texCoords) m->texCoords[at] = p->texCoord + offset;
                if (m->velocities) m->velocities[at] = p->vel;
            }
            for (int f = 0; f < nf; ++f) {
                for (int k = 0; k < 3; ++k) {
                    m->faces[drop * nf + f][k] =
                        base + s.faces[static_cast<size_t>(f)][static_cast<size_t>(k)];
                }
            }
        }
    }

    void Representa() override {
        gl::Begin(*this, kEmitterColour);
        gl::Cone(std::clamp(0.2f * P(kDropSpeed), 0.15f, 1.0f), P(kDropAngle));
        gl::End();
    }

  private:
    friend class SprayingEmitter<Droplets>;
    int Detail() const { return static_cast<int>(std::lround(P(kDropDetail))); }
    SprayShape Shape() const {
        return {P(kDropRate),   P(kDropSpeed), P(kDropAngle),
                P(kDropRandom), P(kDropStart), P(kDropStop)};
    }

    int drops_ = 0;
};

ShippedClass<Droplets> g_droplets({kClassEmitter, kDropletsId, "Droplets", "Droplets",
                                   "A spray whose particles become drops: the fluid's mesh is one "
                                   "small sphere per particle, drawn out along its velocity.",
                                   "point emitter: cone, builds its own mesh", &kDropTable});

}  // namespace

ShippedDescriptor* DropletsClass() {
    return &g_droplets;
}

}  // namespace shipped
