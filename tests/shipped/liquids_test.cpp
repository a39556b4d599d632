// Fluids as the shipped emitters start them, settling under gravity in a closed box of ground
// planes, run by the driver itself.
#include <algorithm>

#include "fluid/driver.h"
#include "fluid/links.h"
#include "shipped_fixture.h"

namespace {

using namespace shipped;

class ShippedLiquids : public ShippedTest {
protected:
    // A column 0.6 x 1.2 x 0.6 standing on the floor, walled in at +-half on x and z.
    Fluido* Column(float half) {
        Fluido* f = CreaFluido(Class(kCubeId));
        Daemon* gravity = NewDaemonOf(kGravityId);
        LinkDaemon(f, gravity);
        const float walls[5][4] = {{0, 0, 0, 0},  // the floor
                                   {-half, 0, 0, -90}, {half, 0, 0, 90}, {0, -half, 90, 0},
                                   {0, half, -90, 0}};
        for (const auto& w : walls) {
            Daemon* d = NewDaemonOf(kGroundPlaneId);
            Set(d, kIdBounce, 0.0f);
            Set(d, kIdFriction, 0.1f);
            Set(d, kIdPosX, w[0]);
            Set(d, kIdPosZ, w[1]);
            Set(d, kIdRotX, w[2]);
            Set(d, kIdRotZ, w[3]);
            LinkDaemon(f, d);
        }
        sim_settings.time_step_factor = 0.25f;  // what a liquid this stiff needs
        sim::Reset();
        return f;
    }
};

TEST_F(ShippedLiquids, ASettledColumnKeepsItsDensityAndVolumeAndCarriesItsWeight) {
    Fluido* f = Column(0.3f);
    const int n = f->count;
    const float s = f->fillSpacing;
    while (tbuzz < 2.5f) sim::Step();
    // Over the next steps: the pressure gradient of the column's middle, against rho g.
    double ratio = 0.0;
    int samples = 0;
    for (; samples < 100; ++samples) {
        sim::Step();
        double sy = 0, sp = 0, syy = 0, syp = 0, rho = 0;
        int k = 0;
        for (Particula* p = f->First(); p; p = p->next) {
            if (p->pos.y < 0.15f || p->pos.y > 0.65f) continue;
            sy += p->pos.y;
            sp += p->pressure;
            syy += p->pos.y * p->pos.y;
            syp += p->pos.y * p->pressure;
            rho += p->density;
            ++k;
        }
        const double slope = (k * syp - sy * sp) / (k * syy - sy * sy);
        ratio += -slope / (rho / k * 9.81);
    }
    ratio /= samples;
    // The kernel at h = the particle spacing under-weights a pressure gradient by about a
    // quarter, so the column stands on a gradient a third steeper than rho g.
    EXPECT_GT(ratio, 1.1);
    EXPECT_LT(ratio, 1.5);

    std::vector<float> ys;
    double density = 0.0;
    float x0 = 1e9f, x1 = -1e9f, z0 = 1e9f, z1 = -1e9f;
    for (Particula* p = f->First(); p; p = p->next) {
        ys.push_back(p->pos.y);
        density += p->density;
        x0 = std::min(x0, p->pos.x);
        x1 = std::max(x1, p->pos.x);
        z0 = std::min(z0, p->pos.z);
        z1 = std::max(z1, p->pos.z);
    }
    EXPECT_NEAR(density / n / f->restDensity, 1.0, 0.03);
    // As a slab of cells around the particles: from the floor up to twice their mean height.
    double mean_y = 0.0;
    for (float y : ys) mean_y += y;
    mean_y /= n;
    const double volume =
        (x1 - x0 + s) * (z1 - z0 + s) * (2 * (mean_y - *std::min_element(ys.begin(), ys.end())) + s);
    EXPECT_NEAR(volume / (n * s * s * s), 1.0, 0.04);
}

TEST_F(ShippedLiquids, EachTypeStartsWithItsOwnParametersUntilTheUserSetsOthers) {
    Fluido* f = NewFluid(kCubeId, kFluidLiquid);
    ASSERT_GT(f->count, 0);
    // A Liquid has no pressure a little below its rest density, where a settled pool sits.
    EXPECT_NEAR(f->CalculaPresionPoint(0.97f * f->restDensity), 0.0f, 1e-3f * f->externalPressure);
    EXPECT_GT(f->CalculaPresionPoint(f->restDensity), 0.0f);
    const float liquid_k = f->pressureK.value;

    f->type = kFluidViscous;
    f->emitter->OnFluidChange(kFluidLiquid);
    EXPECT_GT(f->pressureK.value, liquid_k) << "a Viscous fluid's own values";
    EXPECT_NEAR(f->CalculaPresionPoint(0.97f * f->restDensity), 0.0f, 1e-2f);

    f->pressureK.value = 5.0f;  // the user's own
    f->type = kFluidGas;
    f->emitter->OnFluidChange(kFluidViscous);
    EXPECT_EQ(f->pressureK.value, 5.0f);
}

}  // namespace
