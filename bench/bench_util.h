#pragma once

#include <chrono>
#include <string>
#include <vector>

#include "fluid/fluido.h"
#include "math/vector.h"

// The benchmark fluids, all of density 1000 (h = 0.1):
// - a block of side^3 particles on a lattice of spacing h, each coordinate jittered by up to
//   1 % of h, made in lattice order ("list") or in a random order ("shuffled");
// - a splash: two thirds of the particles in a pool, the rest in small drops flung over a
//   region many times the pool's size, most of whose cells are empty;
// - the falling-block example after a long run (see MakeSettledBlock).
Fluido* MakeBenchBlock(int side, bool shuffled);
Fluido* MakeSplash(int particles);
// The particles (position, velocity) in list order of the falling-block example, scaled so
// its column holds about `particles` particles, after `seconds` of scene time on the driver:
// a fluid whose list order and memory order no longer follow space. Simulated once per
// program; empty, with a message, when the shipped plug-ins cannot be found.
struct Sample {
    std::vector<Vector> pos, vel;
};
const Sample& SettledBlock(int particles, float seconds);
// A fluid of at least `particles` particles: copies of the sample side by side, each copy
// made in the sample's order.
Fluido* MakeTiled(const Sample& sample, int particles);

std::vector<float> Positions(const Fluido* f);

// Heap allocations made through operator new since the program started.
long long HeapAllocations();
// Resident and peak resident memory of the process, in bytes.
long long ResidentBytes();
long long PeakResidentBytes();

// Wall-clock figures of repeated runs.
struct Timing {
    double median = 0, min = 0, max = 0;
};
Timing Summarise(std::vector<double> seconds);

template <typename Body>
double Seconds(Body body) {
    auto t0 = std::chrono::steady_clock::now();
    body();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
}

// The fastest of `runs` runs, in seconds.
template <typename Body>
double BestSeconds(int runs, Body body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        const double s = Seconds(body);
        if (s < best) best = s;
    }
    return best;
}

// "median (min-max)" in nanoseconds per particle.
std::string PerParticle(const Timing& t, double particles);
