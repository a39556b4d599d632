// A full engine step (box, grid, neighbours, density, pressure, forces, integration) on the
// benchmark block of 125,000 particles in list and in shuffled order, with one, two and three
// threads: nanoseconds per particle-step (median of the steps, fastest and slowest in
// brackets), the heap allocations made inside the steps, and whether every thread count
// leaves the particles in the same state, byte for byte.
#include <cstdio>
#include <cstring>
#include <vector>

#include "bench_util.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "reference_search.h"

namespace {

std::vector<float> State(const Fluido* f) {
    std::vector<float> state;
    for (Particula* p = f->First(); p; p = p->next) {
        for (float v : {p->pos.x, p->pos.y, p->pos.z, p->vel.x, p->vel.y, p->vel.z, p->density,
                        p->pressure}) {
            state.push_back(v);
        }
    }
    return state;
}

}  // namespace

int main() {
    const int steps = 10;
    const int side = 50;
    std::printf(
        "Full step, %d particles, ns per particle-step: median (fastest-slowest) of %d "
        "steps\n",
        side * side * side, steps);
    std::printf("%-9s %8s %22s %16s %12s\n", "order", "threads", "ns/particle-step",
                "particle-steps/s", "allocations");
    bool all_met = true;
    for (bool shuffled : {false, true}) {
        std::vector<float> first;
        for (int threads : {1, 2, 3}) {
            ClearFluidScene();
            parallel::SetThreadCount(threads);
            Fluido* f = MakeBenchBlock(side, shuffled);
            StepFluids(0.0005f);  // the first step sizes the pools
            std::vector<double> seconds;
            seconds.reserve(steps);
            const long long before = HeapAllocations();
            for (int i = 0; i < steps; ++i) seconds.push_back(Seconds([] { StepFluids(0.0005f); }));
            const long long allocations = HeapAllocations() - before;
            const Timing t = Summarise(seconds);
            const double n = f->count;
            std::printf("%-9s %8d %22s %16.0f %12lld\n", shuffled ? "shuffled" : "list", threads,
                        PerParticle(t, n).c_str(), n / t.median, allocations);
            std::vector<float> state = State(f);
            if (threads == 1) first = state;
            const bool same = state.size() == first.size() &&
                              std::memcmp(state.data(), first.data(), 4 * state.size()) == 0;
            if (!same) std::printf("  %d threads leave other particles than 1 thread\n", threads);
            all_met = all_met && allocations == 0 && same;
        }
    }
    parallel::SetThreadCount(0);
    std::printf("0 allocations per step, the same particles for 1, 2 and 3 threads: %s\n",
                all_met ? "met" : "NOT met");
    return 0;
}
