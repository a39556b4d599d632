#include "dam_break.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scene_helpers.h"
#include "undaline.h"

namespace dam_break {

using namespace example_scenes;

std::string TankObj() {
    const float l = kTankLength, h = kTankHeight, d = kTankDepth;
    std::string obj = "# The dam-break tank: closed, its inside from (0, 0, 0) to (5a, 3a, a)\n";
    const float corners[8][3] = {{0, 0, 0}, {l, 0, 0}, {l, h, 0}, {0, h, 0},
                                 {0, 0, d}, {l, 0, d}, {l, h, d}, {0, h, d}};
    for (const auto& c : corners) {
        obj += platform::Format("v %g %g %g\n", static_cast<double>(c[0]),
                                static_cast<double>(c[1]), static_cast<double>(c[2]));
    }
    obj += "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 4 8 7 3\nf 1 5 8 4\nf 2 3 7 6\n";
    return obj;
}

float DensityFor(int across) {
    // The fill spacing is 1 / density^0.333.
    const double spacing = static_cast<double>(kColumn) / across;
    return static_cast<float>(std::pow(1.0 / spacing, 1.0 / 0.333));
}

void SetResolution(Fluido* water, Body* tank, int across) {
    const float rho = DensityFor(across);
    water->restDensity = rho;
    water->invRestDensity = 1.0f / rho;
    // The shipped Liquid start (docs/fluid-parameters.md) is 0.3 per 1000 of density for a
    // pool 0.3 deep, with zero pressure at 0.97 of the rest density. The column stands 2a deep,
    // so the pressure constant grows in proportion to the depth, as that guide says; and a
    // surge, unlike a pool at rest, needs sound about ten times faster than the flow.
    water->pressureK.value =
        kSurgeStiffness * 0.3f * (2.0f * kColumn / 0.3f) * rho / 1000.0f;
    water->externalPressure = (std::pow(5.0f * 0.97f, 7.0f) - 1.0f) * water->pressureK.value;
    // The viscous term damps like a kinematic viscosity of about viscosity x spacing, so the
    // viscosity follows the spacing inversely: every resolution runs the same liquid.
    const float saved_spacing = water->fillSpacing;
    water->fillSpacing = 1.0f / std::pow(rho, 0.333f);
    if (saved_spacing > 0.0f) water->viscosity.value *= saved_spacing / water->fillSpacing;
    // The whole column, across x 2 across x across particles, must fit under the limit.
    const int column = 2 * across * across * across;
    water->maxParticles = std::max(water->maxParticles, column + column / 10);
    // Particles rest half a spacing from the walls, as the column stands on the floor.
    if (tank) tank->collisionDistance = 0.5f * kColumn / static_cast<float>(across);
}

bool Build(const std::string& tank_file, int across) {
    Panels();
    Body* tank = ImportObjectFile(tank_file.c_str());
    Fluido* water = NewFluid(kCube);
    Daemon* gravity = NewDaemonOf(kGravity);
    if (!tank || !water || !gravity) {
        std::fprintf(stderr, "make_scenes: the dam break could not be built\n");
        return false;
    }
    // A smooth tank: the flow slides along its walls and does not bounce off them.
    tank->K = 0.0f;
    tank->friction = 0.0f;
    water->type = kFluidLiquid;
    Creador* column = water->emitter;
    Set(column, kWidth, kColumn);
    Set(column, kHeight, 2.0f * kColumn);
    Set(column, kDepth, kColumn);
    Set(column, kIdPosX, 0.5f * kColumn);
    Set(column, kIdPosZ, 0.5f * kColumn);
    Set(gravity, kStrength, kGravityAcceleration);
    LinkDaemon(water, gravity);
    LinkObject(water, tank);
    // The shipped Liquid's viscosity is the one of the saved resolution.
    const float viscosity = water->viscosity.value;
    SetResolution(water, tank, across);
    water->viscosity.value = viscosity * static_cast<float>(across) / static_cast<float>(kAcross);
    platform::CopyText(water->prefix, sizeof water->prefix, "dam_break");
    water->outBin = 1;
    // Sound travels faster in the stiffer liquid (46 units/s against 13): the step factor
    // keeps the same share of 4 / c as the guide's 0.25 does for the shallow pool.
    sim_settings.time_step_factor = kStepFactor;
    sim_settings.max_frames_on = true;
    sim_settings.max_frames = 30;
    return true;
}

Fluido* Water() { return rootflow; }
Body* Tank() { return rootbody.next; }

}  // namespace dam_break
