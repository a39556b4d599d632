// The collision pass: every particle against the faces in its cell's list.
//
// For one particle the faces are walked from the head of the list. A face first examined gets
// the particle's distance to its plane; beyond a randomly varied reach it may only shorten the
// step, within reach and over the triangle it exchanges heat, applies its stickiness and, when
// the particle approaches it, bounces the particle, after which the walk starts again from the
// head with what each face already knows. The walk ends after a whole pass without a bounce, or
// after kMaxResponses bounces.
//
// The pass runs over the grid's x-slabs on the worker threads. What a face knows about the
// particle under test lives in scratch of the thread's own, random draws come from a sequence
// per cell, and each thread keeps its own shortest step, the smallest of which is taken at the
// end; so the result is the same for any number of threads.
#include <algorithm>
#include <cmath>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "math/random.h"
#include "objects/collision_private.h"
#include "objects/thin_faces_private.h"
#include "scene/creador.h"

namespace collision {
namespace {

struct Scratch {
    Vector foot;
    float dist;
    float u, w;
    uint8_t state;  // 0 not examined, 1 distance known, 2 over the triangle
};

struct Pass {
    Fluido* fluid;
    uint32_t seed;
    float dt;           // the step when the pass began
    float limit[64];    // each thread's shortest step
};

thread_local std::vector<const PreparedFace*> t_faces;
thread_local std::vector<Scratch> t_scratch;

void PlaneDistance(const PreparedFace& face, const Particula* p, Scratch* s) {
    const float d = face.d0 - face.n * p->pos;
    s->foot = p->pos + face.n * d;
    s->dist = std::fabs(d);
    s->state = 1;
}

bool OverTriangle(const PreparedFace& face, Scratch* s) {
    const float qi = s->foot[face.ai] - face.p0[face.ai];
    const float qj = s->foot[face.aj] - face.p0[face.aj];
    s->u = (face.e2j * qi - face.e2i * qj) / face.det;
    s->w = (face.e1i * qj - face.e1j * qi) / face.det;
    if (!InsideOrOnEdge(s->u, s->w)) return false;
    s->state = 2;
    return true;
}

Vector FaceVelocity(const PreparedFace& face, const Scratch& s) {
    return face.v[0] * (1.0f - s.u - s.w) + face.v[1] * s.u + face.v[2] * s.w;
}

// A face and a particle closing in on each other may close a fifth of their gap in one step.
// The particle moves by its velocity and its extra velocity, so both count.
void LimitStep(const PreparedFace& face, const Scratch& s, const Particula* p, float* limit) {
    if (s.dist == 0.0f) return;
    const Vector dir = (p->pos - s.foot) / s.dist;
    const float pv = (p->vel + p->extraVel) * dir;
    const float fv = std::max({face.v[0] * dir, face.v[1] * dir, face.v[2] * dir});
    const float closing = fv - pv;
    if (closing == 0.0f) return;
    const float t = s.dist / closing * 0.2f;
    if (t > 0.0f && t < *limit) *limit = t;
}

// Whether the particle moves toward the face's plane relative to the face; vr receives the
// relative velocity.
bool Approaches(const PreparedFace& face, const Scratch& s, const Particula* p, Vector* vr) {
    *vr = p->vel - FaceVelocity(face, s);
    const float a = face.n * *vr;
    if (std::fabs(a) < 0.00001f) return false;
    const float tau = (face.d0 - face.n * p->pos) / a;
    return tau > 0.0f;
}

void Respond(const PreparedFace& face, const Vector& vr, Particula* p, CellRandom& random) {
    const Body* b = face.body;
    Vector m = face.n;
    if (b->rough != 0.0f) {
        const float r1 = random.Next11();
        const float r2 = random.Next11();
        const float r3 = random.Next11();
        m = face.n + Vector(b->rough * r3, b->rough * r2, b->rough * r1);
    }
    // Outside 0..1 a bounce would throw the particle into the face or gain speed from it.
    const float k = std::clamp(b->K, 0.0f, 1.0f);
    const Vector vn = m * (vr * m);
    const Vector vt = vr - vn;
    p->vel = p->vel - vn * (k + 1.0f) - vt * b->friction;
}

// What the walk could not settle (the response cap, an extra velocity the bounces do not see)
// must not carry the particle through a face it is over within the step: the approach is
// taken away, and the particle moves with the face.
void KeepOnItsSide(const PreparedFace& face, const Scratch& s, Particula* p, float dt) {
    const float side = face.n * p->pos - face.d0;
    if (side == 0.0f) return;
    const Vector vf = FaceVelocity(face, s);
    const float rel = face.n * (p->vel + p->extraVel - vf);
    if (!(side * rel < 0.0f) || std::fabs(rel) * dt < std::fabs(side)) return;
    const float en = face.n * p->extraVel;
    if (en * side < 0.0f) p->extraVel = p->extraVel - face.n * en;
    const float a = face.n * (p->vel - vf);
    if (a * side < 0.0f) p->vel = p->vel - face.n * a;
}

void Walk(const Fluido* f, Particula* p, const PreparedFace* const* faces, Scratch* scratch,
          int n, CellRandom& random, float dt, float* limit) {
    int responses = 0;
    int at = 0;
    Vector vr;
    while (at < n && responses < kMaxResponses) {
        const PreparedFace& face = *faces[at];
        Scratch& s = scratch[at];
        bool respond = false;
        if (s.state == 0) {
            PlaneDistance(face, p, &s);
            const Body* b = face.body;
            const float reach = (random.Next11() * b->collisionTolerance + 1.0f) *
                                b->collisionDistance;
            if (reach < s.dist) {
                LimitStep(face, s, p, limit);
            } else if (OverTriangle(face, &s)) {
                if (b->conductivity != 0.0f) {
                    p->temperature += (b->temperature - p->temperature) * f->conductivity *
                                      b->conductivity;
                }
                if (b->sticky != 0.0f) {
                    const float side = (p->pos - s.foot) * face.n;
                    p->pendingForce = side > 0.0f ? face.n * (-1.0f) * b->sticky
                                                  : face.n * b->sticky;
                    p->contactLevel = 1;
                }
                respond = Approaches(face, s, p, &vr);
            }
        } else if (s.state == 1) {
            LimitStep(face, s, p, limit);
        } else {
            respond = Approaches(face, s, p, &vr);
        }
        if (!respond) {
            ++at;
            continue;
        }
        Respond(face, vr, p, random);
        p->collided = 1;
        ++responses;
        at = 0;
    }
    for (int i = 0; i < n; ++i) {
        if (scratch[i].state == 2) KeepOnItsSide(*faces[i], scratch[i], p, dt);
    }
}

void CollideSlabs(void* context, int x0, int x1, int slot) {
    Pass& pass = *static_cast<Pass*>(context);
    const Fluido* f = pass.fluid;
    float limit = pass.dt;
    std::vector<const PreparedFace*>& faces = t_faces;
    std::vector<Scratch>& scratch = t_scratch;
    for (int i = std::max(x0, 0); i < x1 && i < f->nx; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                Voxel* cell = f->grid[i][j][k];
                if (!cell || !cell->faces || cell->count == 0) continue;
                faces.clear();
                for (FaceLink* l = cell->faces; l; l = l->next) {
                    faces.push_back(reinterpret_cast<const CollisionLink*>(l)->prepared);
                }
                const int n = static_cast<int>(faces.size());
                if (scratch.size() < faces.size()) scratch.resize(faces.size());
                CellRandom random(pass.seed,
                                  static_cast<uint32_t>((static_cast<long long>(i) * f->ny + j) *
                                                            f->nz + k));
                for (int m = 0; m < cell->count; ++m) {
                    Particula* p = cell->particles[m];
                    // A linked fluid's particles meet only the objects of their own fluid.
                    if (p->owner != f || p->frozen != 0) continue;
                    for (int s = 0; s < n; ++s) scratch[static_cast<size_t>(s)].state = 0;
                    Walk(f, p, faces.data(), scratch.data(), n, random, pass.dt, &limit);
                }
            }
        }
    }
    pass.limit[slot] = limit;
}

