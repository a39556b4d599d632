// Scenes that once stalled, looped, lost particles or corrupted memory: the engine steps on.
#include <gtest/gtest.h>

#include "fluid/driver.h"
#include "fluid/fluid_limits.h"
#include "fluid_fixture.h"
#include "platform/messages.h"
#include "platform/threads.h"

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
    EXPECT_EQ(f->h, fluid_limits::SmoothingFloor(f));
    EXPECT_NEAR(f->h, 0.05f, 1e-6f);
    EXPECT_NEAR(tbuzz, 0.001f + 9 * 0.1f * 0.05f, 1e-5f);  // 0.1 h per step at rest
}

TEST_F(RobustnessTest, ACellSizeOrHLeftAtZeroIsRebuiltFromTheFluid) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    Fluido* f = MakeBlockFluid(spec, kFluidElastic);
    sim::Step();  // springs made: h is fixed from now on
    f->cellSize = 0.0f;
    sim::Step();
    EXPECT_FLOAT_EQ(f->cellSize, 2 * f->h);
    f->h = 0.0f;
    sim::Step();
    EXPECT_EQ(f->h, fluid_limits::SmoothingFloor(f));
}

TEST_F(RobustnessTest, OneFarParticleWidensTheCellsAndKeepsTheNeighbours) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 10;
    Fluido* f = MakeBlockFluid(spec);
    BuildGrid(f);
    Particula* corner = f->First();
    const int near = corner->numNeighbours;
    f->LiberaPorPaso();
    f->CreaParticula(Vector(1000, 30, 30), Vector());
    BuildGrid(f);
    EXPECT_LE(static_cast<double>(f->nx) * f->ny * f->nz, 65536.0 + 64.0 * f->count);
    EXPECT_EQ(corner->numNeighbours, near) << "wider cells, the same neighbours";
    f->LiberaPorPaso();
}

TEST_F(RobustnessTest, ASpringToItselfBreaksOnce) {
    Fluido* f = MakeEmptyFluid(kFluidElastic);
    f->fractureLimitOn = 1;
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    const long live = particles::LiveSpringRecords();
    p->AddMuelleASi(nullptr);  // as the workspace reader makes them, then filled
    p->springs->other = p;
    f->CalculaMuelles();
    EXPECT_EQ(p->springs, nullptr);
    EXPECT_EQ(particles::LiveSpringRecords(), live);  // its record given back once
}

TEST_F(RobustnessTest, WithoutWorkerThreadsTheStepRunsAloneAndSaysSo) {
    platform::ResetMessages();
    parallel::SetThreadCount(64);  // more helpers than any other test asks for: made now
    platform::FailThreadCreations(1000);
    BlockSpec spec;
    spec.nx = 70;  // slabs enough for every thread, particles enough to be worth splitting
    spec.ny = spec.nz = 8;
    Fluido* f = MakeBlockFluid(spec);
    sim::Step();
    EXPECT_GT(f->First()->numNeighbours, 0) << "searched all the same";
    EXPECT_NE(platform::LogText().find(" Warning: thread-1\r\n"), std::string::npos);
    EXPECT_NE(platform::LogText().find(" Warning: thread-2\r\n"), std::string::npos);
}

TEST_F(RobustnessTest, WithoutItsThreadTheSimulationDoesNotStart) {
    MakeEmptyFluid()->CreaParticula(Vector(), Vector());
    sim::StopAtFrame(1);
    for (bool refused : {false, true, false}) {
        sim::Reset();  // ends the thread: each start needs a new one
        platform::FailThreadCreations(refused ? 1 : 0);
        EXPECT_EQ(sim::Start(true), !refused);
        sim::WaitUntilStopped();
        EXPECT_EQ(frame, refused ? 0 : 1);
    }
    EXPECT_EQ(platform::LastMessageBoxText(), "Thread creation fail");
    EXPECT_EQ(SimulationState.load(), 0);
    sim::StopAtFrame(-1);
}

}  // namespace
