#pragma once

#include <cstdint>
#include <vector>

#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"

// What a fluid's grid keeps from step to step: whether its cells were widened (so the warning
// comes once, not every step), the storage of cells too full for one pool block, what the
// last fill found, and the fill's working arrays, which keep their size so that a step in the
// steady state allocates nothing. Touched only by the stepping thread and the workers it runs.
struct GridState {
    bool widened = false;
    bool filled = false;
    std::vector<std::vector<char>> big_cells;
    grid_access::Filled fill;

    // The particles placed this step: the fluid's own (its list order) then the linked
    // fluids' particles.
    std::vector<Particula*> linked;
    // Flat cell of each placed particle (or one of the marks below); once grouped, the
    // occupied cells of each slab; once the cells are made, the slot of each placed particle.
    std::vector<uint32_t> keys;
    // The placed particles (with their place in the placing order) and their positions,
    // grouped by x-slab, each group in placing order. Once the cells are filled, the same
    // memory holds the search's results.
    struct Entry {
        Particula* p;
        uint32_t index;
        float x, y, z;
    };
    std::vector<uint64_t> entries;
    Entry* Entries() { return reinterpret_cast<Entry*>(entries.data()); }
    // Where the fill writes each occupied cell (in grid order) and how far it got.
    struct CellFill {
        Particula** particles;
        int capacity, first_slot, count;
    };
    std::vector<CellFill> cell_fill;
    // Particles per cell (then, for occupied cells, their place in cell_fill); per piece of
    // the placing order, particles per slab (then the
    // piece's next free place in each slab's group); first place of each slab's group.
    std::vector<int> counts;
    std::vector<int> piece_slabs;
    std::vector<int> slab_start;
    std::vector<int> pieces;
    // Places in the placing order of the own particles left out of the grid.
    std::vector<int> left_out_at;
};

constexpr uint32_t kAboveGrid = 0xFFFFFFFFu;
constexpr uint32_t kBelowGrid = 0xFFFFFFFEu;

GridState& StateOf(const Fluido* f);
