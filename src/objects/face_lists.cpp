// Which faces each grid cell must test: near-fluid marking and the per-cell face lists.
#include <algorithm>
#include <cmath>

#include "fluid/fluido.h"
#include "fluid/pool.h"
#include "objects/collision_private.h"
#include "objects/thin_faces_private.h"

namespace collision {
namespace {

// A face is near when its box overlaps the fluid's: a wall much larger than the fluid has no
// corner near it, yet cuts right through it.
void Mark(Body* b, const Vector& lo, const Vector& hi) {
    for (int i = 0; i < b->nfaces; ++i) {
        Face& face = b->faces[i];
        const Vector& a = face.boundsMin;
        const Vector& z = face.boundsMax;
        face.nearFluid = a.x <= hi.x && z.x >= lo.x && a.y <= hi.y && z.y >= lo.y &&
                         a.z <= hi.z && z.z >= lo.z;
    }
}

// The extremes of the particles' extra velocities, which move them as much as their
// velocities do.
void ExtraVelocityBox(const Fluido* f, Vector* lo, Vector* hi) {
    *lo = Vector(0, 0, 0);
    *hi = Vector(0, 0, 0);
    for (const Particula* p = f->First(); p; p = p->next) {
        const Vector& e = p->extraVel;
        if (e.x == 0.0f && e.y == 0.0f && e.z == 0.0f) continue;
        *lo = Vector(std::min(lo->x, e.x), std::min(lo->y, e.y), std::min(lo->z, e.z));
        *hi = Vector(std::max(hi->x, e.x), std::max(hi->y, e.y), std::max(hi->z, e.z));
    }
}

// Cell range of [lo, hi] (grid-relative) on one axis, or false when it misses the grid or is
// not a number. Cells are found by flooring, so a box wholly below the grid misses it.
bool CellRange(float lo, float hi, float cell, int n, int* first, int* last) {
    const double a = std::floor(static_cast<double>(lo) / cell);
    const double b = std::floor(static_cast<double>(hi) / cell);
    if (!(a <= b)) return false;  // NaN, or an empty box
    if (a > n - 1 || b < 0) return false;
    *first = static_cast<int>(std::max(a, 0.0));
    *last = static_cast<int>(std::min(b, static_cast<double>(n - 1)));
    return true;
}

bool Finite(const Vector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// A corner or corner velocity that is not a finite number would slip through the box's min and
// max; such a face goes into no list.
bool Finite(const Face& face) {
    for (const BodyVertex* c : face.corner) {
        if (!Finite(c->world) || !Finite(c->velocity)) return false;
    }
    return Finite(face.normal);
}

PreparedFace* Prepare(Face& face) {
    auto* p = static_cast<PreparedFace*>(Alloc(sizeof(PreparedFace)));
    p->n = face.normal;
    p->p0 = face.corner[0]->world;
    p->d0 = p->n * p->p0;
    ProjectionAxes(p->n, &p->ai, &p->aj);
    const Vector e1 = face.corner[1]->world - p->p0;
    const Vector e2 = face.corner[2]->world - p->p0;
    p->e1i = e1[p->ai];
    p->e1j = e1[p->aj];
    p->e2i = e2[p->ai];
    p->e2j = e2[p->aj];
    p->det = p->e1i * p->e2j - p->e2i * p->e1j;
    for (int c = 0; c < 3; ++c) p->v[c] = face.corner[c]->velocity;
    p->body = face.body;
    return p;
}

}  // namespace

void MarkNearFaces(Fluido* f) {
    const Vector lo = f->boxMin, hi = f->boxMax;
    for (int o = 0; o < f->numObjects; ++o) {
        Body* b = f->objects[o];
        if (b && b->nverts > 0) Mark(b, lo, hi);
    }
    // A thin wall vetoes neighbours through its near faces whether or not the fluid collides
    // with it: its flags must describe this fluid, not the last one that marked them.
    for (Body* b = rootbody.next; b; b = b->next) {
        if (b->nverts > 0 && b->thinFaceTest) Mark(b, lo, hi);
    }
    thin_faces::Remember(f);
}

void BuildFaceLists(Fluido* f, float dt) {
    if (!f->grid || !f->poolFaces || f->numObjects <= 0) return;
    // Built afresh, so a second call in one step does not list a face twice in a cell.
    for (int i = 0; i < f->nx; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                if (Voxel* v = f->grid[i][j][k]) v->faces = nullptr;
            }
        }
    }
    Vector extra_lo, extra_hi;
    ExtraVelocityBox(f, &extra_lo, &extra_hi);
    const Vector vel_min = f->velMin + extra_lo;
    const Vector vel_max = f->velMax + extra_hi;
    MemPool* previous = AllocSetPool(f->poolFaces);
    const float cell = f->cellSize;
    const Vector origin = f->boxMin;
    for (int o = 0; o < f->numObjects; ++o) {
        Body* b = f->objects[o];
        if (!b || b->nverts <= 0) continue;
        // The farthest a particle can be and still be reached: the collision distance stretched
        // by the whole tolerance.
        const float reach = b->collisionDistance * (1.0f + std::fabs(b->collisionTolerance));
        if (!std::isfinite(reach)) continue;
        for (int n = 0; n < b->nfaces; ++n) {
            Face& face = b->faces[n];
            if (face.degenerate || !Finite(face)) continue;
            Vector lo(1e7f, 1e7f, 1e7f), hi(-1e7f, -1e7f, -1e7f);
            for (const BodyVertex* c : face.corner) {
                for (const Vector& p : {c->world, c->world + c->velocity * dt}) {
                    lo = Vector(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
                    hi = Vector(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
                }
            }
            hi = hi - vel_min * dt - origin + Vector(reach, reach, reach);
            lo = lo - vel_max * dt - origin - Vector(reach, reach, reach);
            int x0, x1, y0, y1, z0, z1;
            if (!CellRange(lo.x, hi.x, cell, f->nx, &x0, &x1) ||
                !CellRange(lo.y, hi.y, cell, f->ny, &y0, &y1) ||
                !CellRange(lo.z, hi.z, cell, f->nz, &z0, &z1)) {
                continue;
            }
            const PreparedFace* prepared = nullptr;
            for (int i = x0; i <= x1; ++i) {
                for (int j = y0; j <= y1; ++j) {
                    for (int k = z0; k <= z1; ++k) {
                        Voxel* v = f->grid[i][j][k];
                        if (!v) continue;
                        if (!prepared) prepared = Prepare(face);
                        auto* link = static_cast<CollisionLink*>(Alloc(sizeof(CollisionLink)));
                        link->link.face = &face;
                        link->link.next = v->faces;
                        link->prepared = prepared;
                        v->faces = &link->link;
                    }
                }
            }
        }
    }
    AllocSetPool(previous);
}

}  // namespace collision