// Below this many particles the workers are not worth waking.
constexpr int kParallelFrom = 1024;

bool Install() {
    SimulationHooks().collide = Collide;
    EngineHookTable& engine = EngineHooks();
    engine.mark_near_faces = MarkNearFaces;
    engine.thin_faces_present = thin_faces::Present;
    engine.thin_face_blocks = thin_faces::Blocks;
    return true;
}

const bool g_installed = Install();

}  // namespace

void Collide(Fluido* f) {
    if (!f || !f->First() || !f->active || !f->grid || f->numObjects <= 0) return;
    if (f->emitter && (f->emitter->flags & kEmitterNoCollisions)) return;
    BuildFaceLists(f, inct);
    Pass pass;
    pass.fluid = f;
    // One draw of the stepping thread's sequence seeds the cells' sequences, so a run
    // started afresh repeats itself.
    pass.seed = (static_cast<uint32_t>(RandomNext()) << 15) ^ static_cast<uint32_t>(RandomNext());
    pass.dt = inct;
    std::fill(std::begin(pass.limit), std::end(pass.limit), inct);
    if (f->count < kParallelFrom || parallel::SlabThreads() == 1) {
        CollideSlabs(&pass, 0, f->nx, 0);
    } else {
        parallel::ForSlabs(f->nx, CollideSlabs, &pass);
    }
    for (float t : pass.limit) inct = std::min(inct, t);
}

}  // namespace collision
