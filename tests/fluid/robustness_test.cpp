// Scenes that once stalled, looped, lost particles or corrupted memory: the engine must step
// on through them.
#include <gtest/gtest.h>

#include <cstring>

#include "fluid/driver.h"
#include "fluid/fluid_limits.h"
#include "fluid/fluid_passes.h"
#include "fluid_fixture.h"
#include "platform/messages.h"
#include "platform/threads.h"
#include "scene/creador.h"
#include "scene/descriptor.h"

namespace {

class RobustnessTest : public FluidTest {
protected:
    void TearDown() override {
        platform::FailThreadCreations(0);
        FluidTest::TearDown();
    }
};

TEST_F(RobustnessTest, ACoincidentStackKeepsItsStepsAndAFloorUnderH) {
    Fluido* f = MakeEmptyFluid();
    for (int i = 0; i < 200; ++i) f->CreaParticula(Vector(0, 0, 0), Vector());
    for (int i = 0; i < 10; ++i) sim::Step();
    const float floor = fluid_limits::SmoothingFloor(f);
    EXPECT_NEAR(floor, 0.05f, 1e-6f);
    EXPECT_EQ(f->h, floor);
    EXPECT_EQ(f->cellSize, 2 * floor);
    // A first step of 0.001, then 0.1 h per step at rest.
    EXPECT_NEAR(tbuzz, 0.001f + 9 * 0.1f * floor, 1e-5f);
}

TEST_F(RobustnessTest, ACellSizeOrHLeftAtZeroIsRebuiltFromTheFluid) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    Fluido* f = MakeBlockFluid(spec, kFluidElastic);
    sim::Step();
    ASSERT_TRUE(f->springsBuilt);  // h is fixed from now on
    f->cellSize = 0.0f;
    sim::Step();
    EXPECT_FLOAT_EQ(f->cellSize, 2 * f->h);
    f->h = 0.0f;
    sim::Step();
    EXPECT_EQ(f->h, fluid_limits::SmoothingFloor(f));
    EXPECT_GT(inct, 0.001f);
}

TEST_F(RobustnessTest, OneFarParticleWidensTheCellsInsteadOfFillingMillions) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 10;
    Fluido* f = MakeBlockFluid(spec);
    auto neighbours = [&] {
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        fluid_passes::SearchNeighbours(f);
        long n = 0;
        for (Particula* p = f->First(); p; p = p->next) n += p->numNeighbours;
        f->LiberaPorPaso();
        return n;
    };
    const long near = neighbours();
    Particula* stray = f->CreaParticula(Vector(1000, 30, 30), Vector());
    EXPECT_EQ(neighbours(), near);  // wider cells, the same pairs
    EXPECT_LE(static_cast<double>(f->nx) * f->ny * f->nz, 65536.0 + 64.0 * f->count);
    EXPECT_GT(f->cellSize, 2 * f->h);
    EXPECT_EQ(stray->numNeighbours, 0);
}

TEST_F(RobustnessTest, EveryParticleOfAnOverfullCellIsPlaced) {
    Fluido* f = MakeEmptyFluid();
    const int n = 60000;  // more than one pool block holds
    for (int i = 0; i < n; ++i) f->CreaParticula(Vector(0.001f * (i % 7), 0, 0), Vector());
    for (int round = 0; round < 2; ++round) {
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        long placed = 0;
        for (int i = 0; i < f->nx; ++i) {
            for (int j = 0; j < f->ny; ++j) {
                for (int k = 0; k < f->nz; ++k) placed += f->grid[i][j][k] ? f->grid[i][j][k]->count : 0;
            }
        }
        EXPECT_EQ(placed, n);
        f->LiberaPorPaso();
    }
}

TEST_F(RobustnessTest, ASpringToItselfBreaksOnce) {
    Fluido* f = MakeEmptyFluid(kFluidElastic);
    f->fractureLimitOn = 1;
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* q = f->CreaParticula(Vector(5, 0, 0), Vector());
    const long live = particles::LiveSpringRecords();
    p->AddMuelleASi(nullptr);  // as the workspace reader makes them, then filled
    p->springs->other = p;
    p->AddMuelleASi(q);
    q->pos.x = 10.0f;
    f->CalculaMuelles();  // both break: the self-spring at once, the other stretched twofold
    EXPECT_EQ(p->springs, nullptr);
    EXPECT_EQ(particles::LiveSpringRecords(), live);  // each record given back once
}

