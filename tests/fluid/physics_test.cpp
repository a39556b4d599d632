#include <gtest/gtest.h>

#include <cmath>

#include "fluid/driver.h"
#include "fluid_fixture.h"

namespace {

using PhysicsTest = FluidTest;

// One step's passes up to the forces, on a fresh grid.
void Forces(Fluido* f) {
    BuildGrid(f);
    f->CalculaDensidades();
    f->CalculaPresiones();
    fluid_passes::ComputeForces(f);
}

TEST_F(PhysicsTest, ALoneParticleWeighsOnlyItselfCoincidentOnesAddEightAndInactiveOnesNone) {
    Fluido* f = MakeEmptyFluid();
    Particula* p = f->CreaParticula(Vector(), Vector());
    f->CalculaAche();
    BuildGrid(f);
    f->CalculaDensidades();
    EXPECT_FLOAT_EQ(p->density, 8 * 0.9f * f->kernelC);
    EXPECT_NEAR(f->kernelC, 15.0 / (64 * M_PI * std::pow(0.1, 3)), 1e-2);
    f->LiberaPorPaso();

    Particula* twin = f->CreaParticula(Vector(), Vector());
    BuildGrid(f);
    f->CalculaDensidades();
    EXPECT_FLOAT_EQ(p->density, 16 * 0.9f * f->kernelC);
    f->CalculaPresiones();
    inct = 0.01f;
    fluid_passes::ComputeForces(f);
    EXPECT_EQ(p->force.x, 0.0f);  // no direction between coincident particles
    EXPECT_EQ(twin->force.y, 0.0f);
    f->LiberaPorPaso();

    // An inactive fluid's particles see no neighbours, the twin included.
    ASSERT_EQ(p->numNeighbours, 1);
    f->active = 0;
    f->CalculaCaja();
    EXPECT_EQ(p->numNeighbours, 0);
    f->CalculaDensidades();
    EXPECT_FLOAT_EQ(p->density, 8 * 0.9f * f->kernelC);
}

TEST_F(PhysicsTest, SmoothingLengthFollowsTheMeanDensity) {
    Fluido* f = MakeEmptyFluid();
    f->CreaParticula(Vector(), Vector())->density = 500;
    f->CreaParticula(Vector(), Vector())->density = 1500;
    f->CalculaAche();
    EXPECT_NEAR(f->h, 0.1f, 1e-6f);
    EXPECT_NEAR(f->cellSize, 0.2f, 1e-6f);
    EXPECT_NEAR(f->invH2, 100.0f, 1e-3f);
    for (Particula* p = f->First(); p; p = p->next) p->density = 0;
    f->CalculaAche();
    EXPECT_EQ(platform::LastMessageBoxText(), "Zero Density");
    EXPECT_NEAR(f->h, 0.1f, 1e-6f);
}

TEST_F(PhysicsTest, EachEquationOfStateAtRestDensity) {
    Fluido* f = MakeEmptyFluid();
    Particula* p = f->CreaParticula(Vector(), Vector());
    p->temperature = 50.0f;
    f->pressureK.value = 2.0f;
    f->externalPressure = 3.0f;
    const float rho0 = f->restDensity;
    p->density = rho0;
    auto pressure = [&](unsigned char type) {
        f->type = type;
        p->pressure = -99;
        f->CalculaPresiones();
        return p->pressure;
    };
    EXPECT_NEAR(pressure(kFluidGas), std::pow(1000.0, 1.4) * 50 * 2 * 0.01 - 3, 5.0);
    EXPECT_NEAR(pressure(kFluidLiquid), 78124.0f * 2 - 3, 0.5f);
    EXPECT_FLOAT_EQ(pressure(kFluidViscous), -3.0f);
    EXPECT_FLOAT_EQ(pressure(kFluidChof), -3.0f);
    EXPECT_EQ(pressure(kFluidDumb), -99.0f);  // not computed
    EXPECT_EQ(pressure(kFluidElastic), -99.0f);

    f->type = kFluidChof;
    EXPECT_FLOAT_EQ(f->CalculaPresionPoint(rho0 - 2), -(4 * 2.0f) - 3);
    EXPECT_FLOAT_EQ(f->CalculaPresionPoint(rho0 + 2), 16 * 2.0f - 3);
    f->type = kFluidGas;  // the point form has no temperature
    EXPECT_NEAR(f->CalculaPresionPoint(rho0), std::pow(1000.0, 1.4) * 2 * 0.01 - 3, 0.1);
    f->type = kFluidDumb;
    EXPECT_EQ(f->CalculaPresionPoint(rho0), 0.0f);

    // The liquid's slope at rest, 7 x 5^7 K / rho0, gives a speed of sound of
    // sqrt(7 x 78125 x 0.5 / 1000) = 16.54.
    f->type = kFluidLiquid;
    f->pressureK.value = 0.5f;
    const double slope = (f->CalculaPresionPoint(1001.0f) - f->CalculaPresionPoint(999.0f)) / 2;
    EXPECT_NEAR(std::sqrt(slope), 16.54, 0.01);
}

TEST_F(PhysicsTest, ViscosityActsOnRecedingPairsOnlyWithFullViscosity) {
    Fluido* f = MakeEmptyFluid(kFluidViscous);
    Particula* a = f->CreaParticula(Vector(0, 0, 0), Vector(-1, 0, 0));
    Particula* b = f->CreaParticula(Vector(0.1f, 0, 0), Vector(1, 0, 0));
    f->pressureK.value = 0.0f;  // no pressure force: what is left is viscosity
    Forces(f);
    EXPECT_EQ(a->force.x, 0.0f);
    EXPECT_EQ(b->force.x, 0.0f);
    f->LiberaPorPaso();

    f->fullViscosity = 1;
    Forces(f);
    // Viscosity pulls receding particles back together.
    EXPECT_GT(a->force.x, 0.0f);
    EXPECT_LT(b->force.x, 0.0f);
    EXPECT_NEAR(a->force.x, -b->force.x, 1e-3f * std::fabs(a->force.x));
    f->LiberaPorPaso();

    // Approaching pairs feel it either way, pushing them apart.
    f->fullViscosity = 0;
    a->vel = Vector(1, 0, 0);
    b->vel = Vector(-1, 0, 0);
    Forces(f);
    EXPECT_LT(a->force.x, 0.0f);
    f->LiberaPorPaso();
}

TEST_F(PhysicsTest, FrozenParticlesKeepStillButGetTheirForce) {
    Fluido* f = MakeEmptyFluid();
    Particula* still = f->CreaParticula(Vector(0, 0, 0), Vector(1, 0, 0));
    Particula* moving = f->CreaParticula(Vector(0.05f, 0, 0), Vector(1, 0, 0));
    still->frozen = 1;
    moving->frozen = -1;  // picked for removal: still moves
    Forces(f);
    EXPECT_NE(still->force.x, 0.0f);
    inct = 0.5f;
    Vector before = moving->pos;
    float force = moving->force.x;
    f->MueveParticulas();
    EXPECT_EQ(still->pos.x, 0.0f);
    EXPECT_EQ(still->vel.x, 1.0f);
    // Position with the old velocity, then the velocity with the force.
    EXPECT_FLOAT_EQ(moving->pos.x, before.x + 0.5f);
    EXPECT_FLOAT_EQ(moving->vel.x, 1.0f + force * 0.5f);
    EXPECT_EQ(moving->age, 0.5f);
    EXPECT_EQ(still->age, 0.0f);
    f->LiberaPorPaso();
}

TEST_F(PhysicsTest, TemperatureSpreadsAndNeverDropsBelowZero) {
    Fluido* f = MakeEmptyFluid();
    f->conductivity = 0.5f;
    f->externalTemperature = -1000.0f;
    f->externalConductivity = 1.0f;
    Particula* a = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* b = f->CreaParticula(Vector(0.05f, 0, 0), Vector());
    Particula* c = f->CreaParticula(Vector(0.1f, 0, 0), Vector());
    a->temperature = 100;
    b->temperature = 0;
    c->temperature = 50;
    BuildGrid(f);
    f->DifundeTemperatura();
    // All three see each other, so nobody is short of neighbours: plain averaging.
    EXPECT_FLOAT_EQ(a->temperature, 0.5f * 100 + 0.5f * 50);
    EXPECT_FLOAT_EQ(b->temperature, 25.0f);
    f->LiberaPorPaso();

    Particula* lone = f->CreaParticula(Vector(5, 0, 0), Vector());
    lone->temperature = 10;
    BuildGrid(f);
    f->DifundeTemperatura();
    EXPECT_EQ(lone->temperature, 0.0f);  // pulled far below zero by the cold outside
    f->LiberaPorPaso();

    f->conductivity = 0.0f;
    a->temperature = 77;
    BuildGrid(f);
    f->DifundeTemperatura();
    EXPECT_EQ(a->temperature, 77.0f);
    f->LiberaPorPaso();
}

TEST_F(PhysicsTest, PointQueriesReadTheGridOfTheStep) {
    Fluido* f = MakeEmptyFluid();
    f->CreaParticula(Vector(0, 0, 0), Vector(3, 4, 0));
    f->CreaParticula(Vector(0.1f, 0, 0), Vector(0, 0, 1));
    BuildGrid(f);
    Vector point(0.05f, 0, 0), dir;
    float rho = f->CalculaDensidadXYZ(point, dir);
    float s = 2.0f - 0.05f * f->invH;
    EXPECT_NEAR(rho, 2 * s * s * s * f->kernelC * 0.9f, 1e-2f);
    EXPECT_NEAR(dir.Modulo(), 0.0f, 1e-4f);  // symmetric: the pulls cancel
    Vector side(-0.05f, 0, 0);
    f->CalculaDensidadXYZ(side, dir);
    EXPECT_NEAR(dir.x, -1.0f, 1e-5f);
    EXPECT_FLOAT_EQ(f->CalculaVelXYZ(point), 3.0f);
    Vector far(100, 100, 100);
    EXPECT_EQ(f->CalculaVelXYZ(far), 0.0f);
    f->LiberaPorPaso();
}

TEST_F(PhysicsTest, TwoParticlesPushApartAsTheKernelGradientAndPOverRhoSquaredSay) {
    Fluido* f = MakeEmptyFluid();
    Particula* a = f->CreaParticula(Vector(0, 0, 0), Vector());
    f->CreaParticula(Vector(0.08f, 0, 0), Vector());
    Forces(f);
    // By hand: q = 2 - r/h, rho = Ck m (8 + q^3), P = ((5 rho / rho0)^7 - 1) K,
    // F = -m (2 P / rho^2) G d with G = -3 Ck q^2 / (r h) and d = (-r, 0, 0).
    const double h = f->h, ck = f->kernelC, m = 0.9, r = 0.08, q = 2 - r / h;
    const double rho = ck * m * (8 + q * q * q);
    const double p = (std::pow(5 * rho / 1000.0, 7) - 1) * 0.01;
    const double fx = -m * (2 * p / (rho * rho)) * (-3 * ck * q * q / (r * h)) * -r;
    EXPECT_LT(fx, 0.0);
    EXPECT_NEAR(a->force.x, fx, 1e-4 * std::fabs(fx));
    f->LiberaPorPaso();
}

TEST_F(PhysicsTest, TheStepComputesPressuresFromItsOwnDensities) {
    BlockSpec spec;
    spec.jitter = 0.2f;
    Fluido* f = MakeBlockFluid(spec);
    sim::Step();
    for (Particula* p = f->First(); p; p = p->next) {
        ASSERT_NE(p->density, f->restDensity);  // the creation value is long gone
        EXPECT_EQ(p->pressure, f->CalculaPresionPoint(p->density));
    }
}

TEST_F(PhysicsTest, AFastParticleCrossesATenthOfHPerStep) {
    Fluido* f = MakeEmptyFluid();
    Particula* p = f->CreaParticula(Vector(), Vector(50, 0, 0));
    sim::Step();
    EXPECT_FLOAT_EQ(inct, 0.1f * f->h / 51.0f);  // speed + 1
    EXPECT_FLOAT_EQ(p->pos.x, 50.0f * inct);
}

}  // namespace
