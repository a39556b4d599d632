// Grid and neighbour search, as a step builds them (bounds, grid, fill, search, rewind), on
// fluids of 125,000 and 1,000,000 particles: a block in list order, the same block made in a
// random order, the falling-block example after a long run, and an uneven splash. One and two
// threads, against the plain uniform-grid search run on as many threads in the same run.
// Figures are nanoseconds per particle: the median of the runs, with the fastest and the
// slowest in brackets; the runs of each case alternate between thread counts.
//
//   bench_neighbours [quick]     (quick: 125,000 particles only, fewer runs)
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_util.h"
#include "fluid/fluid_passes.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "reference_search.h"

namespace {

void GridAndSearch(Fluido* f) {
    f->CalculaCaja();
    f->CreaRejilla();
    f->LlenaRejilla();
    fluid_passes::SearchNeighbours(f);
}

long Pairs(const Fluido* f) {
    long pairs = 0;
    for (Particula* p = f->First(); p; p = p->next) pairs += p->numNeighbours;
    return pairs;
}

struct Row {
    std::string name;
    int particles = 0;
    Timing ours[2], reference[2];
};

struct Case {
    const char* name;
    int particles;
    std::function<Fluido*()> make;
};

bool Measure(const Case& c, int runs, Row& row) {
    ClearFluidScene();
    Fluido* f = c.make();
    if (!f) return false;
    f->active = 1;
    row.name = c.name;
    row.particles = f->count;
    const std::vector<float> xyz = Positions(f);
    ReferenceSearch reference;
    std::vector<double> ours[2], theirs[2];
    for (int run = -1; run < runs; ++run) {  // run -1 warms: pools and buffers reach their size
        for (int t = 0; t < 2; ++t) {
            parallel::SetThreadCount(t + 1);
            double s = Seconds([&] { GridAndSearch(f); });
            const long pairs = Pairs(f);
            f->LiberaPorPaso();
            // The reference is slow: three runs of it tell its speed well enough.
            double r = run < 3 ? Seconds([&] { reference.Run(xyz, f->h, t + 1); }) : 0;
            if (run < 0) {
                if (static_cast<size_t>(pairs) != reference.Pairs()) {
                    std::printf("%s: %ld pairs against the reference's %zu\n", c.name, pairs,
                                reference.Pairs());
                    return false;
                }
                continue;
            }
            ours[t].push_back(s);
            if (run < 3) theirs[t].push_back(r);
        }
    }
    for (int t = 0; t < 2; ++t) {
        row.ours[t] = Summarise(ours[t]);
        row.reference[t] = Summarise(theirs[t]);
    }
    ClearFluidScene();
    return true;
}

// Peak memory of a fluid stepping on two threads, in a process of its own so that nothing
// measured before counts.
void PrintMemory(int side) {
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        parallel::SetThreadCount(2);
        const long long before = ResidentBytes();
        Fluido* f = MakeBenchBlock(side, true);
        const long long records = ResidentBytes() - before;
        StepFluids(0.0005f);
        const double n = f->count;
        // The neighbour lists of the first step, the longest: records and lists alone set a
        // floor no grid can go below.
        const double lists = 8.0 * static_cast<double>(Pairs(f)) / n;
        for (int i = 0; i < 2; ++i) StepFluids(0.0005f);
        const double peak = (PeakResidentBytes() - before) / n;
        std::printf("Memory at %d particles, two threads, full steps: %.0f bytes per particle at "
                    "the peak   target <= 400: %s\n",
                    f->count, peak, peak <= 400 ? "met" : "NOT met");
        std::printf("  of which particle records %.0f and neighbour lists %.0f (8 bytes a "
                    "pair, %.1f neighbours each at the first step)\n",
                    records / n, lists, lists / 8);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    if (child > 0) waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    const bool quick = argc > 1 && std::strcmp(argv[1], "quick") == 0;
    PrintMemory(80);
    const int runs = quick ? 3 : 7;
    std::vector<Case> cases;
    for (int side : {50, 100}) {
        if (quick && side > 50) continue;
        const int n = side * side * side;
        cases.push_back({"list", n, [side] { return MakeBenchBlock(side, false); }});
        cases.push_back({"shuffled", n, [side] { return MakeBenchBlock(side, true); }});
        // Its own long run at a size the bench can afford, laid out copy after copy to the
        // size of the case.
        cases.push_back({"falling block", n,
                         [n] { return MakeTiled(SettledBlock(12000, 1.5f), n); }});
        cases.push_back({"splash", n, [n] { return MakeSplash(n); }});
    }
    std::printf(
        "\nGrid and neighbour search, ns per particle: median (fastest-slowest) of %d "
        "runs\n",
        runs);
    std::printf("%-14s %9s %18s %18s %8s %11s %11s %7s %7s\n", "case", "particles",
                "ours, 1 thread", "ours, 2 threads", "speed-up", "ref, 1 thr", "ref, 2 thr",
                "ratio 1", "ratio 2");
    std::vector<Row> rows;
    for (const Case& c : cases) {
        Row row;
        if (!Measure(c, runs, row)) continue;
        const double n = row.particles;
        std::printf("%-14s %9d %18s %18s %7.2fx %11.0f %11.0f %6.1fx %6.1fx\n", row.name.c_str(),
                    row.particles, PerParticle(row.ours[0], n).c_str(),
                    PerParticle(row.ours[1], n).c_str(), row.ours[0].median / row.ours[1].median,
                    row.reference[0].median * 1e9 / n, row.reference[1].median * 1e9 / n,
                    row.reference[0].median / row.ours[0].median,
                    row.reference[1].median / row.ours[1].median);
        std::fflush(stdout);
        rows.push_back(row);
    }
    parallel::SetThreadCount(0);

    // Targets at a million particles.
    auto find = [&](const char* name) -> const Row* {
        for (const Row& r : rows) {
            if (r.name == name && r.particles >= 900000) return &r;
        }
        return nullptr;
    };
    const Row* list = find("list");
    const Row* shuffled = find("shuffled");
    if (list && shuffled) {
        std::printf("\nAt 1M particles:\n");
        for (const Row* r : {list, shuffled}) {
            const double up = r->ours[0].median / r->ours[1].median;
            std::printf("  two-thread speed-up, %-9s %.2fx   target >= 1.8x: %s\n", r->name.c_str(),
                        up, up >= 1.8 ? "met" : "NOT met");
        }
        for (int t = 0; t < 2; ++t) {
            const double cost = shuffled->ours[t].median / list->ours[t].median;
            std::printf("  shuffled against list, %d thread%s %.2fx   target <= 1.3x: %s\n", t + 1,
                        t ? "s:" : ": ", cost, cost <= 1.3 ? "met" : "NOT met");
        }
    }
    return 0;
}
