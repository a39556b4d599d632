// Neighbour search on the benchmark block, in list order and in shuffled order, with one and
// two threads, against the plain uniform-grid search measured in the same run.
#include <cstdio>

#include "bench_util.h"
#include "fluid/fluid_passes.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "reference_search.h"

namespace {

// Grid and lists as a step builds them: bounds, grid, fill, search; then the rewind.
void Search(Fluido* f) {
    f->CalculaCaja();
    f->CreaRejilla();
    f->LlenaRejilla();
    fluid_passes::SearchNeighbours(f);
}

}  // namespace

int main() {
    const int runs = 7;
    std::printf("Neighbour search, %d particles, lattice spacing h, jitter 1%% of h\n",
                kBlockSide * kBlockSide * kBlockSide);
    std::printf("%-10s %8s %14s %14s %8s   target\n", "order", "threads", "ns/particle",
                "reference", "ratio");
    bool all_met = true;
    for (bool shuffled : {false, true}) {
        ClearFluidScene();
        Fluido* f = MakeBenchBlock(shuffled);
        const double n = f->count;
        std::vector<float> xyz = Positions(f);
        ReferenceSearch reference;
        reference.Run(xyz, f->h);  // warm
        double ref = BestSeconds(3, [&] { reference.Run(xyz, f->h); }) * 1e9 / n;
        long ours_pairs = 0;
        for (int threads : {1, 2}) {
            parallel::SetThreadCount(threads);
            Search(f);  // warm: pools reach their size
            f->LiberaPorPaso();
            double t = BestSeconds(runs, [&] {
                           Search(f);
                           f->LiberaPorPaso();
                       }) *
                       1e9 / n;
            Search(f);
            ours_pairs = 0;
            for (Particula* p = f->First(); p; p = p->next) ours_pairs += p->numNeighbours;
            f->LiberaPorPaso();
            const double target = threads == 1 ? 150.0 : 85.0;
            bool met = t <= target && ref / t >= 8.0;
            all_met = all_met && met;
            std::printf("%-10s %8d %14.1f %14.1f %7.1fx   <= %.0f ns and >= 8x: %s\n",
                        shuffled ? "shuffled" : "list", threads, t, ref, ref / t, target,
                        met ? "met" : "NOT met");
        }
        if (static_cast<size_t>(ours_pairs) != reference.neighbours.size()) {
            std::printf("pair counts differ: %ld against %zu\n", ours_pairs,
                        reference.neighbours.size());
            return 1;
        }
    }
    parallel::SetThreadCount(0);
    std::printf("%s\n", all_met ? "All neighbour-search targets met." : "Some targets not met.");
    return 0;
}
