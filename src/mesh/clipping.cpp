// Clipping of surface vertices by the clipping box and by the faces of scene objects.
#include "mesh/clipping.h"

#include <algorithm>
#include <cmath>

#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "mesh/sweep_private.h"
#include "objects/body.h"

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

namespace {

int64_t CellKey(int x, int y, int z) {
    return (static_cast<int64_t>(x) << 42) | (static_cast<int64_t>(y) << 21) |
           static_cast<int64_t>(z);
}

}  // namespace

void BuildClipIndex(const Fluido* f, float dt, ClipIndex* index) {
    index->Clear();
    if (!f || !f->grid || f->nx <= 0 || f->ny <= 0 || f->nz <= 0 || !(f->cellSize > 0.0f)) return;
    index->origin = f->boxMin;
    index->cell = f->cellSize;
    index->nx = f->nx;
    index->ny = f->ny;
    index->nz = f->nz;
    const int dims[3] = {f->nx, f->ny, f->nz};
    for (int o = 0; o < f->numObjects; ++o) {
        const Body* b = f->objects ? f->objects[o] : nullptr;
        if (!b || b->nverts <= 0 || !b->faces) continue;
        for (int i = 0; i < b->nfaces; ++i) {
            const Face& face = b->faces[i];
            if (face.degenerate) continue;
            Vector lo(1e7f, 1e7f, 1e7f), hi(-1e7f, -1e7f, -1e7f);
            for (const BodyVertex* c : face.corner) {
                for (const Vector& p : {c->world, c->world + c->velocity * dt}) {
                    for (int a = 0; a < 3; ++a) {
                        lo[a] = std::fmin(lo[a], p[a]);
                        hi[a] = std::fmax(hi[a], p[a]);
                    }
                }
            }
            int from[3], to[3];
            bool outside = false;
            for (int a = 0; a < 3; ++a) {
                const float l = lo[a] - f->velMax[a] * dt - index->origin[a] - b->collisionDistance;
                const float h = hi[a] - f->velMin[a] * dt - index->origin[a] + b->collisionDistance;
                // Cell indices truncated toward zero, as the collision pass takes them.
                const float fl = l / index->cell, fh = h / index->cell;
                if (std::isnan(fl) || std::isnan(fh)) {
                    outside = true;
                    break;
                }
                const int il = static_cast<int>(std::clamp(fl, -1e9f, 1e9f));
                const int ih = static_cast<int>(std::clamp(fh, -1e9f, 1e9f));
                if (il > dims[a] - 1 || ih < 0) {
                    outside = true;
                    break;
                }
                from[a] = std::max(il, 0);
                to[a] = std::min(ih, dims[a] - 1);
            }
            if (outside) continue;
            const int at = static_cast<int>(index->faces.size());
            bool filed = false;
            for (int x = from[0]; x <= to[0]; ++x) {
                for (int y = from[1]; y <= to[1]; ++y) {
                    for (int z = from[2]; z <= to[2]; ++z) {
                        if (!f->grid[x][y][z]) continue;
                        index->cells[CellKey(x, y, z)].push_back(at);
                        filed = true;
                    }
                }
            }
            if (filed) {
                index->faces.push_back(ClipFace{face.normal, face.corner[0]->world,
                                                face.corner[1]->world, face.corner[2]->world});
            }
        }
    }
}

void GatherClipFaces(const MeshBuilder& builder, const Vector& p, std::vector<ClipFace>* faces) {
    faces->clear();
    const ClipIndex& index = static_cast<const BuildState&>(builder).clipIndex;
    if (index.cells.empty()) return;
    int centre[3];
    const int dims[3] = {index.nx, index.ny, index.nz};
    for (int a = 0; a < 3; ++a) {
        const float c = (p[a] - index.origin[a]) / index.cell;
        if (!(c > -1e9f && c < 1e9f)) return;
        centre[a] = static_cast<int>(std::floor(c));
    }
    thread_local std::vector<int> seen;
    seen.clear();
    for (int x = std::max(centre[0] - 3, 0); x <= std::min(centre[0] + 3, dims[0] - 1); ++x) {
        for (int y = std::max(centre[1] - 3, 0); y <= std::min(centre[1] + 3, dims[1] - 1); ++y) {
            for (int z = std::max(centre[2] - 3, 0); z <= std::min(centre[2] + 3, dims[2] - 1);
                 ++z) {
                auto cell = index.cells.find(CellKey(x, y, z));
                if (cell == index.cells.end()) continue;
                for (int face : cell->second) {
                    if (std::find(seen.begin(), seen.end(), face) != seen.end()) continue;
                    seen.push_back(face);
                    faces->push_back(index.faces[static_cast<size_t>(face)]);
                }
            }
        }
    }
}

ClipResult ClipByObjects(const MeshBuilder& builder, Vector* p) {
    thread_local std::vector<ClipFace> faces;
    GatherClipFaces(builder, *p, &faces);
    return ClipByFaces(faces.data(), static_cast<int>(faces.size()), builder.h,
                       builder.mesh->inverseClipping, p);
}
