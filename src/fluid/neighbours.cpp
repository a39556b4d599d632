// Neighbour search.
//
// For every occupied cell, the particles of the 27 cells around it are gathered once into
// contiguous arrays (positions from the cells' own position copies, and the particles), and
// each particle of the cell is tested against all of them four at a time: squared distances,
// a comparison mask, and the set bits taken in order. The per-axis |d| <= 2h rejection of the
// classic search is implied by r2 < (2h)^2 in float arithmetic (the sum of squares is never
// below one of its terms), so the result is the same pair set in the same order.
//
// Candidate and neighbour counts are not capped: the scratch arrays grow to the largest cell
// block seen, so a compressed fluid keeps all its neighbours and nothing is written past a
// buffer.
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>

#if defined(__x86_64__) || defined(__SSE2__)
#include <immintrin.h>
#endif

#include "fluid/engine_hooks.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/parallel.h"
#include "fluid/particle_order_private.h"
#include "platform/messages.h"
#include "scene/creador.h"

namespace {

std::mutex g_neighbour_pool_mutex;

struct Scratch {
    std::vector<float> x, y, z, limit;
    std::vector<Particula*> who;
    std::vector<Particula*> found;

    void Reserve(size_t n) {
        if (x.size() >= n) return;
        size_t m = std::max<size_t>(n, 2048);
        x.resize(m);
        y.resize(m);
        z.resize(m);
        limit.resize(m);
        who.resize(m);
        found.resize(m);
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

    // Room for at most `most` pointers that the caller fills before Commit says how many it
    // kept; in chunked mode the list is written in place, with no copy.
    Particula** Open(int most, Particula** scratch) {
        if (!chunked_) return scratch;
        size_t bytes = static_cast<size_t>(most) * sizeof(Particula*);
        if (bytes > kChunk / 4) return scratch;
        if (left_ < bytes) {
            cur_ = static_cast<char*>(Direct(kChunk));
            left_ = kChunk;
        }
        return reinterpret_cast<Particula**>(cur_);
    }
    Particula** Commit(Particula** written, int kept) {
        if (kept == 0) return nullptr;
        if (reinterpret_cast<char*>(written) == cur_) {
            size_t bytes = static_cast<size_t>(kept) * sizeof(Particula*);
            cur_ += bytes;
            left_ -= bytes;
            return written;
        }
        Particula** list = Take(kept);
        std::memcpy(list, written, sizeof(Particula*) * static_cast<size_t>(kept));
        return list;
    }

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
    // Sixteen chunks fill a pool block but for a few bytes: a block serves no request that
    // would fill it exactly.
    static constexpr size_t kChunk = (kPoolBlockSize / 16 - 8) & ~static_cast<size_t>(7);

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

// The candidates of p closer than their limit, in candidate order, p itself left out.
// Candidate arrays are padded to a multiple of 16 with entries no particle can reach. Every
// version computes r2 = (dx*dx + dy*dy) + dz*dz in float, so all give the same pairs.
struct Query {
    float px, py, pz;
    size_t self;
    bool one_limit;
    float limit;
};

[[maybe_unused]] int SelectScalar(const Scratch& s, size_t n, const Query& q, Particula** found) {
    int kept = 0;
    for (size_t c = 0; c < n; ++c) {
        float dx = q.px - s.x[c], dy = q.py - s.y[c], dz = q.pz - s.z[c];
        float r2 = dx * dx + dy * dy + dz * dz;
        if (r2 < (q.one_limit ? q.limit : s.limit[c]) && c != q.self) found[kept++] = s.who[c];
    }
    return kept;
}

#if defined(__x86_64__)
__attribute__((target("avx2"))) int SelectAvx2(const Scratch& s, size_t n, const Query& q,
                                                Particula** found) {
    int kept = 0;
    const __m256 vx = _mm256_set1_ps(q.px), vy = _mm256_set1_ps(q.py), vz = _mm256_set1_ps(q.pz);
    const __m256 vlimit = _mm256_set1_ps(q.limit);
    const float* xs = s.x.data();
    const float* ys = s.y.data();
    const float* zs = s.z.data();
    for (size_t c = 0; c < n; c += 8) {
        __m256 dx = _mm256_sub_ps(vx, _mm256_loadu_ps(xs + c));
        __m256 dy = _mm256_sub_ps(vy, _mm256_loadu_ps(ys + c));
        __m256 dz = _mm256_sub_ps(vz, _mm256_loadu_ps(zs + c));
        __m256 r2 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy)),
                                  _mm256_mul_ps(dz, dz));
        __m256 lim = q.one_limit ? vlimit : _mm256_loadu_ps(s.limit.data() + c);
        unsigned mask =
            static_cast<unsigned>(_mm256_movemask_ps(_mm256_cmp_ps(r2, lim, _CMP_LT_OQ)));
        while (mask) {
            size_t idx = c + static_cast<size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            found[kept] = s.who[idx];
            kept += idx != q.self;
        }
    }
    return kept;
}
#endif

