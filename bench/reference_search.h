#pragma once

#include <cstdint>
#include <vector>

// The plain uniform-grid neighbour search the benchmarks compare against: cells of 2h,
// particles binned by a counting sort into one flat array, 27 cells scanned per particle,
// per-axis rejection then the squared distance, neighbour indices appended to one flat array.
struct ReferenceSearch {
    std::vector<uint32_t> cell_start;  // per cell, into order
    std::vector<uint32_t> order;       // particle indices sorted by cell
    std::vector<uint32_t> offsets;     // per particle, into neighbours (size n + 1)
    std::vector<uint32_t> neighbours;

    void Run(const std::vector<float>& xyz, float h);
};
