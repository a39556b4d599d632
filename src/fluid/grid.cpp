// The per-step voxel grid: bounds, allocation from the VOXELS pool and the rewind at the end
// of the step. The fill is in grid_fill.cpp.
//
// Each cell's particle array is followed, in the same allocation, by a copy of the particles'
// positions (x, y, z per particle). The neighbour search and the queries read positions from
// there: contiguous, so a cell's candidates stream through the cache instead of being
// gathered from scattered particle records.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "fluid/engine_hooks.h"
#include "fluid/fluid_limits.h"
#include "fluid/fluido.h"
#include "fluid/grid_state_private.h"
#include "fluid/parallel.h"
#include "fluid/particle_order_private.h"
#include "platform/format.h"
#include "platform/messages.h"

namespace {

// Past this many cells the grid's pointer arrays alone would need gigabytes; the cells are
// made wider instead, which the search tolerates (a cell of at least 2h still holds every
// neighbour within its 27-cell block).
constexpr double kMaxCells = 16.0 * 1024 * 1024;
// Every pass walks every cell, so one particle far from the rest must not make a grid of
// millions of empty cells: past this many cells per particle they are widened too. Wider
// cells cost the dense part more candidates per particle, which pays off long before this.
constexpr double kCellsPerParticle = 64.0;
constexpr double kMinCellBudget = 65536.0;
constexpr int kMaxAxisCells = kPoolBlockSize / static_cast<int>(sizeof(void*)) - 1;

int Dimension(float lo, float hi, float cell) {
    double n = std::trunc(static_cast<double>((hi - lo) / cell + 1.0f));
    if (!(n >= 1.0)) return 1;
    if (n > kMaxAxisCells) return kMaxAxisCells + 1;
    return static_cast<int>(n);
}

std::unordered_map<const Fluido*, GridState>& States() {
    static auto* states = new std::unordered_map<const Fluido*, GridState>;
    return *states;
}

// Bounds and speeds over a part of the particles. Maxima and minima come out the same
// whichever part saw a value first, so the parts combine to what one walk gives.
struct Box {
    float s_max = -1e9f, s_min = 1e9f;
    float v_max[3] = {0.01f, 0.01f, 0.01f}, v_min[3] = {-0.01f, -0.01f, -0.01f};
    float b_max[3] = {-1e9f, -1e9f, -1e9f}, b_min[3] = {1e9f, 1e9f, 1e9f};

    void Add(const Box& o) {
        if (o.s_max > s_max) s_max = o.s_max;
        if (o.s_min < s_min) s_min = o.s_min;
        for (int a = 0; a < 3; ++a) {
            if (o.v_max[a] >= v_max[a]) v_max[a] = o.v_max[a];
            if (o.v_min[a] <= v_min[a]) v_min[a] = o.v_min[a];
            if (o.b_max[a] >= b_max[a]) b_max[a] = o.b_max[a];
            if (o.b_min[a] <= b_min[a]) b_min[a] = o.b_min[a];
        }
    }
};

struct alignas(64) SlotBox {
    Box box;
    bool used = false;
};

struct BoxJob {
    const std::vector<Particula*>* order;
    bool boxed;
    bool check;  // the order is the one kept from the last step: see that it still is the list
    std::atomic<bool> broken{false};
    SlotBox slots[64];
};

void MeasurePart(void* context, int from, int to, int slot) {
    auto* job = static_cast<BoxJob*>(context);
    SlotBox& mine = job->slots[slot];
    Box b = mine.box;
    const bool boxed = job->boxed;
    Particula* const* order = job->order->data();
    const int last = static_cast<int>(job->order->size()) - 1;
    bool linked = true;
    for (int n = from; n < to; ++n) {
        Particula* p = order[n];
        if (job->check) linked &= p->next == (n < last ? order[n + 1] : nullptr);
        const float v[3] = {p->vel.x, p->vel.y, p->vel.z};
        const Vector& e = p->extraVel;
        float s = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) +
                  std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
        if (s > b.s_max) b.s_max = s;
        if (s < b.s_min) b.s_min = s;
        if (!boxed) {
            // No grid and no search this step: the counts of the last active step describe
            // arrays that were released, so these particles have no neighbours now.
            p->numNeighbours = 0;
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            if (v[a] >= b.v_max[a]) b.v_max[a] = v[a];
            if (v[a] <= b.v_min[a]) b.v_min[a] = v[a];
        }
        const float x[3] = {p->pos.x, p->pos.y, p->pos.z};
        // A particle blown to infinity cannot be placed in any grid; it must not make the
        // grid of the others infinite.
        if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) continue;
        for (int a = 0; a < 3; ++a) {
            if (x[a] >= b.b_max[a]) b.b_max[a] = x[a];
            if (x[a] <= b.b_min[a]) b.b_min[a] = x[a];
        }
    }
    mine.box = b;
    mine.used = true;
    if (!linked) job->broken.store(true, std::memory_order_relaxed);
}

struct ClearJob {
    Voxel*** const* columns;
    int ny, nz;
};

void ClearColumns(void* context, int from, int to, int) {
    auto* job = static_cast<ClearJob*>(context);
    for (int i = from; i < to; ++i) {
        for (int j = 0; j < job->ny; ++j) {
            std::memset(job->columns[i][j], 0, sizeof(Voxel*) * static_cast<size_t>(job->nz));
        }
    }
}

}  // namespace

GridState& StateOf(const Fluido* f) { return States()[f]; }