#if defined(__x86_64__)
__attribute__((target("avx512f"))) int SelectAvx512(const Scratch& s, size_t n, const Query& q,
                                                     Particula** found) {
    int kept = 0;
    const __m512 vx = _mm512_set1_ps(q.px), vy = _mm512_set1_ps(q.py), vz = _mm512_set1_ps(q.pz);
    const __m512 vlimit = _mm512_set1_ps(q.limit);
    const float* xs = s.x.data();
    const float* ys = s.y.data();
    const float* zs = s.z.data();
    Particula* const* who = s.who.data();
    for (size_t c = 0; c < n; c += 16) {
        __m512 dx = _mm512_sub_ps(vx, _mm512_loadu_ps(xs + c));
        __m512 dy = _mm512_sub_ps(vy, _mm512_loadu_ps(ys + c));
        __m512 dz = _mm512_sub_ps(vz, _mm512_loadu_ps(zs + c));
        __m512 r2 = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy)),
                                  _mm512_mul_ps(dz, dz));
        __m512 lim = q.one_limit ? vlimit : _mm512_loadu_ps(s.limit.data() + c);
        unsigned mask = static_cast<unsigned>(_mm512_cmp_ps_mask(r2, lim, _CMP_LT_OQ));
        if (q.self - c < 16) mask &= ~(1u << (q.self - c));
        // The chosen pointers of each half, packed in order, compressed in a register and
        // stored whole (the store form of the compression is slow on some processors); the
        // lanes past the kept ones land where later candidates or the padding go, inside the
        // buffer. No branch on an empty mask: in a fluid that has mixed, which groups are
        // empty cannot be foreseen.
        __mmask8 low = static_cast<__mmask8>(mask & 0xFF);
        __mmask8 high = static_cast<__mmask8>(mask >> 8);
        _mm512_storeu_si512(found + kept,
                            _mm512_maskz_compress_epi64(low, _mm512_loadu_si512(who + c)));
        kept += __builtin_popcount(low);
        _mm512_storeu_si512(found + kept,
                            _mm512_maskz_compress_epi64(high, _mm512_loadu_si512(who + c + 8)));
        kept += __builtin_popcount(high);
    }
    return kept;
}
#endif

#if defined(__SSE2__)
int SelectSse2(const Scratch& s, size_t n, const Query& q, Particula** found) {
    int kept = 0;
    const __m128 vx = _mm_set1_ps(q.px), vy = _mm_set1_ps(q.py), vz = _mm_set1_ps(q.pz);
    const __m128 vlimit = _mm_set1_ps(q.limit);
    for (size_t c = 0; c < n; c += 4) {
        __m128 dx = _mm_sub_ps(vx, _mm_loadu_ps(&s.x[c]));
        __m128 dy = _mm_sub_ps(vy, _mm_loadu_ps(&s.y[c]));
        __m128 dz = _mm_sub_ps(vz, _mm_loadu_ps(&s.z[c]));
        __m128 r2 = _mm_add_ps(_mm_add_ps(_mm_mul_ps(dx, dx), _mm_mul_ps(dy, dy)),
                               _mm_mul_ps(dz, dz));
        __m128 lim = q.one_limit ? vlimit : _mm_loadu_ps(&s.limit[c]);
        unsigned mask = static_cast<unsigned>(_mm_movemask_ps(_mm_cmplt_ps(r2, lim)));
        while (mask) {
            size_t idx = c + static_cast<size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            found[kept] = s.who[idx];
            kept += idx != q.self;
        }
    }
    return kept;
}
#endif

using SelectFn = int (*)(const Scratch&, size_t, const Query&, Particula**);

SelectFn ChooseSelect() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f")) return SelectAvx512;
    if (__builtin_cpu_supports("avx2")) return SelectAvx2;
#endif
#if defined(__SSE2__)
    return SelectSse2;
#else
    return SelectScalar;
