// The per-step voxel grid: bounds, allocation from the VOXELS pool, filling from the
// PARTICLE LISTS pool, and the rewind at the end of the step.
//
// Each cell's particle array is followed, in the same allocation, by a copy of the particles'
// positions (x, y, z per particle). The neighbour search and the queries read positions from
// there: contiguous, so a cell's candidates stream through the cache instead of being
// gathered from scattered particle records.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <unordered_map>
#include <vector>

#include "fluid/engine_hooks.h"
#include "fluid/fluid_limits.h"
#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/particle_order_private.h"
#include "platform/format.h"
#include "platform/message_box.h"
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

// What a fluid's grid keeps from step to step: whether its cells were widened (so the warning
// comes once, not every step) and the storage of cells too full for one pool block, which
// grows to the largest cell seen like the search's buffers. Touched only by the stepping
// thread.
struct GridState {
    bool widened = false;
    std::vector<std::vector<char>> big_cells;
};

std::unordered_map<const Fluido*, GridState>& States() {
    static auto* states = new std::unordered_map<const Fluido*, GridState>;
    return *states;
}

}  // namespace

namespace grid_access {

void Forget(const Fluido* f) { States().erase(f); }

int CellIndex(float offset, float inv_cell, int n) {
    float v = offset * inv_cell;
    if (!(v < static_cast<float>(n))) return n;  // too high, or not a number
    if (v <= -1.0f) return -1;
    return static_cast<int>(v);
}

}  // namespace grid_access

void Fluido::CalculaCaja() {
    Particula* first = First();
    if (!first) return;
    // One walk over the list gathers everything; the bounds live in locals so the compiler
    // need not assume the particle stores touch them.
    float s_max = -1e9f, s_min = 1e9f;
    float v_max[3] = {0.01f, 0.01f, 0.01f}, v_min[3] = {-0.01f, -0.01f, -0.01f};
    float b_max[3] = {-1e9f, -1e9f, -1e9f}, b_min[3] = {1e9f, 1e9f, 1e9f};
    const bool boxed = active != 0;
    for (Particula* p = first; p; p = p->next) {
        const float v[3] = {p->vel.x, p->vel.y, p->vel.z};
        const Vector& e = p->extraVel;
        float s = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]) +
                  std::sqrt(e.x * e.x + e.y * e.y + e.z * e.z);
        if (s > s_max) s_max = s;
        if (s < s_min) s_min = s;
        if (!boxed) {
            // No grid and no search this step: the counts of the last active step describe
            // arrays that were released, so these particles have no neighbours now.
            p->numNeighbours = 0;
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            if (v[a] >= v_max[a]) v_max[a] = v[a];
            if (v[a] <= v_min[a]) v_min[a] = v[a];
        }
        const float x[3] = {p->pos.x, p->pos.y, p->pos.z};
        // A particle blown to infinity cannot be placed in any grid; it must not make the
        // grid of the others infinite.
        if (!std::isfinite(x[0]) || !std::isfinite(x[1]) || !std::isfinite(x[2])) continue;
        for (int a = 0; a < 3; ++a) {
            if (x[a] >= b_max[a]) b_max[a] = x[a];
            if (x[a] <= b_min[a]) b_min[a] = x[a];
        }
    }
    speedMax = s_max;
    speedMin = s_min;
    if (!boxed) return;
    velMax = Vector(v_max[0], v_max[1], v_max[2]);
    velMin = Vector(v_min[0], v_min[1], v_min[2]);
    boxMax = Vector(b_max[0] + 0.1f, b_max[1] + 0.1f, b_max[2] + 0.1f);
    boxMin = Vector(b_min[0] - 0.1f, b_min[1] - 0.1f, b_min[2] - 0.1f);
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
    if (nx > kMaxAxisCells || ny > kMaxAxisCells || nz > kMaxAxisCells) nx = ny = nz = 1;
    bool& was_widened = States()[this].widened;
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
            std::memset(grid[i][j], 0, sizeof(Voxel*) * static_cast<size_t>(nz));
        }
    }
    AllocSetPool(previous);
}

