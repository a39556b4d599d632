// The per-step voxel grid: bounds, allocation from the VOXELS pool, filling from the
// PARTICLE LISTS pool, and the rewind at the end of the step.
//
// Each cell's particle array is followed, in the same allocation, by a copy of the particles'
// positions (x, y, z per particle). The neighbour search and the queries read positions from
// there: contiguous, so a cell's candidates stream through the cache instead of being
// gathered from scattered particle records.
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "fluid/grid_access.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"

namespace {

// Past this many cells the grid's pointer arrays alone would need gigabytes; the cells are
// made wider instead, which the search tolerates (a cell of at least 2h still holds every
// neighbour within its 27-cell block).
constexpr double kMaxCells = 16.0 * 1024 * 1024;
constexpr int kMaxAxisCells = kPoolBlockSize / static_cast<int>(sizeof(void*)) - 1;

int Dimension(float lo, float hi, float cell) {
    double n = std::trunc(static_cast<double>((hi - lo) / cell + 1.0f));
    if (!(n >= 1.0)) return 1;
    if (n > kMaxAxisCells) return kMaxAxisCells + 1;
    return static_cast<int>(n);
}

}  // namespace

namespace grid_access {

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
    speedMax = -1e9f;
    speedMin = 1e9f;
    for (Particula* p = first; p; p = p->next) {
        float s = p->vel.Modulo() + p->extraVel.Modulo();
        if (s > speedMax) speedMax = s;
        if (s < speedMin) speedMin = s;
    }
    if (!active) {
        // No grid and no search this step: the counts of the last active step describe
        // arrays that were released, so these particles have no neighbours now.
        for (Particula* p = first; p; p = p->next) p->numNeighbours = 0;
        return;
    }
    velMax = Vector(0.01f, 0.01f, 0.01f);
    velMin = Vector(-0.01f, -0.01f, -0.01f);
    boxMax = Vector(-1e9f, -1e9f, -1e9f);
    boxMin = Vector(1e9f, 1e9f, 1e9f);
    for (Particula* p = first; p; p = p->next) {
        for (int a = 0; a < 3; ++a) {
            if (p->vel[a] >= velMax[a]) velMax[a] = p->vel[a];
            if (p->vel[a] <= velMin[a]) velMin[a] = p->vel[a];
        }
        // A particle blown to infinity cannot be placed in any grid; it must not make the
        // grid of the others infinite.
        if (!std::isfinite(p->pos.x) || !std::isfinite(p->pos.y) || !std::isfinite(p->pos.z)) {
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            if (p->pos[a] >= boxMax[a]) boxMax[a] = p->pos[a];
            if (p->pos[a] <= boxMin[a]) boxMin[a] = p->pos[a];
        }
    }
    for (int a = 0; a < 3; ++a) {
        boxMax[a] += 0.1f;
        boxMin[a] -= 0.1f;
    }
    engine_hooks::MarkNearFaces(this);
}

void Fluido::CreaRejilla() {
    if (!active || !First()) return;
    nx = Dimension(boxMin.x, boxMax.x, cellSize);
    ny = Dimension(boxMin.y, boxMax.y, cellSize);
    nz = Dimension(boxMin.z, boxMax.z, cellSize);
    // A fluid spread far and wide (a stray particle, a long fall) gets wider cells rather
    // than a grid that cannot be allocated.
    bool widened = false;
    while (static_cast<double>(nx) * ny * nz > kMaxCells || nx > kMaxAxisCells ||
           ny > kMaxAxisCells || nz > kMaxAxisCells) {
        if (!std::isfinite(cellSize) || cellSize > 1e30f) break;
        cellSize *= 2.0f;
        nx = Dimension(boxMin.x, boxMax.x, cellSize);
        ny = Dimension(boxMin.y, boxMax.y, cellSize);
        nz = Dimension(boxMin.z, boxMax.z, cellSize);
        widened = true;
    }
    if (nx > kMaxAxisCells || ny > kMaxAxisCells || nz > kMaxAxisCells) nx = ny = nz = 1;
    if (widened) {
        Warning(platform::Format("%s spreads too far for its grid; cells widened to %g",
                                 prefix, static_cast<double>(cellSize))
                    .c_str());
    }
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
    MemPool* previous = AllocSetPool(poolVoxels);

    auto count_in = [&](Particula* p, bool report) {
        int i = grid_access::CellIndex(p->pos.x - boxMin.x, inv, nx);
        int j = grid_access::CellIndex(p->pos.y - boxMin.y, inv, ny);
        int k = grid_access::CellIndex(p->pos.z - boxMin.z, inv, nz);
        if (i >= nx || j >= ny || k >= nz) {
            if (report) platform::LogLine("Internal failure: code 01");
            return;
        }
        if (i < 0 || j < 0 || k < 0) {
            if (report) platform::LogLine("Internal failure: code 011");
            return;
        }
        Voxel*& cell = grid[i][j][k];
        if (!cell) {
            cell = static_cast<Voxel*>(Alloc(sizeof(Voxel)));
            cell->count = 0;
            cell->particles = nullptr;
            cell->faces = nullptr;
        }
        ++cell->count;
    };
    for (Particula* p = First(); p; p = p->next) count_in(p, true);
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] == this || !linkedFluids[l]) continue;
        for (Particula* p = linkedFluids[l]->First(); p; p = p->next) count_in(p, false);
    }

    AllocSetPool(poolLists);
    for (int i = 0; i < nx; ++i) {
        for (int j = 0; j < ny; ++j) {
            for (int k = 0; k < nz; ++k) {
                Voxel* cell = grid[i][j][k];
                if (!cell || cell->count <= 0) continue;
                // A pool serves at most one block per request; a cell packed beyond that keeps
                // the particles that fit and the rest sit out this step.
                int capacity = cell->count;
                if (capacity > grid_access::kMaxCellCapacity) {
                    capacity = grid_access::kMaxCellCapacity;
                    Warning("Too many particles in one cell; some are left out of this step");
                }
                void* block = Alloc(static_cast<int>(grid_access::CellBytes(capacity)));
                grid_access::InitCell(cell, block, capacity);
            }
        }
    }

    auto place = [&](Particula* p) {
        int i = grid_access::CellIndex(p->pos.x - boxMin.x, inv, nx);
        int j = grid_access::CellIndex(p->pos.y - boxMin.y, inv, ny);
        int k = grid_access::CellIndex(p->pos.z - boxMin.z, inv, nz);
        if (i < 0 || j < 0 || k < 0 || i >= nx || j >= ny || k >= nz) return;
        Voxel* cell = grid[i][j][k];
        if (!cell || !cell->particles) {
            platform::MessageBox("Null voxel!");
            return;
        }
        if (cell->count < grid_access::Capacity(cell)) grid_access::Append(cell, p);
    };
    for (Particula* p = First(); p; p = p->next) {
        p->numNeighbours = 0;
        p->collided = 0;
        place(p);
    }
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] == this || !linkedFluids[l]) continue;
        for (Particula* p = linkedFluids[l]->First(); p; p = p->next) place(p);
    }
    AllocSetPool(previous);
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
