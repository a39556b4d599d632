#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

#include "fluid/fluid_passes.h"
#include "fluid/pool.h"
#include "fluid_fixture.h"
#include "platform/messages.h"

namespace {

using NeighboursTest = FluidTest;

// Grid and neighbour lists of every fluid, as a step builds them.
void BuildLists() {
    for (Fluido* f = rootflow; f; f = f->next) BuildGrid(f);
}

void ReleaseLists() {
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
}

bool Lists(const Particula* p, const Particula* q) {
    return std::find(p->neighbours, p->neighbours + p->numNeighbours, q) !=
           p->neighbours + p->numNeighbours;
}

TEST_F(NeighboursTest, ALoneParticleOrParticlesFarBeyondAnyCellWidthGetOneCell) {
    Fluido* f = MakeEmptyFluid();
    Particula* p = f->CreaParticula(Vector(3, 4, 5), Vector(1, -2, 0));
    BuildLists();
    EXPECT_EQ((std::vector<int>{f->nx, f->ny, f->nz, p->numNeighbours}),
              (std::vector<int>{1, 1, 1, 0}));
    EXPECT_NEAR(f->boxMin.x, 2.9f, 1e-5f);
    EXPECT_NEAR(f->boxMax.z, 5.1f, 1e-5f);
    EXPECT_EQ((std::vector<float>{f->velMax.x, f->velMin.y, f->velMax.z}),
              (std::vector<float>{1, -2, 0.01f}));
    ReleaseLists();
    EXPECT_EQ(f->grid, nullptr);

    // Particles far beyond any cell width share one cell with it, none left out.
    platform::ResetMessages();
    for (float x : {1e34f, -1e34f}) f->CreaParticula(Vector(x, x, -x), Vector());
    BuildLists();
    ASSERT_EQ(f->nx * f->ny * f->nz, 1);
    ASSERT_NE(f->grid[0][0][0], nullptr);
    EXPECT_EQ(f->grid[0][0][0]->count, 3);
    EXPECT_EQ(platform::LogText().find("Internal failure"), std::string::npos);
    ReleaseLists();
}

TEST_F(NeighboursTest, PairsExactlyTwoHApartAreNotNeighbours) {
    Fluido* f = MakeEmptyFluid();
    const float r = 2.0f * f->h;
    Particula* a = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* b = f->CreaParticula(Vector(r, 0, 0), Vector());       // exactly 2h: no
    Particula* c = f->CreaParticula(Vector(0, r * 0.99f, 0), Vector());  // inside
    // Within 2h on each axis but not in distance.
    Particula* d = f->CreaParticula(Vector(0, 0, -r * 0.8f), Vector());
    Particula* e = f->CreaParticula(Vector(r * 0.8f, 0, -r * 0.8f), Vector());
    BuildLists();
    EXPECT_EQ((std::vector<bool>{Lists(a, b), Lists(b, a), Lists(a, c), Lists(a, d), Lists(a, e),
                                 Lists(d, e), Lists(a, a)}),
              (std::vector<bool>{false, false, true, true, false, true, false}));
    EXPECT_EQ(a->isolatedTime, 0.0f);
    ReleaseLists();
}

TEST_F(NeighboursTest, LinkedFluidsMeetWithinTwiceTheSmallerH) {
    Fluido* fine = MakeEmptyFluid();
    Fluido* coarse = MakeEmptyFluid();
    fine->h = 0.1f;
    coarse->h = 0.3f;
    for (Fluido* f : {fine, coarse}) {
        f->cellSize = 2 * f->h;
        f->invH = 1 / f->h;
    }
    fine->linkedFluids = static_cast<Fluido**>(std::malloc(sizeof(Fluido*)));
    fine->linkedFluids[0] = coarse;
    fine->numLinkedFluids = 1;
    Particula* p = fine->CreaParticula(Vector(0, 0, 0), Vector());
    // Linked particles count only inside this fluid's own grid: widen it.
    fine->CreaParticula(Vector(0.5f, 0.5f, 0), Vector());
    Particula* near = coarse->CreaParticula(Vector(0.19f, 0, 0), Vector());
    Particula* far = coarse->CreaParticula(Vector(0, 0.21f, 0), Vector());
    BuildLists();
    EXPECT_TRUE(Lists(p, near));
    EXPECT_FALSE(Lists(p, far));
    // The coarse fluid does not list the fine one's particles: it is not linked to it.
    EXPECT_EQ(near->numNeighbours, 1);
    EXPECT_EQ(near->neighbours[0], far);
    ReleaseLists();
}

TEST_F(NeighboursTest, ListsFollowCellOrderAndMatchABruteForceSearch) {
  using fluid_passes::SearchKernel;
  for (SearchKernel kernel : {SearchKernel::kScalar, SearchKernel::kSse2, SearchKernel::kAvx2,
                              SearchKernel::kAvx512, SearchKernel::kBest}) {
    if (!fluid_passes::UseSearchKernel(kernel)) continue;
    SCOPED_TRACE(static_cast<int>(kernel));
    ClearFluidScene();
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 7;
    spec.spacing = 0.07f;
    spec.jitter = 0.3f;
    spec.shuffled = true;
    Fluido* f = MakeBlockFluid(spec);
    BuildLists();
    const float r2 = (2 * f->h) * (2 * f->h);
    long listed = 0;
    for (Particula* p = f->First(); p; p = p->next) {
        int expected = 0;
        for (Particula* q = f->First(); q; q = q->next) {
            if (q == p) continue;
            float dx = p->pos.x - q->pos.x, dy = p->pos.y - q->pos.y, dz = p->pos.z - q->pos.z;
            if (dx * dx + dy * dy + dz * dz < r2) ++expected;
        }
        ASSERT_EQ(p->numNeighbours, expected);
        listed += p->numNeighbours;
        // Candidates come cell by cell in x, then y, then z order.
        const float inv = 1.0f / f->cellSize;
        auto cell = [&](const Particula* q) {
            int i = static_cast<int>((q->pos.x - f->boxMin.x) * inv);
            int j = static_cast<int>((q->pos.y - f->boxMin.y) * inv);
            int k = static_cast<int>((q->pos.z - f->boxMin.z) * inv);
            return (i * 1000 + j) * 1000 + k;
        };
        for (int n = 1; n < p->numNeighbours; ++n) {
            ASSERT_LE(cell(p->neighbours[n - 1]), cell(p->neighbours[n]));
        }
    }
    EXPECT_GT(listed, 0);
    ReleaseLists();
  }
  fluid_passes::UseSearchKernel(fluid_passes::SearchKernel::kBest);
}

TEST_F(NeighboursTest, AFluidPackedFarBeyondTheSearchLimitsStillSimulates) {
    // 3000 particles inside one cell: thousands of candidates and neighbours each.
    BlockSpec spec;
    spec.nx = 30;
    spec.ny = 10;
    spec.nz = 10;
    spec.spacing = 0.002f;
    Fluido* f = MakeBlockFluid(spec);
    BuildLists();
    int most = 0;
    for (Particula* p = f->First(); p; p = p->next) most = std::max(most, p->numNeighbours);
    EXPECT_EQ(most, 2999);  // every other particle, far past 512
    ReleaseLists();
    // The packed block bursts; whatever its particles do, the steps go on.
    for (int step = 0; step < 5; ++step) StepFluids(0.0005f);
    EXPECT_EQ(f->count, 3000);
}

TEST_F(NeighboursTest, EveryStepReturnsItsMemoryToThePools) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 10;
    Fluido* f = MakeBlockFluid(spec);
    StepFluids(0.001f);
    int blocks = PoolBlockCount(f->poolNeighbours);
    for (int i = 0; i < 5; ++i) StepFluids(0.001f);
    EXPECT_EQ(PoolBlockCount(f->poolNeighbours), blocks);
    EXPECT_EQ(PoolBytesInUse(f->poolNeighbours), 0);
    EXPECT_EQ(PoolBytesInUse(f->poolVoxels), 0);
    EXPECT_EQ(f->grid, nullptr);
}

}  // namespace
