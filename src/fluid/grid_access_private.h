#pragma once

#include <cstddef>

#include "fluid/fluido.h"

// Layout of a cell's storage in the PARTICLE LISTS pool: an 8-byte header holding the
// capacity, the particle pointers, then the x of each particle, the y of each, the z of each.
namespace grid_access {

// Cell index of an offset from the grid origin; -1 below the grid, n at or above its end
// (and for a position that is not a number).
int CellIndex(float offset, float inv_cell, int n);

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

inline void InitCell(Voxel* cell, void* block, int capacity) {
    *static_cast<int*>(block) = capacity;
    cell->particles = reinterpret_cast<Particula**>(static_cast<char*>(block) + 8);
    cell->count = 0;
}

inline int Capacity(const Voxel* cell) {
    return *reinterpret_cast<const int*>(reinterpret_cast<const char*>(cell->particles) - 8);
}

inline float* Xs(const Voxel* cell) {
    return reinterpret_cast<float*>(cell->particles + Capacity(cell));
}
inline float* Ys(const Voxel* cell) { return Xs(cell) + Capacity(cell); }
inline float* Zs(const Voxel* cell) { return Xs(cell) + 2 * Capacity(cell); }

inline void Append(Voxel* cell, Particula* p) {
    float* x = Xs(cell);
    const int capacity = Capacity(cell);
    x[cell->count] = p->pos.x;
    x[capacity + cell->count] = p->pos.y;
    x[2 * capacity + cell->count] = p->pos.z;
    cell->particles[cell->count++] = p;
}

// The cell at (i, j, k), or null outside the grid or where no particle lies.
inline Voxel* At(const Fluido* f, int i, int j, int k) {
    if (i < 0 || j < 0 || k < 0 || i >= f->nx || j >= f->ny || k >= f->nz) return nullptr;
    return f->grid[i][j][k];
}

}  // namespace grid_access
