#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "fluid/fluido.h"
#include "fluid/parallel.h"

// The per-step grid as the engine's passes (and the object collision built on it) see it.
//
// Cells: `Fluido::grid[i][j][k]` is the cell record of cell (i, j, k), or null where no
// particle lies; cell (i, j, k) covers boxMin + [i, i+1) x cellSize on x, likewise on y and z.
// A record lists its particles in list order: the fluid's own first, then those of its linked
// fluids, whatever thread count built it. Its `faces` is null when the grid is filled; the
// face lists of a cell are the object pass's to fill (FACE LISTS pool). CellIndex gives the
// cell of a point along one axis, At the record of a cell. Both hold from LlenaRejilla to
// LiberaPorPaso.
//
// Layout of a cell's storage in the PARTICLE LISTS pool: an 8-byte header holding the
// capacity and the cell's first slot (its place among all the grid's particles taken cell by
// cell in grid order), the particle pointers, then the x of each particle, the y of each, the
// z of each.
namespace grid_access {

// Cell index of an offset from the grid origin; -1 below the grid, n at or above its end
// (and for a position that is not a number).
inline int CellIndex(float offset, float inv_cell, int n) {
    float v = offset * inv_cell;
    if (!(v < static_cast<float>(n))) return n;  // too high, or not a number
    if (v <= -1.0f) return -1;
    return static_cast<int>(v);
}

// Drops what a deleted fluid's grid kept between steps.
void Forget(const Fluido* f);

// The most particles one cell's storage in the pool can hold: one pool block. Fuller cells
// keep their storage beside the pool.
constexpr int kMaxCellCapacity =
    static_cast<int>((kPoolBlockSize - 16) / (sizeof(Particula*) + 3 * sizeof(float)));

inline size_t CellBytes(int capacity) {
    size_t n = 8 + static_cast<size_t>(capacity) * (sizeof(Particula*) + 3 * sizeof(float));
    return (n + 7) & ~static_cast<size_t>(7);
}

inline void InitCell(Voxel* cell, void* block, int capacity, int first_slot) {
    static_cast<int*>(block)[0] = capacity;
    static_cast<int*>(block)[1] = first_slot;
    cell->particles = reinterpret_cast<Particula**>(static_cast<char*>(block) + 8);
    cell->count = 0;
    cell->faces = nullptr;
}

inline int Capacity(const Voxel* cell) {
    return *reinterpret_cast<const int*>(reinterpret_cast<const char*>(cell->particles) - 8);
}

inline int FirstSlot(const Voxel* cell) {
    return *reinterpret_cast<const int*>(reinterpret_cast<const char*>(cell->particles) - 4);
}

inline float* Xs(const Voxel* cell) {
    return reinterpret_cast<float*>(cell->particles + Capacity(cell));
}
inline float* Ys(const Voxel* cell) {
    return Xs(cell) + Capacity(cell);
}
inline float* Zs(const Voxel* cell) {
    return Xs(cell) + 2 * Capacity(cell);
}

// Places p, at (x, y, z), last in the cell; returns its slot.
inline int Append(Voxel* cell, Particula* p, float x, float y, float z) {
    float* xs = Xs(cell);
    const int capacity = Capacity(cell);
    const int m = cell->count++;
    xs[m] = x;
    xs[capacity + m] = y;
    xs[2 * capacity + m] = z;
    cell->particles[m] = p;
    return FirstSlot(cell) + m;
}

// The cell at (i, j, k), or null outside the grid or where no particle lies.
inline Voxel* At(const Fluido* f, int i, int j, int k) {
    if (i < 0 || j < 0 || k < 0 || i >= f->nx || j >= f->ny || k >= f->nz) return nullptr;
    return f->grid[i][j][k];
}

// Starts loading the records of the neighbours of f's particle p (their first `lines` cache
// lines), so that a pass going cell by cell finds them in the cache when it reaches p. In a
// fluid that has mixed, neighbours in space lie anywhere in memory. Particles of linked
// fluids are left alone: their lists are not this step's.
inline void WarmNeighbours(const Fluido* f, const Particula* p, int lines) {
    if (p->owner != f) return;
    const int n = p->numNeighbours;
    for (int i = 0; i < n; ++i) {
        const char* q = reinterpret_cast<const char*>(p->neighbours[i]);
        __builtin_prefetch(q);
        if (lines > 1) __builtin_prefetch(q + 64);
    }
}

// What the fill of this step's grid found, for the passes that follow it.
struct Filled {
    // Work pieces for the threads: bounds in x holding about the same number of particles.
    std::vector<int> slab_pieces;
    // The occupied cells in grid order with their flat index (i ny + j) nz + k; those of
    // x-slab i are [slab_cells[i], slab_cells[i + 1]).
    std::vector<int> slab_cells;
    std::vector<Voxel*> cells;
    std::vector<uint32_t> keys;
    // The fluid's own particles that lie outside the grid, in list order.
    std::vector<Particula*> left_out;
    // For the fluid's own particles in the list order the fill took (own_count of them): the
    // slot each was given, kNoSlot for those left out. And one search result per slot, so the
    // search writes its results cell by cell and the records take them in list order.
    struct Found {
        Particula** list;
        int count;
    };
    int own_count = 0;
    const uint32_t* slot_of = nullptr;
    Found* found = nullptr;
};

constexpr uint32_t kNoSlot = 0xFFFFFFFFu;

// The fill of the fluid's current grid; null when no grid was filled since the last
// CreaRejilla or LiberaPorPaso.
const Filled* FilledGrid(const Fluido* f);

// body(x0, x1, slot) over the slab pieces of this step's fill, handed to the threads as they
// come free; over equal runs of slabs for a grid filled some other way.
void ForSlabPieces(const Fluido* f, parallel::SlabBody body, void* job, const char* name);

// body(cell, i, j, k) for every occupied cell of the x-slabs [x0, x1) (clamped to the
// grid), in grid order.
template <typename Body>
void ForCells(const Fluido* f, int x0, int x1, Body body) {
    x0 = x0 < 0 ? 0 : x0;
    x1 = x1 > f->nx ? f->nx : x1;
    if (x0 >= x1) return;
    if (const Filled* filled = FilledGrid(f)) {
        const int from = filled->slab_cells[static_cast<size_t>(x0)];
        const int to = filled->slab_cells[static_cast<size_t>(x1)];
        const uint32_t plane = static_cast<uint32_t>(f->ny) * static_cast<uint32_t>(f->nz);
        const uint32_t nz = static_cast<uint32_t>(f->nz);
        for (int c = from; c < to; ++c) {
            const uint32_t key = filled->keys[static_cast<size_t>(c)];
            const uint32_t i = key / plane, rest = key - i * plane;
            body(filled->cells[static_cast<size_t>(c)], static_cast<int>(i),
                 static_cast<int>(rest / nz), static_cast<int>(rest % nz));
        }
        return;
    }
    for (int i = x0; i < x1; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                if (Voxel* cell = f->grid[i][j][k]) body(cell, i, j, k);
            }
        }
    }
}

}  // namespace grid_access
