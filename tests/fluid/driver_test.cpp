#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

#include "fluid/draw_buffers.h"
#include "fluid/driver.h"
#include "fluid_fixture.h"
#include "node_class.h"
#include "platform/dialog.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"

namespace {

struct Seen {
    float inct, tuniversal, tbuzz;
    int frame;
    bool frame_end;
};
std::vector<Seen> g_steps;
std::atomic<int> g_step_count{0};
std::vector<int> g_autosaves;
std::vector<int> g_written;

// Runs on the simulation thread; the test thread reads g_steps only once it has stopped.
void RecordStep(bool frame_end) {
    g_steps.push_back({inct, tuniversal, tbuzz, frame, frame_end});
    ++g_step_count;
}

class DriverTest : public FluidTest {
protected:
    void SetUp() override {
        FluidTest::SetUp();
        g_steps.clear();
        g_step_count = 0;
        g_autosaves.clear();
        g_written.clear();
        SimulationHooks() = StepHooks{};
        SimulationHooks().redraw = RecordStep;
        SimulationHooks().autosave = [](const char*) { g_autosaves.push_back(frame); };
        SimulationHooks().write_particles = [](Fluido*) { g_written.push_back(frame); };
    }
    void TearDown() override {
        draw_buffers::Request(0);
        sim::ClearSimulation();
        SimulationHooks() = StepHooks{};
        FluidTest::TearDown();
    }
    // Runs a full simulation until `frames` frames have ended.
    void RunFrames(int frames) {
        sim::StopAtFrame(frames);
        sim::Start(true);
        sim::WaitUntilStopped();
        sim::StopAtFrame(-1);
    }
};

TEST_F(DriverTest, FramesEndExactlyOnTheirBoundaryAfterASmallFirstStep) {
    MakeEmptyFluid()->CreaParticula(Vector(), Vector());
    Fluido* writing = MakeEmptyFluid();
    writing->CreaParticula(Vector(), Vector());
    writing->outBin = 1;
    RunFrames(2);
    ASSERT_GE(g_steps.size(), 2u);
    EXPECT_LE(g_steps[0].inct, 0.001f);
    EXPECT_EQ(frame, 2);
    int ends = 0;
    for (const Seen& s : g_steps) {
        if (!s.frame_end) continue;
        ++ends;
        EXPECT_NEAR(s.tuniversal, ends / 30.0f, 1e-6f);
    }
    EXPECT_EQ(ends, 2);
    EXPECT_NEAR(tuniversal, 2 / 30.0f, 1e-6f);
    EXPECT_EQ(tbuzz, tuniversal);
    EXPECT_EQ(frame_time, 0.0f);
    // Only the fluid with an output switched on is asked: before the first step, then once
    // per completed frame.
    EXPECT_EQ(g_written, (std::vector<int>{0, 1, 2}));
    EXPECT_NE(platform::LogText().find(" Simulation started\r\n"), std::string::npos);
    EXPECT_NE(platform::LogText().find(" Process stopped\r\n"), std::string::npos);
}

TEST_F(DriverTest, OnlyParticlesModeLeavesTheSceneClockAlone) {
    Fluido* f = MakeEmptyFluid();
    f->CreaParticula(Vector(), Vector(1, 0, 0));
    f->outBin = 1;
    sim::Start(false);
    while (g_step_count.load() < 40) std::this_thread::yield();
    sim::RequestStop();
    sim::WaitUntilStopped();
    EXPECT_EQ(tuniversal, 0.0f);
    EXPECT_EQ(frame, 0);
    EXPECT_GT(tbuzz, 0.0f);
    EXPECT_TRUE(g_written.empty());
    EXPECT_GT(f->First()->pos.x, 0.0f);
}

TEST_F(DriverTest, TheFrameLimitAndAutosaveCountCompletedFrames) {
    SetSimulationFps(100);
    MakeEmptyFluid()->CreaParticula(Vector(), Vector());
    sim_settings.max_frames_on = true;
    sim_settings.max_frames = 5;
    sim_settings.autosave_on = true;
    sim_settings.autosave_interval = 2;
    sim::Start(true);
    sim::WaitUntilStopped();
    EXPECT_EQ(frame, 6);
    EXPECT_EQ(platform::LastMessageBoxText(), "Maximum number of frames calculated\nProcess stopped");
    EXPECT_EQ(g_autosaves, (std::vector<int>{2, 4, 6}));
}

// An emitter that asks for a step boundary at a fixed time.
struct Timed : Creador {
    float DameTiempoMaximo() override { return at; }
    void Crea() override { ++created; }
    float at = 0.0123f;
    int created = 0;
};
ClassOf<Timed> g_timed(kClassEmitter, 9200, "Timed");

TEST_F(DriverTest, StepsEndExactlyOnTheEmittersTime) {
    Fluido* f = CreaFluido(&g_timed);
    f->CreaParticula(Vector(), Vector());
    for (int i = 0; i < 100 && f->emitTime < 0.0123f - 1e-6f; ++i) sim::Step();
    EXPECT_FLOAT_EQ(f->emitTime, 0.0123f);
    EXPECT_GT(static_cast<Timed*>(f->emitter)->created, 0);
    // An emitter that asks for no time never shortens the step.
    static_cast<Timed*>(f->emitter)->at = 0.0f;
    sim::Step();
    EXPECT_GT(inct, 0.001f);
}

struct Pusher : Daemon {
    void Affect(Fluido* f) override {
        ++calls;
        for (Particula* p = f->First(); p; p = p->next) p->extraVel.x += 2.0f;
    }
    void SetParameterBlock() override { ++refreshed; }
    int calls = 0;
    int refreshed = 0;
};

TEST_F(DriverTest, OnlyEnabledAssignedDaemonsActAndExtraVelLastsOneStep) {
    Fluido* f = MakeEmptyFluid();
    Particula* p = f->CreaParticula(Vector(), Vector());
    auto* on = new Pusher;
    auto* off = new Pusher;
    auto* unassigned = new Pusher;
    off->enabled = 0;
    root.next = on;
    on->next = off;
    off->next = unassigned;
    f->daemons = static_cast<Daemon**>(std::malloc(2 * sizeof(Daemon*)));
    f->daemons[0] = on;
    f->daemons[1] = off;
    f->numDaemons = 2;
    Fluido* empty = MakeEmptyFluid();  // nothing to act on
    empty->daemons = static_cast<Daemon**>(std::malloc(sizeof(Daemon*)));
    empty->daemons[0] = unassigned;
    empty->numDaemons = 1;
    sim::Step();
    sim::Step();
    EXPECT_EQ(on->calls, 2);
    EXPECT_EQ(off->calls, 0);
    EXPECT_EQ(unassigned->calls, 0);
    // Cleared before each step's daemons: one push, not an accumulation.
    EXPECT_EQ(p->extraVel.x, 2.0f);
}

TEST_F(DriverTest, ResetReturnsTheClockAndTheFluidsToTheirStart) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    Fluido* f = MakeBlockFluid(spec);
    f->First()->pos.x = 50;
    auto* daemon = new Pusher;
    root.next = daemon;
    RunFrames(1);
    ASSERT_EQ(frame, 1);
    sim::Reset();
    EXPECT_EQ(daemon->refreshed, 1) << "every daemon's panel and link are refreshed";
    EXPECT_EQ((std::vector<float>{float(frame), tuniversal, tbuzz, f->emitTime, float(f->count)}),
              (std::vector<float>{0, 0, 0, 0, 27}));
    for (Particula* p = f->First(); p; p = p->next) EXPECT_LT(p->pos.x, 1.0f);
    // A new run starts from frame 0 again on a fresh thread.
    RunFrames(1);
    EXPECT_EQ(frame, 1);
}

