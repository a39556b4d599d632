// The optimiser: face subdivision where the surface bends, vertex removal where it is flat, and
// the face limit. It works on copies of the mesh's arrays with per-vertex lists it can merge,
// and puts the result back, sized exactly, at the end.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <utility>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/mesh_filters.h"
#include "mesh/refine_private.h"
#include "mesh/sweep_private.h"
#include "platform/format.h"

using mesh_refine::Cross;
using mesh_refine::FieldProbe;
using mesh_refine::Unit;

namespace {

constexpr float kPi = 3.14159265359f;
constexpr float kDegrees = 57.295776f;
constexpr float kSplitDegrees = 2.0f;

using Tri = std::array<int, 3>;

struct Work {
    std::vector<Vector> pos, colour, normal;
    std::vector<uint8_t> clip;
    std::vector<Tri> faces;
    std::vector<std::vector<int>> neighbours, faceLists;

    int Vertices() const { return static_cast<int>(pos.size()); }

    // The lists as the build records them: each face gives each corner the other two, once.
    void Adjacency() {
        neighbours.assign(pos.size(), {});
        faceLists.assign(pos.size(), {});
        for (size_t f = 0; f < faces.size(); ++f) {
            for (int k = 0; k < 3; ++k) {
                const auto v = static_cast<size_t>(faces[f][static_cast<size_t>(k)]);
                for (int j = 1; j < 3; ++j) {
                    AddOnce(&neighbours[v], faces[f][static_cast<size_t>((k + j) % 3)]);
                }
                faceLists[v].push_back(static_cast<int>(f));
            }
        }
    }
    static void AddOnce(std::vector<int>* list, int x) {
        if (std::find(list->begin(), list->end(), x) == list->end()) list->push_back(x);
    }

    mesh_refine::Csr Packed() const {
        mesh_refine::Csr adj;
        adj.start.reserve(pos.size() + 1);
        for (const auto& l : neighbours) {
            adj.start.push_back(static_cast<int>(adj.items.size()));
            adj.items.insert(adj.items.end(), l.begin(), l.end());
        }
        adj.start.push_back(static_cast<int>(adj.items.size()));
        return adj;
    }
};

void Load(const Mesh* m, Work* w) {
    const size_t n = static_cast<size_t>(m->numVertices);
    w->pos.assign(m->vertices, m->vertices + n);
    w->colour.assign(m->colours, m->colours + n);
    w->normal.assign(n, Vector(0, 0, 0));
    w->clip.assign(n, 0);
    if (m->clipFlags) w->clip.assign(m->clipFlags, m->clipFlags + n);
    w->faces.resize(static_cast<size_t>(m->numFaces));
    for (size_t f = 0; f < w->faces.size(); ++f) {
        w->faces[f] = {m->faces[f][0], m->faces[f][1], m->faces[f][2]};
    }
    w->Adjacency();
}

// The result into the mesh's arrays, each of exactly the size it needs.
bool Store(const Work& w, Mesh* m) {
    const size_t nv = std::max<size_t>(w.pos.size(), 1);
    const size_t nf = std::max<size_t>(w.faces.size(), 1);
    auto* vertices = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    auto* colours = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    auto* normals = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    auto* faces = static_cast<MeshFace*>(mesh_arrays::Take(nf * sizeof(MeshFace)));
    auto* face_normals = static_cast<Vector*>(mesh_arrays::Take(nf * sizeof(Vector)));
    auto* clip = m->clipFlags ? static_cast<unsigned char*>(std::calloc(nv, 1)) : nullptr;
    if (!vertices || !colours || !normals || !faces || !face_normals || (m->clipFlags && !clip)) {
        for (void* p : {static_cast<void*>(vertices), static_cast<void*>(colours),
                        static_cast<void*>(normals), static_cast<void*>(faces),
                        static_cast<void*>(face_normals)}) {
            mesh_arrays::Give(p);
        }
        std::free(clip);
        return false;
    }
    std::copy(w.pos.begin(), w.pos.end(), vertices);
    std::copy(w.colour.begin(), w.colour.end(), colours);
    std::copy(w.normal.begin(), w.normal.end(), normals);
    for (size_t f = 0; f < w.faces.size(); ++f) {
        for (int k = 0; k < 3; ++k) faces[f][k] = w.faces[f][static_cast<size_t>(k)];
    }
    if (clip) std::copy(w.clip.begin(), w.clip.end(), clip);
    m->ReleaseCurrent();
    m->vertices = vertices;
    m->colours = colours;
    m->vertexNormals = normals;
    m->faces = faces;
    m->faceNormals = face_normals;
    m->clipFlags = clip;
    m->numVertices = w.Vertices();
    m->numFaces = static_cast<int>(w.faces.size());
    return true;
}

// The angle at corner v of a face between its two edges, measured in the plane across v's
// normal.
float CornerAngle(const Vector& v, const Vector& a, const Vector& b, const Vector& n) {
    const Vector ea = Unit(Cross(a - v, n));
    const Vector eb = Unit(Cross(b - v, n));
    const float s = std::min(1.0f, Cross(ea, eb).Modulo());
    const float angle = std::asin(s);
    return ea * eb < 0.0f ? kPi - angle : angle;
}

std::vector<float> Excess(const Work& w, float* largest) {
    std::vector<float> excess(w.faces.size(), 0.0f);
    *largest = 0.0f;
    for (size_t f = 0; f < w.faces.size(); ++f) {
        const Tri& t = w.faces[f];
        float sum = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const size_t v = static_cast<size_t>(t[static_cast<size_t>(k)]);
            const size_t a = static_cast<size_t>(t[static_cast<size_t>((k + 1) % 3)]);
            const size_t b = static_cast<size_t>(t[static_cast<size_t>((k + 2) % 3)]);
            sum += CornerAngle(w.pos[v], w.pos[a], w.pos[b], w.normal[v]);
        }
        excess[f] = sum - kPi;
        *largest = std::max(*largest, excess[f]);
    }
    return excess;
}