#endif
}

SelectFn g_select = ChooseSelect();

// Where the search puts what it finds: straight into the particle records, or into one
// result per cell slot, which the records take afterwards in list order. Particles lie in
// the cells in space order; in memory they lie roughly in list order, and once a fluid has
// mixed, writing to them cell by cell reaches all over memory.
using Results = grid_access::Filled::Found;

void SearchSlabs(Fluido* f, int x0, int x1, NeighbourArena& arena, Results* results) {
    const float radius = 2.0f * f->h;
    const float own_limit = radius * radius;
    const bool veto = engine_hooks::ThinFacesPresent();
    // Without linked fluids every candidate has the same limit and the same owner.
    const bool one_limit = f->numLinkedFluids == 0;
    Scratch& s = t_scratch;
    grid_access::ForCells(f, x0, x1, [&](Voxel* cell, int i, int j, int k) {
        if (cell->count == 0) return;
        Voxel* around[27];
        int cells = 0;
        size_t total = 0;
        size_t own_start = 0;
        const int a0 = std::max(i - 1, 0), a1 = std::min(i + 1, f->nx - 1);
        const int b0 = std::max(j - 1, 0), b1 = std::min(j + 1, f->ny - 1);
        const int c0 = std::max(k - 1, 0), c1 = std::min(k + 1, f->nz - 1);
        for (int a = a0; a <= a1; ++a) {
            Voxel** const* column = f->grid[a];
            for (int b = b0; b <= b1; ++b) {
                Voxel* const* row = column[b];
                for (int c = c0; c <= c1; ++c) {
                    Voxel* v = row[c];
                    if (!v || v->count == 0) continue;
                    if (v == cell) own_start = total;
                    around[cells++] = v;
                    total += static_cast<size_t>(v->count);
                }
            }
        }
        s.Reserve(total + 16);
        size_t n = 0;
        for (int a = 0; a < cells; ++a) {
            const Voxel* v = around[a];
            const size_t count = static_cast<size_t>(v->count);
            const float* vx = grid_access::Xs(v);
            const float* vy = grid_access::Ys(v);
            const float* vz = grid_access::Zs(v);
            // Cells hold a handful of particles: a plain loop beats a library call.
            for (size_t m = 0; m < count; ++m) {
                s.x[n + m] = vx[m];
                s.y[n + m] = vy[m];
                s.z[n + m] = vz[m];
                s.who[n + m] = v->particles[m];
            }
            n += count;
        }
        if (!one_limit) {
            for (size_t c = 0; c < n; ++c) s.limit[c] = Limit(f, s.who[c], own_limit);
        }
        // Pad to whole groups of sixteen with entries no particle can reach.
        for (size_t c = n; c % 16 != 0; ++c) {
            s.x[c] = s.y[c] = s.z[c] = 3.0e38f;
            s.limit[c] = 0.0f;
            s.who[c] = nullptr;
        }
        const size_t padded = (n + 15) & ~static_cast<size_t>(15);

        const float* own_x = grid_access::Xs(cell);
        const float* own_y = grid_access::Ys(cell);
        const float* own_z = grid_access::Zs(cell);
        Particula** found = s.found.data();
        const int first_slot = results ? grid_access::FirstSlot(cell) : 0;
        for (int m = 0; m < cell->count; ++m) {
            Particula* p = cell->particles[m];
            // Records of the next particle are warmed while this one is searched.
            if (!results && m + 1 < cell->count) {
                __builtin_prefetch(cell->particles[m + 1], 1);
                __builtin_prefetch(&cell->particles[m + 1]->isolatedTime, 1);
            }
            // Without linked fluids every particle of the grid is this fluid's.
            if (!one_limit && p->owner != f) continue;
            Query query{own_x[m], own_y[m], own_z[m], own_start + static_cast<size_t>(m),
                        one_limit, own_limit};
            Particula** out = arena.Open(static_cast<int>(padded), found);
            int kept = g_select(s, padded, query, out);
            if (veto && kept > 0) {
                int survivors = 0;
                for (int c = 0; c < kept; ++c) {
                    Particula* q = out[c];
                    if (q->owner == f && engine_hooks::ThinFaceBlocks(p, q)) continue;
                    out[survivors++] = q;
                }
                kept = survivors;
            }
            Particula** list = kept > 0 ? arena.Commit(out, kept) : nullptr;
            if (results) {
                results[first_slot + m] = {list, kept};
            } else {
                p->numNeighbours = kept;
                if (kept > 0) {
                    p->isolatedTime = 0.0f;
                    p->neighbours = list;
                }
            }
        }
    });
}

