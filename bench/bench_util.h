#pragma once

#include <chrono>
#include <vector>

#include "fluid/fluido.h"
#include "math/vector.h"

// The benchmark block: 50 x 50 x 50 particles on a lattice of spacing h (a density-1000 fluid,
// h = 0.1), each coordinate jittered by up to 1 % of h.
constexpr int kBlockSide = 50;

Fluido* MakeBenchBlock(bool shuffled);
std::vector<float> Positions(const Fluido* f);

// Heap allocations made through operator new since the program started.
long long HeapAllocations();

template <typename Body>
double BestSeconds(int runs, Body body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        auto t0 = std::chrono::steady_clock::now();
        body();
        double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        if (s < best) best = s;
    }
    return best;
}
