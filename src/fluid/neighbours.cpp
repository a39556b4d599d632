// Neighbour search.
//
// For every occupied cell, the particles of the 27 cells around it are gathered once into
// contiguous arrays (positions, squared search radius, particle), and each particle of the
// cell is tested against all of them: a squared distance per candidate in a loop the compiler
// vectorises, then an in-order compaction of the candidates that pass. The per-axis |d| <= 2h
// rejection of the classic search is implied by r2 < (2h)^2 in float arithmetic, so the
// result is the same pair set in the same order.
//
// Candidate and neighbour counts are not capped: the scratch arrays grow to the largest cell
// block seen, so a compressed fluid keeps all its neighbours and nothing is written past a
// buffer.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#include "fluid/engine_hooks.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "fluid/grid_access.h"
#include "fluid/parallel.h"
#include "platform/messages.h"
#include "scene/creador.h"

namespace {

std::mutex g_neighbour_pool_mutex;

struct Scratch {
    std::vector<float> x, y, z, limit, r2;
    std::vector<Particula*> who;
    std::vector<unsigned char> same;
    std::vector<Particula*> found;

    void Reserve(size_t n) {
        if (x.size() >= n) return;
        size_t m = std::max<size_t>(n, 2048);
        x.resize(m);
        y.resize(m);
        z.resize(m);
        limit.resize(m);
        r2.resize(m);
        who.resize(m);
        same.resize(m);
        found.resize(m + 1);
    }
};

thread_local Scratch t_scratch;

// Where neighbour arrays come from. Alone, straight from the NEIGHBOURS pool (under the pool
// mutex when other threads might share it). Among workers, each carves its own chunks, so the
// threads do not meet on every particle.
class NeighbourArena {
public:
    NeighbourArena(MemPool* pool, bool chunked, bool locked)
        : pool_(pool), chunked_(chunked), locked_(locked) {}

    Particula** Take(int n) {
        size_t bytes = static_cast<size_t>(n) * sizeof(Particula*);
        if (!chunked_ || bytes > kChunk / 4) return static_cast<Particula**>(Direct(bytes));
        if (left_ < bytes) {
            cur_ = static_cast<char*>(Direct(kChunk));
            left_ = kChunk;
        }
        void* p = cur_;
        cur_ += bytes;
        left_ -= bytes;
        return static_cast<Particula**>(p);
    }

private:
    static constexpr size_t kChunk = 64 * 1024;

    void* Direct(size_t bytes) {
        std::unique_lock<std::mutex> lock(g_neighbour_pool_mutex, std::defer_lock);
        if (locked_) lock.lock();
        MemPool* previous = AllocSetPool(pool_);
        void* p = Alloc(static_cast<int>(bytes));
        AllocSetPool(previous);
        return p;
    }