namespace grid_access {

void Forget(const Fluido* f) { States().erase(f); }

void ForSlabPieces(const Fluido* f, parallel::SlabBody body, void* job, const char* name) {
    if (const Filled* filled = FilledGrid(f)) {
        parallel::ForPieces(filled->slab_pieces.data(),
                            static_cast<int>(filled->slab_pieces.size()) - 1, body, job, name);
    } else {
        parallel::ForSlabs(f->nx, body, job, name);
    }
}

const Filled* FilledGrid(const Fluido* f) {
    if (!f->grid) return nullptr;
    auto it = States().find(f);
    return it != States().end() && it->second.filled ? &it->second.fill : nullptr;
}

}  // namespace grid_access

void Fluido::CalculaCaja() {
    if (!First()) return;
    BoxJob job;
    job.boxed = active != 0;
    // An inactive fluid's pass writes to its particles: only along an order known to be its
    // list, never one still to be checked.
    job.order = job.boxed ? particle_order::Kept(this) : nullptr;
    job.check = job.order != nullptr;
    for (;;) {
        if (!job.order) job.order = &particle_order::Walk(this);
        const int n = static_cast<int>(job.order->size());
        const std::vector<int>& pieces = particle_order::Pieces(this, n);
        parallel::ForPieces(pieces.data(), static_cast<int>(pieces.size()) - 1, MeasurePart,
                            &job, nullptr);
        if (!job.broken.load()) break;
        // The list changed in some other way than by particles made or removed: walk it.
        job.order = nullptr;
        job.check = false;
        job.broken.store(false);
        for (SlotBox& slot : job.slots) slot = SlotBox();
    }
    Box b;
    for (const SlotBox& slot : job.slots) {
        if (slot.used) b.Add(slot.box);
    }
    speedMax = b.s_max;
    speedMin = b.s_min;
    if (!job.boxed) return;
    velMax = Vector(b.v_max[0], b.v_max[1], b.v_max[2]);
    velMin = Vector(b.v_min[0], b.v_min[1], b.v_min[2]);
    boxMax = Vector(b.b_max[0] + 0.1f, b.b_max[1] + 0.1f, b.b_max[2] + 0.1f);
    boxMin = Vector(b.b_min[0] - 0.1f, b.b_min[1] - 0.1f, b.b_min[2] - 0.1f);
    engine_hooks::MarkNearFaces(this);
}

void Fluido::CreaRejilla() {
    if (!active || !First()) return;
    // A cell size left at zero, below 2h or not a number (by a file or a plug-in) would
    // never widen and would lose neighbours: it follows h again.
    if (!(cellSize >= 2.0f * h) || !std::isfinite(cellSize)) {
        fluid_limits::SetSmoothingLength(this, h);
    }
    double placed = count;
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] && linkedFluids[l] != this) placed += linkedFluids[l]->count;
    }
    const double budget = std::min(kMaxCells, kMinCellBudget + kCellsPerParticle * placed);
    nx = Dimension(boxMin.x, boxMax.x, cellSize);
    ny = Dimension(boxMin.y, boxMax.y, cellSize);
    nz = Dimension(boxMin.z, boxMax.z, cellSize);
    // A fluid spread far and wide (a stray particle, a long fall) gets wider cells rather
    // than a grid that cannot be allocated or that every pass would crawl through.
    bool widened = false;
    while (static_cast<double>(nx) * ny * nz > budget || nx > kMaxAxisCells ||
           ny > kMaxAxisCells || nz > kMaxAxisCells) {
        if (!std::isfinite(cellSize) || cellSize > 1e30f) break;
        cellSize *= 2.0f;
        nx = Dimension(boxMin.x, boxMax.x, cellSize);
        ny = Dimension(boxMin.y, boxMax.y, cellSize);
        nz = Dimension(boxMin.z, boxMax.z, cellSize);
        widened = true;
    }
    // Cells past any sane width and still too many (particles 1e32 apart): one cell, wide
    // enough to hold them all.
    if (nx > kMaxAxisCells || ny > kMaxAxisCells || nz > kMaxAxisCells ||
        static_cast<double>(nx) * ny * nz > budget) {
        nx = ny = nz = 1;
        const Vector extent = boxMax - boxMin;
        cellSize = std::max({extent.x, extent.y, extent.z, cellSize}) * 1.01f;
    }
    GridState& state = StateOf(this);
    state.filled = false;
    bool& was_widened = state.widened;
    if (widened && !was_widened) {
        Warning(platform::Format("%s spreads too far for its grid; cells widened to %g",
                                 prefix, static_cast<double>(cellSize))
                    .c_str());
    }
    was_widened = widened;
    MemPool* previous = AllocSetPool(poolVoxels);
    grid = static_cast<Voxel****>(Alloc(nx * static_cast<int>(sizeof(Voxel***))));
    for (int i = 0; i < nx; ++i) {
        grid[i] = static_cast<Voxel***>(Alloc(ny * static_cast<int>(sizeof(Voxel**))));
        for (int j = 0; j < ny; ++j) {
            grid[i][j] = static_cast<Voxel**>(Alloc(nz * static_cast<int>(sizeof(Voxel*))));
        }
    }
    AllocSetPool(previous);
    // A sparse grid has many more cells than particles: clearing them is worth the threads.
    ClearJob clear{grid, ny, nz};
    const double cells = static_cast<double>(nx) * ny * nz;
    if (cells < 65536.0 || nx < 2) {
        ClearColumns(&clear, 0, nx, 0);
    } else {
        parallel::ForSlabs(nx, ClearColumns, &clear, nullptr);
    }
}

void Fluido::LiberaPorPaso() {
    if (!active || !First()) return;
    MemPool* previous = AllocSetPool(nullptr);
    for (MemPool* pool : {poolVoxels, poolLists, poolNeighbours, poolFaces}) {
        if (!pool) continue;
        AllocSetPool(pool);
        AllocReset();
    }
    AllocSetPool(previous);
    grid = nullptr;
    StateOf(this).filled = false;
}
