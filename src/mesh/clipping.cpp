// Clipping of surface vertices by the clipping box and by the faces of scene objects.
#include "mesh/clipping.h"

#include <cmath>

#include "mesh/mesh.h"
#include "mesh/mesh_build.h"

namespace {

// Whether q lies in triangle (a, b, c), seen along the axis of the normal's largest component.
bool InsideTriangle(const Vector& q, const ClipFace& f) {
    const Vector& n = f.normal;
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    const int drop = ax >= ay && ax >= az ? 0 : (ay >= az ? 1 : 2);
    const int u = drop == 0 ? 1 : 0;
    const int v = drop == 2 ? 1 : 2;
    auto side = [&](const Vector& p0, const Vector& p1) {
        return (p1[u] - p0[u]) * (q[v] - p0[v]) - (p1[v] - p0[v]) * (q[u] - p0[u]);
    };
    const float s0 = side(f.v0, f.v1), s1 = side(f.v1, f.v2), s2 = side(f.v2, f.v0);
    return (s0 >= 0 && s1 >= 0 && s2 >= 0) || (s0 <= 0 && s1 <= 0 && s2 <= 0);
}

}  // namespace

ClipResult ClipByBox(const Vector& min, const Vector& max, float h, Vector* p) {
    Vector& q = *p;
    bool inside = true;
    for (int a = 0; a < 3; ++a) {
        if (q[a] < min[a] - h || q[a] > max[a] + h) return ClipResult::kRemoved;
        if (q[a] < min[a] || q[a] > max[a]) inside = false;
    }
    const float snap = inside ? 0.15f * h : h;
    bool near = !inside;
    for (int a = 0; a < 3; ++a) {
        const float to_min = std::fabs(q[a] - min[a]), to_max = std::fabs(q[a] - max[a]);
        if (to_min < 0.95f * h || to_max < 0.95f * h) near = true;
        if (to_min < snap) {
            q[a] = min[a];
        } else if (to_max < snap) {
            q[a] = max[a];
        }
    }
    return near ? ClipResult::kMoved : ClipResult::kKept;
}

ClipResult ClipByFaces(const ClipFace* faces, int n, float h, bool inverse, Vector* p) {
    float best = 1e9f;
    Vector target = *p;
    bool behind_some = false;
    for (int i = 0; i < n; ++i) {
        const ClipFace& f = faces[i];
        const float d = f.normal * (f.v0 - *p);
        if (d > 0.0f) behind_some = true;
        const Vector q = *p + f.normal * (d * (inverse ? 0.8f : 1.2f));
        if (std::fabs(d) < best && InsideTriangle(q, f)) {
            best = std::fabs(d);
            target = q;
        }
    }
    if (behind_some == inverse) return ClipResult::kKept;
    if (best < h * 0.5f) {
        *p = target;
        return ClipResult::kMoved;
    }
    return ClipResult::kRemoved;
}

void GatherClipFaces(const MeshBuilder&, const Vector&, std::vector<ClipFace>* faces) {
    // The objects layer files its faces in the cells of the fluids' grids; until it exists no
    // scene object can clip.
    faces->clear();
}

ClipResult ClipByObjects(const MeshBuilder& builder, Vector* p) {
    thread_local std::vector<ClipFace> faces;
    GatherClipFaces(builder, *p, &faces);
    return ClipByFaces(faces.data(), static_cast<int>(faces.size()), builder.h,
                       builder.mesh->inverseClipping, p);
}
