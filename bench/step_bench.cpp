// A full engine step (box, grid, neighbours, density, pressure, forces, integration) on the
// benchmark block with one and two threads, and the heap allocations made inside the steps.
#include <cstdio>

#include "bench_util.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "reference_search.h"

int main() {
    const int steps = 10;
    std::printf("Full step, %d particles\n", kBlockSide * kBlockSide * kBlockSide);
    std::printf("%8s %16s %20s %12s   target\n", "threads", "ns/particle-step",
                "particle-steps/s", "allocations");
    bool all_met = true;
    double reference_ns = 0;
    for (int threads : {1, 2}) {
        ClearFluidScene();
        parallel::SetThreadCount(threads);
        Fluido* f = MakeBenchBlock(false);
        if (reference_ns == 0) {
            std::vector<float> xyz = Positions(f);
            ReferenceSearch reference;
            reference_ns = BestSeconds(3, [&] { reference.Run(xyz, f->h); }) * 1e9 / f->count;
        }
        StepFluids(0.0005f);  // the first step sizes the pools
        long long before = HeapAllocations();
        double seconds = BestSeconds(1, [&] {
            for (int i = 0; i < steps; ++i) StepFluids(0.0005f);
        });
        long long allocations = HeapAllocations() - before;
        double ns = seconds * 1e9 / (static_cast<double>(f->count) * steps);
        const double target = threads == 1 ? 400.0 : 220.0;
        bool met = ns <= target && allocations == 0;
        all_met = all_met && met;
        std::printf("%8d %16.1f %20.0f %12lld   <= %.0f ns, 0 allocations: %s\n", threads, ns,
                    1e9 / ns, allocations, target, met ? "met" : "NOT met");
    }
    std::printf("Reference neighbour search alone: %.1f ns/particle\n", reference_ns);
    parallel::SetThreadCount(0);
    std::printf("%s\n", all_met ? "All full-step targets met." : "Some targets not met.");
    return 0;
}