TEST_F(DriverTest, TheSmallestStepCannotExceedTheTimePerFrame) {
    platform::Dialog* d =
        platform::CreateDialog(sim::AdvancedControlsTemplate(), sim::AdvancedControlsProc, nullptr);
    EXPECT_EQ(d->GetText(sim::kIdSmallestStep), "0.000010");
    platform::TypeIntoField(d, sim::kIdSmallestStep, "0.5");
    EXPECT_EQ(platform::LastMessageBoxText(), "Cannot set a value greater than time per frame");
    EXPECT_FLOAT_EQ(sim_settings.smallest_step, 0.00001f);
    EXPECT_EQ(d->GetText(sim::kIdSmallestStep), "0.000010");
    platform::TypeIntoField(d, sim::kIdSmallestStep, "0.002");
    EXPECT_FLOAT_EQ(sim_settings.smallest_step, 0.002f);
    platform::TypeIntoField(d, sim::kIdStepFactor, "0.5");
    EXPECT_FLOAT_EQ(sim_settings.time_step_factor, 0.5f);
    platform::ClickControl(d, sim::kIdAdvancedReset);
    EXPECT_FLOAT_EQ(sim_settings.smallest_step, 0.00001f);
    EXPECT_FLOAT_EQ(sim_settings.largest_step, 1.0f / 30);
    EXPECT_FLOAT_EQ(sim_settings.time_step_factor, 1.0f);
    platform::DestroyDialog(d);
}

TEST_F(DriverTest, StepsPublishWhatTheViewportAsksForUntilTheFluidIsDeleted) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    spec.velocity = Vector(0.5f, 0, 0);
    Fluido* f = MakeBlockFluid(spec);
    f->colourMode = 1;  // by speed
    draw_buffers::ParticleSnapshot mine;
    sim::Step();
    EXPECT_FALSE(draw_buffers::Take(f, mine));  // batch runs copy nothing
    EXPECT_TRUE(mine.xyz.empty());

    draw_buffers::Request(draw_buffers::kPositions);
    f->First()->frozen = -1;
    sim::Step();
    ASSERT_TRUE(draw_buffers::Take(f, mine));
    ASSERT_EQ(mine.count, f->count);
    EXPECT_TRUE(mine.vel.empty());
    // The copy is the particles as the step left them, in list order.
    int i = 0;
    for (Particula* p = f->First(); p; p = p->next, ++i) {
        EXPECT_EQ(mine.xyz[3 * i], p->pos.x);
        EXPECT_EQ(mine.xyz[3 * i + 2], p->pos.z);
        EXPECT_EQ(mine.value[i], p->vel.Modulo());
    }
    EXPECT_EQ(mine.marks, (std::vector<int>{0, -1}));

    // Taken once: nothing new until the next step, and what was taken stays.
    EXPECT_FALSE(draw_buffers::Take(f, mine));
    EXPECT_EQ(mine.count, f->count);
    const float before = mine.xyz[0];
    draw_buffers::Request(draw_buffers::kPositions | draw_buffers::kVelocities);
    sim::Step();
    ASSERT_TRUE(draw_buffers::Take(f, mine));
    EXPECT_NE(mine.xyz[0], before);  // moved with the block
    ASSERT_EQ(mine.vel.size(), 3u * static_cast<size_t>(f->count));
    EXPECT_EQ(mine.vel[0], f->First()->vel.x);

    // A step published, then the fluid deleted: nothing of it is left to take.
    sim::Step();
    const Fluido* gone = f;
    DeleteFluido(f);
    EXPECT_FALSE(draw_buffers::Take(gone, mine));
}

}  // namespace
