// The shipped daemons acting on particles in the driver's step. Fluids are "Dumb" unless a
// test needs more, so a particle's force is exactly what the daemons gave it.
#include "fluid/driver.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "shipped_fixture.h"

namespace {

using namespace shipped;

class ShippedDaemons : public ShippedTest {
protected:
    // An empty fluid, reset (so its smoothing length is set), for particles placed by hand.
    Fluido* Fluid(unsigned char type = kFluidDumb) {
        Fluido* f = MakeEmptyFluid(type);
        f->Regenera();
        return f;
    }
    Daemon* On(Fluido* f, int class_id, std::initializer_list<std::pair<int, float>> fields = {}) {
        Daemon* d = NewDaemonOf(class_id);
        AssignDaemon(f, d);
        Set(d, fields);
        return d;
    }
    // What daemon d alone adds to the particles' force, outside any step.
    static void ForcesOf(Daemon* d, Fluido* f) {
        for (Particula* p = f->First(); p; p = p->next) p->force = Vector(0, 0, 0);
        d->Affect(f);
    }
};

TEST_F(ShippedDaemons, GravityAcceleratesAtItsStrengthAlongItsDownAxis) {
    Fluido* f = Fluid();
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
    Daemon* g = On(f, kGravityId);
    EXPECT_FLOAT_EQ(Get(g, kIdStrength), 9.81f);
    Set(g, kIdStrength, 4.0f);

    double t = 0.0;
    for (int i = 0; i < 50; ++i) t += DriveStep(0.01f);
    EXPECT_NEAR(p->vel.y, -4.0 * t, 1e-4);
    EXPECT_NEAR(p->vel.x, 0.0f, 1e-6f);
    EXPECT_NEAR(p->pos.y, -0.5 * 4.0 * t * t, 0.02);  // explicit steps lag by half a step

    // Turned about z by 90 degrees, the daemon's down axis is world +x.
    Set(g, kIdRotZ, 90.0f);
    ForcesOf(g, f);
    EXPECT_NEAR((p->force - Vector(4, 0, 0)).Modulo(), 0.0f, 1e-5f);
}

TEST_F(ShippedDaemons, WindDragsParticlesToItsSpeedAndNeverPastIt) {
    Fluido* f = Fluid();
    Particula* still = f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
    Particula* fast = f->CreaParticula(Vector(5, 0, 0), Vector(0, 0, 9));
    // A coupling far stiffer than the step: explicit drag would overshoot.
    Daemon* w = On(f, kWindId, {{kIdSpeed, 3.0f}, {kIdCoupling, 50.0f}});
    float previous = 0.0f;
    for (int i = 0; i < 20; ++i) {
        DriveStep(0.05f);
        EXPECT_LE(still->vel.z, 3.0f + 1e-5f);
        EXPECT_GE(still->vel.z, previous);
        EXPECT_GE(fast->vel.z, 3.0f - 1e-5f);
        previous = still->vel.z;
    }
    EXPECT_NEAR(still->vel.z, 3.0f, 1e-3f);
    EXPECT_NEAR(fast->vel.z, 3.0f, 1e-3f);

    // Falling through still air, a particle settles at the terminal speed g / coupling.
    Set(w, {{kIdSpeed, 0.0f}, {kIdCoupling, 2.0f}});
    On(f, kGravityId, {{kIdStrength, 9.8f}});
    DriveFor(6.0f, 0.01f);
    EXPECT_NEAR(still->vel.y, -4.9f, 0.1f);
}

// The linear drag's exponential decay is pinned in the driver's own steps below.
TEST_F(ShippedDaemons, QuadraticDragSlowsWithoutEverReversing) {
    Fluido* f = Fluid();
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector(5, 0, 0));
    On(f, kDragId, {{kIdLinear, 0.0f}, {kIdQuadratic, 1000.0f}});
    for (int i = 0; i < 10; ++i) {
        DriveStep(0.1f);
        EXPECT_GE(p->vel.x, 0.0f);
    }
    EXPECT_LT(p->vel.x, 0.05f);
}

