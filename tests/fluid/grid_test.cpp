#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "fluid/fluid_passes.h"
#include "fluid/grid_access_private.h"
#include "fluid/pair_kernels.h"
#include "fluid_fixture.h"
#include "platform/messages.h"

namespace {

using GridTest = FluidTest;

// Sizes past the fill's pieces (16384 particles), so the threads share every pass.
constexpr int kSide = 30;

int CellOf(float p, float lo, float cell) {
    return static_cast<int>((p - lo) * (1.0f / cell));
}

template <typename T>
void Put(std::string& out, const T& v) {
    out.append(reinterpret_cast<const char*>(&v), sizeof v);
}

// The grid as bytes: every cell in grid order with its particles and their position copies,
// and, after a search, every particle's neighbours.
std::string GridBytes(const Fluido* f, bool with_lists) {
    std::string out;
    Put(out, f->nx);
    Put(out, f->ny);
    Put(out, f->nz);
    for (int i = 0; i < f->nx; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                const Voxel* cell = f->grid[i][j][k];
                Put(out, cell ? cell->count : -1);
                if (!cell) continue;
                EXPECT_EQ(cell->faces, nullptr);
                for (int m = 0; m < cell->count; ++m) {
                    Put(out, cell->particles[m]->id);
                    Put(out, grid_access::Xs(cell)[m]);
                    Put(out, grid_access::Ys(cell)[m]);
                    Put(out, grid_access::Zs(cell)[m]);
                }
            }
        }
    }
    if (!with_lists) return out;
    for (Particula* p = f->First(); p; p = p->next) {
        Put(out, p->numNeighbours);
        for (int n = 0; n < p->numNeighbours; ++n) Put(out, p->neighbours[n]->id);
    }
    return out;
}

// What every cell must list: the particles that fall in it, the fluid's own in list order,
// then each linked fluid's in its list order.
void ExpectListOrderInCells(const Fluido* f) {
    std::map<long, std::vector<const Particula*>> expected;
    auto add = [&](const Fluido* from) {
        for (Particula* p = from->First(); p; p = p->next) {
            int i = CellOf(p->pos.x, f->boxMin.x, f->cellSize);
            int j = CellOf(p->pos.y, f->boxMin.y, f->cellSize);
            int k = CellOf(p->pos.z, f->boxMin.z, f->cellSize);
            if (i < 0 || j < 0 || k < 0 || i >= f->nx || j >= f->ny || k >= f->nz) continue;
            expected[(static_cast<long>(i) * f->ny + j) * f->nz + k].push_back(p);
        }
    };
    add(f);
    for (int l = 0; l < f->numLinkedFluids; ++l) add(f->linkedFluids[l]);
    long occupied = 0;
    for (int i = 0; i < f->nx; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                const Voxel* cell = f->grid[i][j][k];
                if (!cell) continue;
                ++occupied;
                const auto& want = expected[(static_cast<long>(i) * f->ny + j) * f->nz + k];
                ASSERT_EQ(cell->count, static_cast<int>(want.size()));
                for (int m = 0; m < cell->count; ++m) {
                    ASSERT_EQ(cell->particles[m], want[static_cast<size_t>(m)]);
                    ASSERT_EQ(grid_access::Xs(cell)[m], want[static_cast<size_t>(m)]->pos.x);
                }
            }
        }
    }
    EXPECT_EQ(occupied, static_cast<long>(expected.size()));
}

Fluido* RandomCloud(int n, float size, unsigned seed) {
    Fluido* f = MakeEmptyFluid();
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> at(0.0f, size);
    for (int i = 0; i < n; ++i)
        f->CreaParticula(Vector(at(random), at(random), at(random)), Vector());
    return f;
}

struct Scene {
    const char* name;
    std::function<Fluido*()> make;
    bool search;  // lists too (not for a cell of thousands: every pair would be listed)
};

const Scene kScenes[] = {
    {"shuffled block",
     [] {
         BlockSpec spec;
         spec.nx = spec.ny = spec.nz = kSide;
         spec.jitter = 0.2f;
         spec.shuffled = true;
         return MakeBlockFluid(spec);
     },
     true},
    // Past what one pool block holds for a cell.
    {"every particle in one cell", [] { return RandomCloud(60000, 0.05f, 3); }, false},
    // Drops flung far apart: the grid is widened to its budget and nearly all of it is empty.
    {"mostly empty cells", [] { return RandomCloud(20000, 400.0f, 4); }, true},
    {"with a linked fluid",
     [] {
         BlockSpec spec;
         spec.nx = spec.ny = spec.nz = 22;
         spec.shuffled = true;
         Fluido* a = MakeBlockFluid(spec);
         spec.origin = Vector(1.0f, 0.5f, 0.5f);
         spec.seed = 9;
         Fluido* b = MakeBlockFluid(spec);
         a->linkedFluids = static_cast<Fluido**>(std::malloc(sizeof(Fluido*)));
         a->linkedFluids[0] = b;
         a->numLinkedFluids = 1;
         return a;
     },
     true},
};