struct ApplyJob {
    const std::vector<Particula*>* order;
    const grid_access::Filled* filled;
};

void ApplyResults(void* context, int from, int to, int) {
    auto* job = static_cast<ApplyJob*>(context);
    const grid_access::Filled& filled = *job->filled;
    Particula* const* order = job->order->data();
    // What a particle further on found is loaded ahead: slots follow space, not the list.
    constexpr int kAhead = 16;
    for (int i = from; i < to; ++i) {
        if (i + kAhead < to && filled.slot_of[i + kAhead] != grid_access::kNoSlot) {
            __builtin_prefetch(&filled.found[filled.slot_of[i + kAhead]]);
        }
        const uint32_t slot = filled.slot_of[i];
        if (slot == grid_access::kNoSlot) continue;
        Particula* p = order[i];
        const Results found = filled.found[slot];
        p->numNeighbours = found.count;
        if (found.count > 0) {
            p->isolatedTime = 0.0f;
            p->neighbours = found.list;
        }
    }
}

// Springs from each particle of the slabs to its neighbours: first the whole body, then the
// particles that joined later. One warning per pass for pairs too close to join.
void CreateSprings(Fluido* f, int x0, int x1) {
    auto join = [&](bool only_new) {
        bool too_close = false;
        grid_access::ForCells(f, x0, x1, [&](Voxel* cell, int, int, int) {
            for (int m = 0; m < cell->count; ++m) {
                Particula* p = cell->particles[m];
                if (p->owner != f || (only_new && p->springsBuilt)) continue;
                for (int q = 0; q < p->numNeighbours; ++q) {
                    if (p->AddMuelleASi(p->neighbours[q])) too_close = true;
                }
                p->springsBuilt = 1;
            }
        });
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
    Results* results;
};

void SlabSearch(void* context, int x0, int x1, int) {
    auto* job = static_cast<SlabJob*>(context);
    NeighbourArena arena(job->fluid->poolNeighbours, true, true);
    SearchSlabs(job->fluid, x0, x1, arena, job->results);
}

}  // namespace

void Fluido::BuscaVecinos(int x0, int x1) {
    if (SearchSkipped(this)) return;
    NeighbourArena arena(poolNeighbours, false, parallel::SlabThreads() > 1);
    SearchSlabs(this, x0, x1, arena, nullptr);
    if (type == kFluidElastic) CreateSprings(this, x0, x1);
}

namespace fluid_passes {

bool UseSearchKernel(SearchKernel kernel) {
    switch (kernel) {
        case SearchKernel::kBest:
            g_select = ChooseSelect();
            return true;
        case SearchKernel::kScalar:
            g_select = SelectScalar;
            return true;
#if defined(__SSE2__)
        case SearchKernel::kSse2:
            g_select = SelectSse2;
            return true;
#endif
#if defined(__x86_64__)
        case SearchKernel::kAvx2:
            if (!__builtin_cpu_supports("avx2")) return false;
            g_select = SelectAvx2;
            return true;
        case SearchKernel::kAvx512:
            if (!__builtin_cpu_supports("avx512f")) return false;
            g_select = SelectAvx512;
            return true;
#endif
        default:
            return false;
    }
}

void SearchNeighbours(Fluido* f) {
    if (SearchSkipped(f)) return;
    // Results by cell slot when this step's fill knows where each particle went.
    const grid_access::Filled* filled = grid_access::FilledGrid(f);
    const std::vector<Particula*>* order = particle_order::Current(f);
    const bool by_slot = filled && order && filled->own_count == static_cast<int>(order->size());
    SlabJob job{f, by_slot ? filled->found : nullptr};
    grid_access::ForSlabPieces(f, SlabSearch, &job, "thread-1");
    if (by_slot) {
        ApplyJob apply{order, filled};
        const std::vector<int>& pieces = particle_order::Pieces(f, filled->own_count);
        parallel::ForPieces(pieces.data(), static_cast<int>(pieces.size()) - 1, ApplyResults,
                            &apply, nullptr);
    }
    // Springs read and write the lists of particles on both sides of a slab boundary, so
    // they are made in one ordered pass: the same springs whatever the thread count.
    if (f->type == kFluidElastic) CreateSprings(f, 0, f->nx);
}

}  // namespace fluid_passes