TEST_F(ShippedDaemons, AttractorPullsWithItsFalloffWithinItsRange) {
    Fluido* f = Fluid();
    Particula* near = f->CreaParticula(Vector(6, 0, 0), Vector(0, 0, 0));
    Particula* far = f->CreaParticula(Vector(5, 2, 0), Vector(0, 0, 0));
    Particula* centre = f->CreaParticula(Vector(5, 0, 0), Vector(0, 0, 0));
    Particula* core = f->CreaParticula(Vector(5, 0, 0.5f * f->h), Vector(0, 0, 0));
    Daemon* a = On(f, kAttractorId, {{kIdPosX, 5.0f}, {kIdStrength, 8.0f}});

    ForcesOf(a, f);  // falloff 2: the law of gravity
    EXPECT_NEAR((near->force - Vector(-8, 0, 0)).Modulo(), 0.0f, 1e-4f);
    EXPECT_NEAR((far->force - Vector(0, -2, 0)).Modulo(), 0.0f, 1e-4f);
    EXPECT_EQ(centre->force.Modulo(), 0.0f);
    // Inside the smoothing length the pull fades toward the centre instead of diverging.
    const float at_core = 8.0f / (f->h * f->h);
    EXPECT_NEAR(core->force.z, -0.5f * at_core, 1e-2f);

    Set(a, kIdFalloff, 1.0f);
    ForcesOf(a, f);
    EXPECT_NEAR(near->force.Modulo() / far->force.Modulo(), 2.0f, 1e-4f);

    Set(a, {{kIdRange, 1.5f}, {kIdStrength, -3.0f}});
    ForcesOf(a, f);
    EXPECT_NEAR((near->force - Vector(3, 0, 0)).Modulo(), 0.0f, 1e-4f) << "negative repels";
    EXPECT_EQ(far->force.Modulo(), 0.0f) << "out of range";
}

TEST_F(ShippedDaemons, VortexTurnsCounterClockwiseAboutItsAxisAndHoldsTheOrbit) {
    Fluido* f = Fluid();
    Particula* p = f->CreaParticula(Vector(1, 0.3f, 0), Vector(0, 0, 0));
    Daemon* v = On(f, kVortexId, {{kIdSpeed, 2.0f}, {kIdRadius, 0.5f}, {kIdCoupling, 5.0f}});
    ForcesOf(v, f);
    EXPECT_LT(p->force.z, 0.0f) << "right-handed about up: +x turns toward -z";

    DriveFor(3.0f, 0.002f);
    const Vector r(p->pos.x, 0, p->pos.z);
    const Vector around = (r / r.Modulo()) ^ Vector(0, 1, 0);  // up × out
    // Outside its radius the vortex turns at speed × radius / distance: 1 at distance 1.
    EXPECT_NEAR(r.Modulo(), 1.0f, 0.1f);
    EXPECT_NEAR(p->vel * around, 0.5f * 2.0f / r.Modulo(), 0.05f);
    EXPECT_NEAR(p->pos.y, 0.3f, 1e-5f) << "nothing along the axis";
}