// Splits every face whose excess is above 2 degrees into four; a face beside a split edge is
// cut at the edge's midpoint so that no crack opens.
void Subdivide(Work* w, const std::vector<float>& excess) {
    std::map<std::pair<int, int>, int> midpoints;
    auto midpoint = [&](int a, int b) {
        const auto key = std::make_pair(std::min(a, b), std::max(a, b));
        auto found = midpoints.find(key);
        if (found != midpoints.end()) return found->second;
        const int at = w->Vertices();
        const size_t ia = static_cast<size_t>(a), ib = static_cast<size_t>(b);
        w->pos.push_back((w->pos[ia] + w->pos[ib]) * 0.5f);
        w->colour.push_back((w->colour[ia] + w->colour[ib]) * 0.5f);
        w->normal.push_back(Unit(w->normal[ia] + w->normal[ib]));
        // A midpoint of a clipped border stays on it.
        w->clip.push_back(w->clip[ia] && w->clip[ib] ? 1 : 0);
        midpoints.emplace(key, at);
        return at;
    };
    std::vector<bool> split(w->faces.size(), false);
    for (size_t f = 0; f < w->faces.size(); ++f) {
        if (excess[f] * kDegrees <= kSplitDegrees) continue;
        split[f] = true;
        const Tri& t = w->faces[f];
        midpoint(t[0], t[1]);
        midpoint(t[1], t[2]);
        midpoint(t[2], t[0]);
    }
    if (midpoints.empty()) return;
    std::vector<Tri> out;
    out.reserve(w->faces.size() * 2);
    for (size_t f = 0; f < w->faces.size(); ++f) {
        const Tri t = w->faces[f];
        int mid[3];
        int cut = 0;
        for (int k = 0; k < 3; ++k) {
            const int a = t[static_cast<size_t>(k)], b = t[static_cast<size_t>((k + 1) % 3)];
            auto found = midpoints.find(std::make_pair(std::min(a, b), std::max(a, b)));
            mid[k] = found == midpoints.end() ? -1 : found->second;
            cut += mid[k] >= 0;
        }
        if (split[f] || cut == 3) {
            out.push_back({t[0], mid[0], mid[2]});
            out.push_back({mid[0], t[1], mid[1]});
            out.push_back({mid[2], mid[1], t[2]});
            out.push_back({mid[0], mid[1], mid[2]});
            continue;
        }
        if (cut == 0) {
            out.push_back(t);
            continue;
        }
        // Turn the face so that its first edge (corners 0-1) is cut.
        int r = 0;
        while (mid[r] < 0) ++r;
        const int a = t[static_cast<size_t>(r)], b = t[static_cast<size_t>((r + 1) % 3)];
        const int c = t[static_cast<size_t>((r + 2) % 3)];
        const int ab = mid[r], bc = mid[(r + 1) % 3], ca = mid[(r + 2) % 3];
        if (cut == 1) {
            out.push_back({a, ab, c});
            out.push_back({ab, b, c});
        } else if (bc >= 0) {
            out.push_back({a, ab, c});
            out.push_back({ab, b, bc});
            out.push_back({ab, bc, c});
        } else {
            out.push_back({a, ab, ca});
            out.push_back({ab, b, c});
            out.push_back({ab, c, ca});
        }
    }
    w->faces.swap(out);
    w->Adjacency();
}

