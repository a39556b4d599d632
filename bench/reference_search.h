#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The plain uniform-grid neighbour search the benchmarks compare against: cells of 2h,
// particles binned by a counting sort into one flat array, 27 cells scanned per particle,
// per-axis rejection then the squared distance, neighbour indices appended to flat arrays.
// With more than one thread the particles are split into equal ranges, one per thread, each
// appending to its own array; the binning stays on one thread.
struct ReferenceSearch {
    std::vector<uint32_t> cell_start;               // per cell, into order
    std::vector<uint32_t> order;                    // particle indices sorted by cell
    std::vector<uint32_t> cell_index;               // per particle
    std::vector<std::vector<uint32_t>> neighbours;  // per thread, its range's lists in turn

    void Run(const std::vector<float>& xyz, float h, int threads);
    size_t Pairs() const;
};