TEST_F(ShippedDaemons, NoiseStirsWithoutSqueezingAndChangesOverTime) {
    Fluido* f = Fluid();
    Daemon* n = On(f, kNoiseId, {{kIdStrength, 2.0f}, {kIdEddySize, 0.5f}});
    // Six probes around each of a few points: the field's divergence by central differences.
    const float d = 0.002f;
    const Vector points[] = {{0.13f, 0.27f, 0.41f}, {1.7f, -0.4f, 0.9f}, {-2.2f, 1.1f, 3.3f}};
    std::vector<Particula*> probes;
    for (const Vector& c : points) {
        for (int axis = 0; axis < 3; ++axis) {
            Vector e(0, 0, 0);
            e[axis] = d;
            probes.push_back(f->CreaParticula(c + e, Vector(0, 0, 0)));
            probes.push_back(f->CreaParticula(c - e, Vector(0, 0, 0)));
        }
    }
    ForcesOf(n, f);
    float mean = 0.0f;
    for (size_t k = 0; k < std::size(points); ++k) {
        float divergence = 0.0f, gradient = 0.0f;
        for (int axis = 0; axis < 3; ++axis) {
            const Vector diff = probes[6 * k + 2 * axis]->force - probes[6 * k + 2 * axis + 1]->force;
            divergence += diff[axis] / (2 * d);
            gradient += diff.Modulo() / (2 * d);
        }
        EXPECT_LT(std::fabs(divergence), 0.02f * gradient) << "point " << k;
        mean += probes[6 * k]->force.Modulo();
    }
    EXPECT_GT(mean / 3.0f, 0.2f);

    std::vector<Vector> before;
    for (Particula* p : probes) before.push_back(p->force);
    tbuzz = 1.0f;
    ForcesOf(n, f);
    EXPECT_GT((probes[0]->force - before[0]).Modulo(), 0.05f) << "the eddies move on";
    Set(n, kIdStrength, 4.0f);
    tbuzz = 0.0f;
    ForcesOf(n, f);
    EXPECT_NEAR((probes[0]->force - before[0] * 2.0f).Modulo(), 0.0f, 1e-4f);
}

TEST_F(ShippedDaemons, KillVolumeMarksItsBoxOrTheOutsideAndTheEngineRemovesThem) {
    Fluido* f = Fluid();
    // The box: 2 long along its own x, turned 90 degrees about y so that runs along world z.
    Particula* in_box = f->CreaParticula(Vector(1, 0, 0.9f), Vector(0, 0, 0));
    Particula* beside = f->CreaParticula(Vector(1.9f, 0, 0), Vector(0, 0, 0));
    Particula* above = f->CreaParticula(Vector(1, 0.6f, 0), Vector(0, 0, 0));
    Daemon* k = On(f, kKillVolumeId, {{kIdPosX, 1.0f}, {kIdScaleX, 2.0f}, {kIdRotY, 90.0f}});
    auto marks = [&] {
        return std::vector<int>{in_box->deleteMark, beside->deleteMark, above->deleteMark};
    };
    ForcesOf(k, f);
    EXPECT_EQ(marks(), (std::vector<int>{1, 0, 0}));
    in_box->deleteMark = 0;
    SetChecked(k, kIdOutside, true);
    ForcesOf(k, f);
    EXPECT_EQ(marks(), (std::vector<int>{0, 1, 1}));

    DriveStep(0.01f);  // marks from the last step go first thing in the next
    DriveStep(0.01f);
    ASSERT_EQ(f->count, 1);
    EXPECT_EQ(f->First(), in_box);
}

TEST_F(ShippedDaemons, FreezeVolumeStopsWhatEntersAndMeltsItWhenWarm) {
    Fluido* f = Fluid();
    Particula* inside = f->CreaParticula(Vector(0, 0, 0), Vector(1, 0, 0));
    Particula* outside = f->CreaParticula(Vector(3, 0, 0), Vector(0, 0, 0));
    Particula* marked = f->CreaParticula(Vector(0.2f, 0, 0), Vector(0, 0, 0));
    marked->frozen = 3;  // someone else's mark
    On(f, kGravityId);
    Daemon* z = On(f, kFreezeVolumeId);
    for (int i = 0; i < 10; ++i) DriveStep(0.01f);
    EXPECT_GT(inside->frozen, 0);
    EXPECT_EQ(inside->frozen, kFrozenByVolume);
    EXPECT_EQ(inside->vel.Modulo(), 0.0f);
    EXPECT_EQ(inside->pos.Modulo(), 0.0f) << "stopped before it ever moved";
    EXPECT_EQ(outside->frozen, 0);
    EXPECT_LT(outside->pos.y, -0.01f);
    EXPECT_EQ(marked->frozen, 3);

    // Warmed above the melting point, its own marks thaw; others' do not.
    SetChecked(z, kIdMelts, true);
    Set(z, kIdMeltingPoint, 150.0f);
    inside->temperature = 160.0f;
    marked->temperature = 160.0f;
    DriveStep(0.01f);
    EXPECT_EQ(inside->frozen, 0);
    EXPECT_EQ(marked->frozen, 3);
    inside->temperature = 140.0f;
    DriveStep(0.01f);
    EXPECT_EQ(inside->frozen, kFrozenByVolume) << "cooled again inside the box";
}