// One vertex-removal pass; true when it removed anything.
bool RemovalPass(Work* w, float threshold) {
    const int n = w->Vertices();
    std::vector<uint8_t> touched(static_cast<size_t>(n), 0), removed(static_cast<size_t>(n), 0);
    std::vector<uint8_t> face_gone(w->faces.size(), 0);
    size_t largest = 0;
    for (const auto& l : w->neighbours) largest = std::max(largest, l.size());
    bool any = false;
    auto erase = [](std::vector<int>* list, int x) {
        list->erase(std::remove(list->begin(), list->end(), x), list->end());
    };
    for (size_t k = 3; k <= largest; ++k) {
        for (int v = 0; v < n; ++v) {
            const size_t iv = static_cast<size_t>(v);
            auto& nv = w->neighbours[iv];
            if (touched[iv] || removed[iv] || nv.size() != k || w->clip[iv]) continue;
            const Vector& p = w->pos[iv];
            const Vector& a = w->pos[static_cast<size_t>(nv[0])];
            const Vector& b = w->pos[static_cast<size_t>(nv[1])];
            const Vector plane = Unit(Cross(p - a, p - b));
            float worst = 0.0f;
            for (size_t i = 1; i < nv.size() && worst <= threshold; ++i) {
                const Vector& c = w->pos[static_cast<size_t>(nv[i])];
                const Vector nc = Unit(Cross(c - a, c - b));
                worst = std::max(worst, std::asin(std::min(1.0f, Cross(plane, nc).Modulo())));
            }
            if (!(worst < threshold)) continue;
            int target = -1;
            float nearest = 1e10f;
            for (int x : nv) {
                const float d = (p - w->pos[static_cast<size_t>(x)]).Modulo();
                if (!w->clip[static_cast<size_t>(x)] && d < nearest) {
                    nearest = d;
                    target = x;
                }
            }
            if (target < 0) continue;
            const size_t it = static_cast<size_t>(target);
            // v's faces: those with the target collapse, the others take the target in v's place.
            for (int f : w->faceLists[iv]) {
                Tri& t = w->faces[static_cast<size_t>(f)];
                if (t[0] == target || t[1] == target || t[2] == target) {
                    face_gone[static_cast<size_t>(f)] = 1;
                    for (int c : t) {
                        if (c != v) erase(&w->faceLists[static_cast<size_t>(c)], f);
                    }
                } else {
                    for (int& c : t) {
                        if (c == v) c = target;
                    }
                    Work::AddOnce(&w->faceLists[it], f);
                }
            }
            for (int x : nv) {
                if (x == target) continue;
                Work::AddOnce(&w->neighbours[it], x);
                // The neighbours that knew v know the target instead.
                auto& nx = w->neighbours[static_cast<size_t>(x)];
                erase(&nx, v);
                Work::AddOnce(&nx, target);
            }
            erase(&w->neighbours[it], v);
            nv.clear();
            w->faceLists[iv].clear();
            removed[iv] = touched[iv] = touched[it] = 1;
            for (int x : w->neighbours[it]) touched[static_cast<size_t>(x)] = 1;
            any = true;
        }
    }
    if (!any) return false;
    // Faces without the collapsed ones, then vertices without the removed ones.
    std::vector<int> face_map(w->faces.size(), -1);
    std::vector<Tri> faces;
    faces.reserve(w->faces.size());
    for (size_t f = 0; f < w->faces.size(); ++f) {
        if (face_gone[f]) continue;
        face_map[f] = static_cast<int>(faces.size());
        faces.push_back(w->faces[f]);
    }
    std::vector<int> vertex_map(static_cast<size_t>(n), -1);
    int kept = 0;
    for (int v = 0; v < n; ++v) {
        if (!removed[static_cast<size_t>(v)]) vertex_map[static_cast<size_t>(v)] = kept++;
    }
    for (Tri& t : faces) {
        for (int& c : t) c = vertex_map[static_cast<size_t>(c)];
    }
    Work out;
    out.faces.swap(faces);
    out.pos.reserve(static_cast<size_t>(kept));
    for (int v = 0; v < n; ++v) {
        const size_t iv = static_cast<size_t>(v);
        if (removed[iv]) continue;
        out.pos.push_back(w->pos[iv]);
        out.colour.push_back(w->colour[iv]);
        out.normal.push_back(w->normal[iv]);
        out.clip.push_back(w->clip[iv]);
        std::vector<int> nb, fl;
        for (int x : w->neighbours[iv]) {
            const int to = vertex_map[static_cast<size_t>(x)];
            if (to >= 0) nb.push_back(to);
        }
        for (int f : w->faceLists[iv]) {
            const int to = face_map[static_cast<size_t>(f)];
            if (to >= 0) fl.push_back(to);
        }
        out.neighbours.push_back(std::move(nb));
        out.faceLists.push_back(std::move(fl));
    }
    *w = std::move(out);
    return true;
}