TEST_F(RobustnessTest, ASplitNeverGoesPastTheParticleLimit) {
    Fluido* f = MakeEmptyFluid();
    f->maxParticles = 100;
    f->splitCount = 10000;
    f->killRandom = 1;
    f->splitOnRandom = 1;
    f->killProbability = 1.0f;
    for (int i = 0; i < 5; ++i) f->CreaParticula(Vector(), Vector());
    f->DestruyeParticulas();
    EXPECT_EQ(f->count, 99);  // each split fills up to the limit, then its parent goes
}

// Records what the emitter sees of a particle it is told about.
struct Watcher : Creador {
    void GonnaKill(Particula* p) override { springs_seen += p->springs != nullptr; ++told; }
    int told = 0;
    int springs_seen = 0;
};
class WatcherClass final : public Descriptor {
public:
    WatcherClass() {
        kind = kClassEmitter;
        class_id = 9400;
        std::strcpy(name, "Watcher");
    }
    Nodo* Create() override { return new Watcher; }
};
WatcherClass g_watcher;

TEST_F(RobustnessTest, AParticleLosesItsSpringsBeforeItsEmitterHearsOfIt) {
    Fluido* f = CreaFluido(&g_watcher);
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    p->AddMuelleASi(f->CreaParticula(Vector(1, 0, 0), Vector()));
    f->RemoveParticula(p);
    auto* w = static_cast<Watcher*>(f->emitter);
    EXPECT_EQ(w->told, 1);
    EXPECT_EQ(w->springs_seen, 0);
}

TEST_F(RobustnessTest, WithoutWorkerThreadsTheStepRunsAloneAndSaysSo) {
    platform::ResetMessages();
    auto run = [](int threads, bool refuse) {
        ClearFluidScene();
        parallel::SetThreadCount(threads);
        platform::FailThreadCreations(refuse ? 1000 : 0);
        BlockSpec spec;
        spec.nx = 70;  // 70 slabs, so a pass wants all 64 threads
        spec.ny = spec.nz = 2;
        spec.spacing = 0.2f;
        spec.jitter = 0.1f;
        Fluido* f = MakeBlockFluid(spec);
        for (int i = 0; i < 3; ++i) sim::Step();
        std::vector<float> state;
        for (Particula* p = f->First(); p; p = p->next) {
            for (float v : {p->pos.x, p->vel.x, p->density}) state.push_back(v);
        }
        platform::FailThreadCreations(0);
        return state;
    };
    // More helpers than any other test asks for, so they must be made now.
    const std::vector<float> alone = run(64, true);
    EXPECT_NE(platform::LogText().find(" Warning: thread-1\r\n"), std::string::npos);
    EXPECT_NE(platform::LogText().find(" Warning: thread-2\r\n"), std::string::npos);
    EXPECT_EQ(alone, run(1, false));
}

TEST_F(RobustnessTest, WithoutItsThreadTheSimulationDoesNotStart) {
    MakeEmptyFluid()->CreaParticula(Vector(), Vector());
    sim::StopAtFrame(1);
    ASSERT_TRUE(sim::Start(true));
    sim::WaitUntilStopped();
    sim::Reset();  // ends the thread: the next start needs a new one
    platform::FailThreadCreations(1);
    EXPECT_FALSE(sim::Start(true));
    EXPECT_EQ(platform::LastMessageBoxText(), "Thread creation fail");
    EXPECT_FALSE(sim::Running());
    EXPECT_EQ(SimulationState.load(), 0);
    sim::StopAtFrame(1);
    EXPECT_TRUE(sim::Start(true));  // the system gives threads again
    sim::WaitUntilStopped();
    sim::StopAtFrame(-1);
    EXPECT_EQ(frame, 1);
}

}  // namespace