TEST_F(ShippedDaemons, HeaterActsWithinItsRadiusAndAFierceRateLandsOnItsTarget) {
    Fluido* f = Fluid();
    Particula* near = f->CreaParticula(Vector(0.2f, 0, 0), Vector(0, 0, 0));
    Particula* far = f->CreaParticula(Vector(2, 0, 0), Vector(0, 0, 0));
    On(f, kHeaterId, {{kIdRate, 1e6f}, {kIdTemperature, 20.0f}});
    DriveStep(0.02f);
    EXPECT_NEAR(near->temperature, 20.0f, 1e-3f);
    EXPECT_GE(near->temperature, 20.0f - 1e-3f) << "never past it";
    EXPECT_EQ(far->temperature, f->initialTemperature);
}

// Heating and drag at their rates over the steps the driver itself chooses.
TEST_F(ShippedDaemons, RatesFollowTheStepTheDriverTakes) {
    // A fast particle of another fluid keeps the driver's steps far below the largest step.
    Fluid()->CreaParticula(Vector(0, 5, 0), Vector(0, 0, 30));
    Fluido* f = Fluid();
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector(5, 0, 0));
    On(f, kHeaterId, {{kIdTemperature, 300.0f}, {kIdRate, 2.0f}, {kIdRadius, 0.0f}});
    On(f, kDragId, {{kIdLinear, 3.0f}});
    int steps = 0;
    for (; tbuzz < 1.0f; ++steps) sim::Step();
    EXPECT_GT(steps, 300) << "steps of h / 31";
    EXPECT_NEAR(p->temperature, 300.0 - 200.0 * std::exp(-2.0 * tbuzz), 0.05);
    EXPECT_NEAR(p->vel.x, 5.0 * std::exp(-3.0 * tbuzz), 1e-3);
}

TEST_F(ShippedDaemons, SpeedLimitHoldsTheSpeedAfterEveryStep) {
    Fluido* f = Fluid();
    Particula* falling = f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
    Particula* fast = f->CreaParticula(Vector(3, 0, 0), Vector(10, 0, 0));
    On(f, kGravityId, {{kIdStrength, 50.0f}});
    On(f, kSpeedLimitId, {{kIdMaxSpeed, 3.0f}});
    for (int i = 0; i < 30; ++i) {
        DriveStep(0.01f);
        EXPECT_LE(falling->vel.Modulo(), 3.0f + 1e-5f);
        EXPECT_LE(fast->vel.Modulo(), 3.0f + 1e-5f);
        if (i == 0) {
            EXPECT_GT(fast->vel.x, 2.9f) << "slowed, not turned";
        }
    }
    EXPECT_NEAR(falling->vel.y, -3.0f, 1e-5f);
}

TEST_F(ShippedDaemons, GroundPlaneBouncesWithItsRestitutionAndNothingEndsBelowIt) {
    Fluido* f = Fluid();
    Particula* p = f->CreaParticula(Vector(0, 1, 0), Vector(0, 0, 0));
    On(f, kGravityId);
    On(f, kGroundPlaneId, {{kIdBounce, 0.5f}, {kIdFriction, 0.0f}});
    int bounces = 0;
    for (int i = 0; i < 600; ++i) {
        const float before = p->vel.y;
        const float dt = DriveStep(0.005f);
        ASSERT_GE(p->pos.y, 0.0f) << "step " << i;
        if (before < 0.0f && p->vel.y + 9.81f * dt > 0.0f) {
            // The step's gravity is added after the bounce.
            EXPECT_NEAR(p->vel.y + 9.81f * dt, -0.5f * before, 1e-4f);
            ++bounces;
        }
    }
    EXPECT_GT(bounces, 3);
    EXPECT_LT(p->pos.y, 0.01f) << "settled";
}