    MemPool* pool_;
    bool chunked_;
    bool locked_;
    char* cur_ = nullptr;
    size_t left_ = 0;
};

// Squared search radius for a candidate: 2h of this fluid, or twice the smaller h when the
// candidate belongs to a linked fluid.
float Limit(const Fluido* f, const Particula* q, float own_limit) {
    if (q->owner == f || !q->owner) return own_limit;
    float h = std::min(f->h, q->owner->h);
    float r = 2.0f * h;
    return r * r;
}

void SearchSlabs(Fluido* f, int x0, int x1, NeighbourArena& arena) {
    const float radius = 2.0f * f->h;
    const float own_limit = radius * radius;
    const bool veto = engine_hooks::ThinFacesPresent();
    Scratch& s = t_scratch;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, f->nx);
    for (int i = x0; i < x1; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                Voxel* cell = f->grid[i][j][k];
                if (!cell || cell->count == 0) continue;

                size_t total = 0;
                for (int a = i - 1; a <= i + 1; ++a) {
                    for (int b = j - 1; b <= j + 1; ++b) {
                        for (int c = k - 1; c <= k + 1; ++c) {
                            if (Voxel* v = grid_access::At(f, a, b, c)) total += v->count;
                        }
                    }
                }
                s.Reserve(total);
                size_t n = 0;
                for (int a = i - 1; a <= i + 1; ++a) {
                    for (int b = j - 1; b <= j + 1; ++b) {
                        for (int c = k - 1; c <= k + 1; ++c) {
                            Voxel* v = grid_access::At(f, a, b, c);
                            if (!v) continue;
                            const float* xyz = grid_access::Positions(v);
                            for (int m = 0; m < v->count; ++m, ++n) {
                                Particula* q = v->particles[m];
                                s.x[n] = xyz[3 * m];
                                s.y[n] = xyz[3 * m + 1];
                                s.z[n] = xyz[3 * m + 2];
                                s.who[n] = q;
                                s.same[n] = q->owner == f;
                                s.limit[n] = s.same[n] ? own_limit : Limit(f, q, own_limit);
                            }
                        }
                    }
                }

                const float* own_xyz = grid_access::Positions(cell);
                float* __restrict r2 = s.r2.data();
                const float* __restrict cx = s.x.data();
                const float* __restrict cy = s.y.data();
                const float* __restrict cz = s.z.data();
                for (int m = 0; m < cell->count; ++m) {
                    Particula* p = cell->particles[m];
                    if (p->owner != f) continue;
                    const float px = own_xyz[3 * m], py = own_xyz[3 * m + 1],
                                pz = own_xyz[3 * m + 2];
                    for (size_t c = 0; c < n; ++c) {
                        float dx = px - cx[c];
                        float dy = py - cy[c];
                        float dz = pz - cz[c];
                        r2[c] = dx * dx + dy * dy + dz * dz;
                    }
                    Particula** found = s.found.data();
                    int kept = 0;
                    for (size_t c = 0; c < n; ++c) {
                        found[kept] = s.who[c];
                        kept += (r2[c] < s.limit[c]) & (s.who[c] != p);
                    }
                    if (veto && kept > 0) {
                        int survivors = 0;
                        for (int c = 0; c < kept; ++c) {
                            Particula* q = found[c];
                            if (q->owner == f && engine_hooks::ThinFaceBlocks(p, q)) continue;
                            found[survivors++] = q;
                        }
                        kept = survivors;
                    }
                    p->numNeighbours = kept;
                    if (kept > 0) {
                        p->isolatedTime = 0.0f;
                        p->neighbours = arena.Take(kept);
                        std::memcpy(p->neighbours, found, sizeof(Particula*) * kept);
                    }
                }
            }
        }
    }
}

// Springs from each particle of the slabs to its neighbours: first the whole body, then the
// particles that joined later. One warning per pass for pairs too close to join.
void CreateSprings(Fluido* f, int x0, int x1) {
    auto join = [&](bool only_new) {
        bool too_close = false;
        for (int i = std::max(x0, 0); i < std::min(x1, f->nx); ++i) {
            for (int j = 0; j < f->ny; ++j) {
                for (int k = 0; k < f->nz; ++k) {
                    Voxel* cell = f->grid[i][j][k];
                    if (!cell) continue;
                    for (int m = 0; m < cell->count; ++m) {
                        Particula* p = cell->particles[m];
                        if (p->owner != f || (only_new && p->springsBuilt)) continue;
                        for (int q = 0; q < p->numNeighbours; ++q) {
                            if (p->AddMuelleASi(p->neighbours[q])) too_close = true;
                        }
                        p->springsBuilt = 1;
                    }
                }
            }
        }
        if (too_close) RedWarning(" Warning: one or more particles below 0.001 distance");
    };
    if (!f->springsBuilt) join(false);
    if (!f->emitter || f->emitter->DameVolumen() == 0.0f) join(true);
}

bool SearchSkipped(Fluido* f) {
    if (!f->active || !f->First() || !f->grid) return true;
    // A finished elastic body of fixed volume is carried by its springs alone.
    return f->type == kFluidElastic && f->springsBuilt && !f->autoRepulsion && f->emitter &&
           f->emitter->DameVolumen() != 0.0f;
}

struct SlabJob {
    Fluido* fluid;
};

void SlabSearch(void* context, int x0, int x1, int) {
    Fluido* f = static_cast<SlabJob*>(context)->fluid;
    NeighbourArena arena(f->poolNeighbours, true, true);
    SearchSlabs(f, x0, x1, arena);
}

}  // namespace

void Fluido::BuscaVecinos(int x0, int x1) {
    if (SearchSkipped(this)) return;
    NeighbourArena arena(poolNeighbours, false, parallel::SlabThreads() > 1);
    SearchSlabs(this, x0, x1, arena);
    if (type == kFluidElastic) CreateSprings(this, x0, x1);
}

namespace fluid_passes {

void SearchNeighbours(Fluido* f) {
    if (SearchSkipped(f)) return;
    SlabJob job{f};
    parallel::ForSlabs(f->nx, SlabSearch, &job);
    // Springs read and write the lists of particles on both sides of a slab boundary, so
    // they are made in one ordered pass: the same springs whatever the thread count.
    if (f->type == kFluidElastic) CreateSprings(f, 0, f->nx);
}

}  // namespace fluid_passes
