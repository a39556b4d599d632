// Liquids run by the driver itself: fluids as the shipped emitters start them, settling under
// gravity in a closed box of ground planes, and the dam-break example in its closed tank.
#include <cstring>
#include <fstream>
#include <thread>
#include <vector>

#include "byte_builder.h"
#include "fluid/driver.h"
#include "fluid/links.h"
#include "fluid/parallel.h"
#include "math/random.h"
#include "objects/body.h"
#include "scenes/dam_break.h"
#include "shipped_fixture.h"

namespace {

using namespace shipped;
using ShippedLiquids = ShippedTest;

TEST_F(ShippedLiquids, ASettledColumnKeepsItsDensityAndVolumeAndCarriesItsWeight) {
    // A column 0.6 x 1.2 x 0.6 on a floor, walled in at +-0.3 on x and z: ground planes at
    // x, z turned about x and z to face the middle.
    Fluido* f = CreaFluido(Class(kCubeId));
    Set(f->emitter, {{kIdWidth, 0.6f}, {kIdHeight, 1.2f}, {kIdDepth, 0.6f}});
    LinkDaemon(f, NewDaemonOf(kGravityId));
    const float planes[5][4] = {{0, 0, 0, 0}, {-0.3f, 0, 0, -90}, {0.3f, 0, 0, 90},
                                {0, -0.3f, 90, 0}, {0, 0.3f, -90, 0}};
    const int fields[4] = {kIdPosX, kIdPosZ, kIdRotX, kIdRotZ};
    for (const auto& w : planes) {
        Daemon* d = NewDaemonOf(kGroundPlaneId);
        for (int i = 0; i < 4; ++i) Set(d, fields[i], w[i]);
        Set(d, kIdBounce, 0.0f);
        LinkDaemon(f, d);
    }
    sim_settings.time_step_factor = 0.25f;  // what a liquid this stiff needs
    sim::Reset();
    const int n = f->count;
    const float s = f->fillSpacing;
    while (tbuzz < 2.5f) sim::Step();

    // Over a hundred steps, the pressure gradient of the column's middle against rho g.
    double ratio = 0.0;
    for (int step = 0; step < 100; ++step) {
        sim::Step();
        double sy = 0, sp = 0, syy = 0, syp = 0, rho = 0, k = 0;
        for (Particula* p = f->First(); p; p = p->next) {
            if (p->pos.y < 0.15f || p->pos.y > 0.65f) continue;
            sy += p->pos.y;
            sp += p->pressure;
            syy += p->pos.y * p->pos.y;
            syp += p->pos.y * p->pressure;
            rho += p->density;
            ++k;
        }
        ratio += -(k * syp - sy * sp) / (k * syy - sy * sy) / (rho / k * 9.81) / 100;
    }
    // The kernel at h = the particle spacing under-weights a pressure gradient by about a
    // quarter: the column stands on a gradient a third steeper than rho g.
    EXPECT_GT(ratio, 1.1);
    EXPECT_LT(ratio, 1.5);

    // Its volume as the cells around the particles: the walls hold their centres 0.6 apart,
    // and the cells reach twice their mean height above the floor.
    double density = 0.0, height = 0.0;
    for (Particula* p = f->First(); p; p = p->next) {
        density += p->density / n;
        height += 2.0 * p->pos.y / n;
    }
    EXPECT_NEAR(density / f->restDensity, 1.0, 0.03);
    EXPECT_NEAR((0.6 + s) * (0.6 + s) * (height + s) / (n * s * s * s), 1.0, 0.04);
}

TEST_F(ShippedLiquids, EachTypeStartsWithItsOwnParametersUntilTheUserSetsOthers) {
    // No pressure a little below the rest density, where a settled pool sits.
    Fluido* f = NewFluid(kCubeId, kFluidLiquid);
    EXPECT_NEAR(f->CalculaPresionPoint(970.0f), 0.0f, 0.02f);
    f->type = kFluidViscous;
    f->emitter->OnFluidChange(kFluidLiquid);
    EXPECT_EQ(f->pressureK.value, 100.0f);
    EXPECT_NEAR(f->CalculaPresionPoint(970.0f), 0.0f, 0.02f);
    f->pressureK.value = 5.0f;  // the user's own
    f->type = kFluidGas;
    f->emitter->OnFluidChange(kFluidViscous);
    EXPECT_EQ(f->pressureK.value, 5.0f);
}

// The dam-break example at a low resolution: the water stays inside its closed tank however it
// splashes, and one and two threads give the same particles.
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