TEST_F(ShippedDaemons, GroundPlaneHoldsFastAndPushedParticlesAndRubsThemWithFriction) {
    Fluido* f = Fluid();
    Particula* fast = f->CreaParticula(Vector(0, 0.001f, 0), Vector(0, -50, 0));
    Particula* pushed = f->CreaParticula(Vector(1, 0.001f, 0), Vector(0, 0, 0));
    Particula* sliding = f->CreaParticula(Vector(2, 0.0f, 0), Vector(2, -1, 0));
    Particula* sunk = f->CreaParticula(Vector(3, -0.5f, 0), Vector(0, 0, 0));
    Daemon* ground = On(f, kGroundPlaneId, {{kIdBounce, 0.0f}, {kIdFriction, 0.3f}});
    pushed->extraVel = Vector(0, -20, 0);
    inct = 0.01f;
    ground->Affect(f);
    f->MueveParticulas();
    for (Particula* p : Particles(f)) EXPECT_GE(p->pos.y, 0.0f);
    EXPECT_EQ(sunk->pos.y, 0.0f) << "put back on the floor";
    // Stopping a normal speed of 1 takes away 0.3 of the sliding speed.
    EXPECT_NEAR(sliding->vel.x, 1.7f, 1e-5f);
    EXPECT_EQ(fast->vel.y, 0.0f);

    // A tilted floor holds them too.
    Set(ground, kIdRotZ, 30.0f);
    On(f, kGravityId);
    const Vector normal(-0.5f, 0.8660254f, 0);
    for (int i = 0; i < 200; ++i) {
        DriveStep(0.01f);
        for (Particula* p : Particles(f)) ASSERT_GE(p->pos * normal, -1e-5f);
    }
}

// Two particles of a liquid, placed by hand, with a step's neighbour lists.
TEST_F(ShippedDaemons, SurfaceTensionPullsNeighboursTogetherAndPushesCloseOnesApart) {
    Fluido* f = Fluid();
    const float h = f->h;
    Particula* a = f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
    Particula* b = f->CreaParticula(Vector(h, 0, 0), Vector(0, 0, 0));
    Particula* c = f->CreaParticula(Vector(5, 0, 0), Vector(0, 0, 0));
    Particula* d = f->CreaParticula(Vector(5 + 0.3f * h, 0, 0), Vector(0, 0, 0));
    Particula* alone = f->CreaParticula(Vector(-5, 0, 0), Vector(0, 0, 0));
    Daemon* t = On(f, kSurfaceTensionId, {{kIdStrength, 10.0f}});
    DriveStep(1e-4f);
    // At the smoothing length the pull is at its peak: the full strength.
    EXPECT_NEAR(a->force.x, 10.0f, 0.05f);
    EXPECT_NEAR((a->force + b->force).Modulo(), 0.0f, 1e-4f) << "equal and opposite";
    EXPECT_LT(c->force.x, 0.0f) << "too close: pushed apart";
    EXPECT_NEAR((c->force + d->force).Modulo(), 0.0f, 1e-4f);
    EXPECT_EQ(alone->force.Modulo(), 0.0f);

    // Outside a step there are no neighbour lists to read: nothing happens.
    ForcesOf(t, f);
    EXPECT_EQ(a->force.Modulo(), 0.0f);
}

