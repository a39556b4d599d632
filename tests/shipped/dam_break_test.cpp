// The dam-break example at a low resolution: the water stays inside its closed tank however it
// splashes, and one and two threads give the same particles.
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "byte_builder.h"
#include "fluid/driver.h"
#include "fluid/parallel.h"
#include "math/random.h"
#include "objects/body.h"
#include "scenes/dam_break.h"
#include "shipped_fixture.h"

namespace {

using DamBreak = ShippedTest;

TEST_F(DamBreak, TheWaterNeverEntersTheTankWallsAndRunsTheSameOnOneAndTwoThreads) {
    TempDir dir;
    const std::string tank = dir.File("tank.obj");
    std::ofstream(tank) << dam_break::TankObj();
    auto run = [&](int threads) {
        ClearFluidScene();
        ResetScene();
        parallel::SetThreadCount(threads);
        RandomSeed(1);  // the column's jitter is drawn here
        EXPECT_TRUE(dam_break::Build(tank, 8));  // 8 x 16 x 8 particles
        sim::Reset();
        sim::SetFullMode(false);
        Fluido* water = dam_break::Water();
        EXPECT_EQ(water->count, 1024);
        std::vector<float> state;
        int outside = 0;
        float reached = 0.0f;
        int steps = 0;
        // A thread of its own, as a run has: its random sequence starts afresh.
        std::thread([&] {
            // Long enough for the surge to run the tank's length (about 0.65 s).
            for (int step = 0; step < 20000 && tbuzz < 0.8f; ++step) {
                ++steps;
                sim::Step();
                for (Particula* p = water->First(); p; p = p->next) {
                    const Vector& x = p->pos;
                    outside += !(x.x > 0 && x.x < dam_break::kTankLength && x.y > 0 &&
                                 x.y < dam_break::kTankHeight && x.z > 0 &&
                                 x.z < dam_break::kTankDepth);
                    reached = std::max(reached, x.x);
                }
            }
        }).join();
        EXPECT_EQ(outside, 0) << threads << " thread(s)";
        EXPECT_GE(tbuzz, 0.8f) << steps << " steps";
        // The surge has run the length of the tank and met the far wall.
        EXPECT_GT(reached, 0.9f * dam_break::kTankLength);
        for (Particula* p = water->First(); p; p = p->next) {
            for (float v : {p->pos.x, p->pos.y, p->pos.z, p->vel.x, p->vel.y, p->vel.z}) {
                state.push_back(v);
            }
        }
        return state;
    };
    const std::vector<float> one = run(1), two = run(2);
    ASSERT_EQ(one.size(), two.size());
    EXPECT_EQ(0, std::memcmp(one.data(), two.data(), one.size() * sizeof(float)));
}

// A finer column is the same liquid: the pressure constant follows the density and the
// viscosity the inverse of the spacing, whether the scene is built or its resolution changed.
TEST_F(DamBreak, EveryResolutionRunsTheSameLiquid) {
    TempDir dir;
    const std::string tank = dir.File("tank.obj");
    std::ofstream(tank) << dam_break::TankObj();
    ASSERT_TRUE(dam_break::Build(tank, dam_break::kAcross));
    Fluido* water = dam_break::Water();
    const float damping = water->viscosity.value * water->fillSpacing;
    const float stiffness = water->pressureK.value / water->restDensity;
    auto same_liquid = [&](int across) {
        EXPECT_NEAR(water->fillSpacing, dam_break::kColumn / static_cast<float>(across), 1e-5f);
        EXPECT_NEAR(water->viscosity.value * water->fillSpacing, damping, 1e-4f * damping) << across;
        EXPECT_NEAR(water->pressureK.value / water->restDensity, stiffness, 1e-4f * stiffness);
    };
    for (int across : {8, 40, 20}) {
        dam_break::SetResolution(water, dam_break::Tank(), across);
        same_liquid(across);
    }
    ClearFluidScene();
    ResetScene();
    ASSERT_TRUE(dam_break::Build(tank, 8));
    water = dam_break::Water();
    same_liquid(8);
}

}  // namespace