void Smooth(Work* w, int type, int sweeps) {
    mesh_refine::SmoothSweeps(w->pos.data(), w->normal.data(), w->clip.data(), w->Vertices(),
                              w->Packed(), type, sweeps);
}

}  // namespace

void OptimiseMesh(Mesh* m) {
    if (!m || !m->optimize || !m->vertices || !m->faces) return;
    FieldProbe probe(m);
    if (!probe.Valid()) return;
    Work w;
    Load(m, &w);
    auto normals = [&] {
        mesh_refine::GradientNormals(probe, w.pos.data(), w.Vertices(), w.normal.data());
    };
    auto reproject = [&] {
        mesh_refine::Reproject(probe, w.pos.data(), w.normal.data(), w.clip.data(), w.Vertices());
    };
    if (m->subdivide) {
        normals();
        const std::vector<float> excess = Excess(w, &m->maxFaceExcess);
        std::free(m->faceExcess);
        m->faceExcess =
            static_cast<float*>(std::malloc(std::max<size_t>(excess.size(), 1) * sizeof(float)));
        if (m->faceExcess) std::copy(excess.begin(), excess.end(), m->faceExcess);
        Subdivide(&w, excess);
        normals();
        reproject();
    }
    const float threshold = m->optThreshold * 0.01f;
    bool removed = true;
    for (int i = 0; i < m->optIterations && removed && !probe.StopRequested(); ++i) {
        ShowMeshStatus(
            platform::Format("Mesh Optimization -->> %d %% ", i * 100 / m->optIterations).c_str());
        removed = RemovalPass(&w, threshold);
        normals();
        Smooth(&w, m->filterType, 12);
    }
    reproject();
    if (m->limitFaces && m->maxFaces >= 0) {
        float t = threshold;
        removed = true;
        while (static_cast<long long>(w.faces.size()) > m->maxFaces && !probe.StopRequested()) {
            if (!removed) t += 0.01f;
            // Beyond a right angle every vertex but those on clipped borders can go; nothing
            // more can be done then.
            if (t > 2.0f * kPi) break;
            do {
                removed = RemovalPass(&w, t);
                normals();
                Smooth(&w, m->filterType, 6);
                reproject();
            } while (removed && static_cast<long long>(w.faces.size()) > m->maxFaces &&
                     !probe.StopRequested());
        }
    }
    ShowMeshStatus("");
    Store(w, m);
}