void Fluido::LlenaRejilla() {
    if (!active || !First() || !grid) return;
    const float inv = 1.0f / cellSize;
    const size_t cells = static_cast<size_t>(nx) * ny * nz;

    // Counting first into a flat table and only then making the cell records, in grid order,
    // keeps the records of neighbouring cells together whatever order the particles come in.
    static thread_local std::vector<int> counts;
    static thread_local std::vector<int> slots;  // flat cell of each own particle, or -1
    // Room to spare, so a grid or a fluid that grows a little does not reallocate every step.
    if (counts.capacity() < cells) counts.reserve(cells * 2);
    if (slots.capacity() < static_cast<size_t>(count)) slots.reserve(static_cast<size_t>(count) * 2);
    counts.assign(cells, 0);
    slots.clear();
    auto flat_cell = [&](const Particula* p, bool report) -> int {
        int i = grid_access::CellIndex(p->pos.x - boxMin.x, inv, nx);
        int j = grid_access::CellIndex(p->pos.y - boxMin.y, inv, ny);
        int k = grid_access::CellIndex(p->pos.z - boxMin.z, inv, nz);
        if (i >= nx || j >= ny || k >= nz) {
            if (report) platform::LogLine("Internal failure: code 01");
            return -1;
        }
        if (i < 0 || j < 0 || k < 0) {
            if (report) platform::LogLine("Internal failure: code 011");
            return -1;
        }
        return (i * ny + j) * nz + k;
    };
    for (Particula* p = First(); p; p = p->next) {
        int c = flat_cell(p, true);
        slots.push_back(c);
        if (c >= 0) ++counts[static_cast<size_t>(c)];
    }
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] == this || !linkedFluids[l]) continue;
        for (Particula* p = linkedFluids[l]->First(); p; p = p->next) {
            int c = flat_cell(p, false);
            if (c >= 0) ++counts[static_cast<size_t>(c)];
        }
    }

    MemPool* previous = AllocSetPool(nullptr);
    std::vector<std::vector<char>>& big_cells = States()[this].big_cells;
    size_t big_used = 0;
    size_t c = 0;
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            for (int k = 0; k < nz; ++k, ++c) {
                if (counts[c] <= 0) continue;
                AllocSetPool(poolVoxels);
                Voxel* cell = static_cast<Voxel*>(Alloc(sizeof(Voxel)));
                cell->faces = nullptr;
                grid[i][j][k] = cell;
                const int capacity = counts[c];
                const size_t bytes = grid_access::CellBytes(capacity);
                void* block;
                if (capacity <= grid_access::kMaxCellCapacity) {
                    AllocSetPool(poolLists);
                    block = Alloc(static_cast<int>(bytes));
                } else {
                    // A pool serves at most one block per request: a cell packed beyond that
                    // (a collapsed stack) keeps its storage beside the pool.
                    if (big_used == big_cells.size()) big_cells.emplace_back();
                    std::vector<char>& store = big_cells[big_used++];
                    if (store.size() < bytes) store.resize(bytes);
                    block = store.data();
                }
                grid_access::InitCell(cell, block, capacity);
            }
        }
    }
    AllocSetPool(previous);

    auto place = [&](Particula* p, int flat) {
        const int k = flat % nz;
        const int j = flat / nz % ny;
        const int i = flat / nz / ny;
        Voxel* cell = grid[i][j][k];
        if (!cell || !cell->particles) {
            platform::MessageBox("Null voxel!");
            return;
        }
        if (cell->count < grid_access::Capacity(cell)) grid_access::Append(cell, p);
    };
    size_t at = 0;
    std::vector<Particula*>& order = particle_order::Refill(this);
    for (Particula* p = First(); p; p = p->next, ++at) {
        p->numNeighbours = 0;
        p->collided = 0;
        if (slots[at] >= 0) place(p, slots[at]);
        order.push_back(p);
    }
    particle_order::Captured(this);
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] == this || !linkedFluids[l]) continue;
        for (Particula* p = linkedFluids[l]->First(); p; p = p->next) {
            int flat = flat_cell(p, false);
            if (flat >= 0) place(p, flat);
        }
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
}