TEST_F(GridTest, EveryThreadCountBuildsTheSameCellsAndLists) {
    for (const Scene& scene : kScenes) {
        SCOPED_TRACE(scene.name);
        ClearFluidScene();
        Fluido* f = scene.make();
        std::string first;
        for (int threads : {1, 2, 3}) {
            parallel::SetThreadCount(threads);
            BuildGrid(f, scene.search);
            if (threads == 1) ExpectListOrderInCells(f);
            std::string bytes = GridBytes(f, scene.search);
            if (threads == 1) first = bytes;
            EXPECT_TRUE(bytes == first) << threads << " threads";
            // The search hands its lists over through each particle's cell slot; the exported
            // search writes them straight into the records.
            if (threads == 2 && scene.search) {
                f->BuscaVecinos(0, f->nx);
                EXPECT_TRUE(GridBytes(f, true) == first) << "direct search";
            }
            f->LiberaPorPaso();
        }
    }
}

TEST_F(GridTest, FullStepsLeaveTheSameParticlesForEveryThreadCount) {
    auto run = [](int threads, int scene, bool wide = true) {
        ClearFluidScene();
        parallel::SetThreadCount(threads);
        pair_kernels::UseWideKernels(wide);
        Fluido* f = kScenes[scene].make();
        for (Particula* p = f->First(); p; p = p->next) p->vel = Vector(p->pos.y, 0, -p->pos.x);
        for (int step = 0; step < 5; ++step) StepFluids(0.002f);
        std::string bytes;
        for (Fluido* g = rootflow; g; g = g->next) {
            for (Particula* p = g->First(); p; p = p->next) {
                for (float v : {p->pos.x, p->pos.y, p->pos.z, p->vel.x, p->vel.y, p->vel.z,
                                p->density, p->pressure, p->temperature}) {
                    Put(bytes, v);
                }
            }
        }
        return bytes;
    };
    for (int scene : {0, 3}) {
        SCOPED_TRACE(kScenes[scene].name);
        const std::string one = run(1, scene);
        EXPECT_TRUE(run(2, scene) == one);
        EXPECT_TRUE(run(3, scene) == one);
        // The wide pair arithmetic, where the processor has it, must match the plain one.
        EXPECT_TRUE(run(2, scene, false) == one);
        pair_kernels::UseWideKernels(true);
    }
}

TEST_F(GridTest, TheKeptOrderFollowsEveryChangeOfTheList) {
    // The fill takes the order of the last step when the list still is that order, with
    // particles new since pushed in front; anything else makes it walk the list again.
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = kSide;
    spec.shuffled = true;
    Fluido* f = MakeBlockFluid(spec);
    parallel::SetThreadCount(2);
    std::mt19937 random(5);
    std::uniform_real_distribution<float> at(0.0f, 2.9f);
    const std::function<void()> changes[] = {
        [] {},
        [&] {
            for (int i = 0; i < 100; ++i)
                f->CreaParticula(Vector(at(random), at(random), 0), Vector());
        },
        [&] { f->RemoveParticula(f->First()->next->next); },
        [&] {
            // Three out, three in: the count stays, the list does not.
            for (int i = 0; i < 3; ++i) {
                Particula* last = f->First();
                while (last->next) last = last->next;
                f->RemoveParticula(last);
            }
            f->CreaParticula(Vector(1, 1, 1), Vector());
            f->CreaParticula(Vector(1, 1, 1.01f), Vector());
            f->CreaParticula(Vector(2, 2, 2), Vector());
        },
        [&] {
            // The two in one cell swapped in place, as a plug-in may relink the list.
            Particula* a = f->First()->next;
            Particula* b = a->next;
            a->prev->next = b;
            b->next->prev = a;
            a->next = b->next;
            b->prev = a->prev;
            b->next = a;
            a->prev = b;
        },
        [&] { f->Regenera(); },
    };
    for (const auto& change : changes) {
        change();
        SweepRemovedParticles();
        BuildGrid(f, false);
        ExpectListOrderInCells(f);
        f->LiberaPorPaso();
    }
}

TEST_F(GridTest, ParticlesLeftOutOfTheGridAreLoggedAndStillGetTheirPasses) {
    platform::ResetMessages();
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 20;
    Fluido* f = MakeBlockFluid(spec);
    parallel::SetThreadCount(2);
    f->active = 1;
    f->CalculaCaja();
    f->CreaRejilla();
    Particula* stray = f->First()->next;
    stray->pos.x = 1e6f;  // moved after the box was measured
    for (Particula* p = f->First(); p; p = p->next) p->density = NAN;
    f->LlenaRejilla();
    EXPECT_NE(platform::LogText().find("Internal failure: code 01\r\n"), std::string::npos);
    fluid_passes::SearchNeighbours(f);
    EXPECT_EQ(stray->numNeighbours, 0);
    f->CalculaDensidades();
    for (Particula* p = f->First(); p; p = p->next) ASSERT_FALSE(std::isnan(p->density));
    EXPECT_EQ(stray->density, 8.0f * f->kernelC * stray->mass);
    f->LiberaPorPaso();
    // Below the box instead of above it.
    stray->pos.x = -50.0f;
    f->CreaRejilla();
    f->LlenaRejilla();
    EXPECT_NE(platform::LogText().find("Internal failure: code 011\r\n"), std::string::npos);
    f->LiberaPorPaso();
}

}  // namespace