TEST_F(ShippedDaemons, RelaxEvensOutStraysAndBumpsAndLeavesFrozenOnesAlone) {
    BlockSpec block;
    block.nx = block.ny = block.nz = 7;
    block.spacing = 0.1f;
    Fluido* f = MakeBlockFluid(block, kFluidDumb);
    Particula* stray = nullptr;
    Particula* held = nullptr;
    Particula* top = nullptr;
    for (Particula* p : Particles(f)) {
        if ((p->pos - Vector(0.3f, 0.3f, 0.3f)).Modulo() < 1e-4f) stray = p;
        if ((p->pos - Vector(0.3f, 0.4f, 0.3f)).Modulo() < 1e-4f) held = p;
        if ((p->pos - Vector(0.3f, 0.6f, 0.3f)).Modulo() < 1e-4f) top = p;
    }
    ASSERT_TRUE(stray && held && top);
    // Deep inside, pushed off its lattice place toward one neighbour: it is sent back, not
    // drawn onto the neighbour. A frozen one pushed the same way stays.
    stray->pos = stray->pos + Vector(0.03f, 0, 0);
    held->pos = held->pos + Vector(0.03f, 0, 0);
    held->frozen = 1;
    // A bump: a particle standing a spacing above the middle of the top face.
    Particula* bump = f->CreaParticula(top->pos + Vector(0, 0.1f, 0), Vector(0, 0, 0));
    const Vector stray_at = stray->pos, held_at = held->pos, bump_at = bump->pos;

    Daemon* r = On(f, kRelaxId, {{kIdStrength, 1.0f}});
    DriveStep(1e-6f);
    EXPECT_LT(stray->pos.x, stray_at.x - 0.005f) << "sent back toward its place";
    EXPECT_GT(stray->pos.x, 0.3f - 0.01f) << "not past it";
    EXPECT_LE((stray->pos - stray_at).Modulo(), 0.5f * f->h + 1e-6f);
    EXPECT_EQ(held->pos.x, held_at.x);
    EXPECT_LT(bump->pos.y, bump_at.y - 0.005f) << "the bump is drawn in";
    EXPECT_NEAR(bump->pos.x, bump_at.x, 1e-5f);
    EXPECT_GT(bump->pos.y, top->pos.y + 0.5f * f->fillSpacing) << "but not onto the surface";

    // A lattice at the rest spacing, far from its faces, is left as it is.
    block.nx = block.ny = block.nz = 9;
    block.spacing = f->fillSpacing;
    block.origin = Vector(10, 0, 0);
    Fluido* g = MakeBlockFluid(block, kFluidDumb);
    AssignDaemon(g, r);
    Particula* middle = nullptr;
    for (Particula* p : Particles(g)) {
        if ((p->pos - Vector(10, 4 * block.spacing, 4 * block.spacing) -
             Vector(4 * block.spacing, 0, 0)).Modulo() < 1e-4f) {
            middle = p;
        }
    }
    ASSERT_NE(middle, nullptr);
    const Vector middle_at = middle->pos;
    DriveStep(1e-6f);
    EXPECT_NEAR((middle->pos - middle_at).Modulo(), 0.0f, 1e-5f);
}

// The one-shot mesh build runs the relax daemons whatever their switch, with a grid and no
// integration: the relaxed positions are what the mesh is built from.
TEST_F(ShippedDaemons, RelaxMovesPositionsInAMeshBuildPassEvenWhenSwitchedOff) {
    BlockSpec block;
    Fluido* f = MakeBlockFluid(block, kFluidDumb);
    Particula* corner = f->First();
    Daemon* r = On(f, kRelaxId);
    r->enabled = 0;
    const Vector before = corner->pos;
    DriveStep(1e-4f);
    EXPECT_EQ(corner->pos.x, before.x) << "off in the simulation";

    LinkFluidToMesh(NewMesh(), f);  // a dumb fluid gets its grid for a mesh only
    OneShotMeshBuild();
    EXPECT_GT((corner->pos - before).Modulo(), 1e-3f);
}

}  // namespace
