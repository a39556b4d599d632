#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluid_passes.h"
#include "fluid/links.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "math/random.h"
#include "objects/collision.h"
#include "objects_fixture.h"

namespace {

// The square |x|, |z| <= 1 in the plane y = 0, as two triangles sharing the diagonal x = z.
constexpr const char* kFloorObj = "v -1 0 -1\nv 1 0 -1\nv 1 0 1\nv -1 0 1\nf 1 2 3 4\n";
// The same square standing in the plane x = 0.
constexpr const char* kWallObj = "v 0 -1 -1\nv 0 1 -1\nv 0 1 1\nv 0 -1 1\nf 1 2 3 4\n";

class CollisionTest : public ObjectsTest {
protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        ClearFluidScene();
        parallel::SetThreadCount(0);
    }
    void TearDown() override {
        ClearFluidScene();
        sim::SetFullMode(false);
        ObjectsTest::TearDown();
    }

    // A square with a fixed reach of 0.1 (no tolerance), shifted to height y.
    Body* Square(const char* obj, float k = 0.0f, float friction = 0.0f, float y = 0.0f) {
        Body* b = ImportObjectFile(Write("square.obj", obj).c_str());
        b->collisionTolerance = 0.0f;
        b->collisionDistance = 0.1f;
        b->K = k;
        b->friction = friction;
        b->pos = Vector(0, y, 0);
        b->UpdateMatrix();
        b->UpdateWorld();
        return b;
    }

    // Each case of a table starts from an empty scene.
    static void Fresh() {
        ClearFluidScene();
        RemoveAllBodies();
    }

    static Fluido* FluidAgainst(Body* b) {
        Fluido* f = MakeEmptyFluid();
        if (b) LinkObject(f, b);
        return f;
    }

    static void FillGrid(Fluido* f) {
        f->active = 1;
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
    }

    // One collision pass of f with step dt, between a grid fill and its release, as a step
    // runs it; returns the step the pass left.
    static float Collide(Fluido* f, float dt) {
        FillGrid(f);
        inct = dt;
        collision::Collide(f);
        const float left = inct;
        f->LiberaPorPaso();
        return left;
    }

    // How many links the cells of f's grid hold (the grid must exist).
    static int Links(const Fluido* f) {
        int n = 0;
        for (int i = 0; i < f->nx; ++i) {
            for (int j = 0; j < f->ny; ++j) {
                for (int k = 0; k < f->nz; ++k) {
                    const Voxel* v = f->grid[i][j][k];
                    for (const FaceLink* l = v ? v->faces : nullptr; l; l = l->next) ++n;
                }
            }
        }
        return n;
    }
};

// Points on the edge the two triangles share, on an outer edge and on corners count as inside
// and bounce once: a particle that bounced twice would leave at a quarter of its speed.
TEST_F(CollisionTest, ABounceCancelsOrReturnsTheNormalSpeedOnceAndFrictionTakesItsShare) {
    struct Case {
        const char* what;
        Vector at;
        float k, friction;
        Vector vel, expected;
        bool collided;
    } cases[] = {
        {"K 0 head-on keeps the sliding", {0.3f, 0.05f, 0.2f}, 0.0f, 0.0f, {0.3f, -1, 0.2f}, {0.3f, 0, 0.2f}, true},
        {"K 0.9 returns 0.9 of it", {0.3f, 0.05f, 0.2f}, 0.9f, 0.0f, {0, -2, 0}, {0, 1.8f, 0}, true},
        {"friction 0.25", {0.3f, 0.05f, 0.2f}, 0.0f, 0.25f, {1, -1, 0}, {0.75f, 0, 0}, true},
        {"parallel: no response", {0.3f, 0.05f, 0.2f}, 0.5f, 0.5f, {1, -0.000005f, 0}, {1, -0.000005f, 0}, false},
        {"moving away: no response", {0.3f, 0.05f, 0.2f}, 0.5f, 0.5f, {0, 1, 0}, {0, 1, 0}, false},
        {"above but off the square", {1.05f, 0.05f, 0.2f}, 0.5f, 0.0f, {0, -1, 0}, {0, -1, 0}, false},
        {"on the shared edge", {0.4f, 0.05f, 0.4f}, 0.5f, 0.0f, {0, -1, 0}, {0, 0.5f, 0}, true},
        {"on an outer edge", {1, 0.05f, 0.3f}, 0.5f, 0.0f, {0, -1, 0}, {0, 0.5f, 0}, true},
        {"on a corner", {1, 0.05f, -1}, 0.5f, 0.0f, {0, -1, 0}, {0, 0.5f, 0}, true},
        {"on a corner from below", {-1, -0.05f, 1}, 0.5f, 0.0f, {0, 1, 0}, {0, -0.5f, 0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        Fluido* f = FluidAgainst(Square(kFloorObj, c.k, c.friction));
        Particula* p = f->CreaParticula(c.at, c.vel);
        Collide(f, 0.001f);
        ExpectVector(p->vel, c.expected.x, c.expected.y, c.expected.z, 1e-6f);
        EXPECT_EQ(p->collided, c.collided ? 1 : 0);
    }
}

TEST_F(CollisionTest, StickinessAndHeatActWithinReachAndNotWhenZero) {
    struct Case {
        float sticky, conductivity, y;
        Vector pending;
        float temperature;
        int level;
    } cases[] = {
        {0.0f, 0.0f, 0.05f, {1, 2, 3}, 20.0f, 0},     // nothing touched
        {2.0f, 0.0f, 0.05f, {0, -2, 0}, 20.0f, 1},    // pulled down onto the face
        {2.0f, 0.0f, -0.05f, {0, 2, 0}, 20.0f, 1},    // pulled up onto it from below
        {0.0f, 0.5f, 0.05f, {1, 2, 3}, 36.0f, 0},     // 20 + (100 - 20) x 0.4 x 0.5
        {2.0f, 0.5f, 0.15f, {1, 2, 3}, 20.0f, 0},     // out of reach
    };
    for (const Case& c : cases) {
        Fresh();
        Body* b = Square(kFloorObj);
        b->sticky = c.sticky;
        b->conductivity = c.conductivity;
        b->temperature = 100.0f;
        Fluido* f = FluidAgainst(b);
        f->conductivity = 0.4f;
        Particula* p = f->CreaParticula(Vector(0.3f, c.y, 0.2f), Vector(0, 0, 0));
        p->pendingForce = Vector(1, 2, 3);
        p->temperature = 20.0f;
        Collide(f, 0.001f);
        ExpectVector(p->pendingForce, c.pending.x, c.pending.y, c.pending.z);
        EXPECT_NEAR(p->temperature, c.temperature, 1e-4f);
        EXPECT_EQ(p->contactLevel, c.level);
    }
}

TEST_F(CollisionTest, AFaceAndAParticleClosingInShortenTheStepToAFifthOfTheGapPerStep) {
    struct Case {
        const char* what;
        float face_speed;  // upward, toward the particle
        Vector vel, extra;
        float dt, expected;
    } cases[] = {
        {"a face rising toward a resting particle", 1.0f, {}, {}, 0.1f, 0.2f * 0.3f / 1.0f},
        {"the limit above the step changes nothing", 1.0f, {}, {}, 0.05f, 0.05f},
        {"a particle falling onto a still face", 0.0f, {0, -2, 0}, {}, 0.1f, 0.2f * 0.3f / 2.0f},
        {"moved by its extra velocity", 0.0f, {}, {0, -2, 0}, 0.1f, 0.2f * 0.3f / 2.0f},
        {"moving apart", 0.0f, {0, 2, 0}, {}, 0.1f, 0.1f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        Body* b = Square(kFloorObj);
        for (int i = 0; i < b->nverts; ++i) b->verts[i].velocity = Vector(0, c.face_speed, 0);
        Fluido* f = FluidAgainst(b);
        Particula* p = f->CreaParticula(Vector(0.3f, 0.3f, 0.2f), c.vel);
        p->extraVel = c.extra;
        EXPECT_NEAR(Collide(f, c.dt), c.expected, 1e-6f);
    }
}

TEST_F(CollisionTest, FacesOutsideTheGridOrNotFiniteGetNoLinks) {
    // The particle's grid spans -0.1 .. 0.1 on every axis (one cell of 0.2).
    struct Case {
        float y;
        int links;
    } cases[] = {
        {0.15f, 2},   // within reach of the grid: both triangles
        {1.0f, 0},    // far above
        {-0.35f, 0},  // below it by less than a cell once widened: still outside
    };
    for (const Case& c : cases) {
        Fresh();
        Fluido* f = FluidAgainst(Square(kFloorObj, 0, 0, c.y));
        f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
        FillGrid(f);
        collision::BuildFaceLists(f, 0.01f);
        EXPECT_EQ(Links(f), c.links) << "square at y = " << c.y;
        f->LiberaPorPaso();
    }
    // A corner that is not a number, or moving at an infinite speed, keeps its faces out; the
    // square's other triangle (corners 1, 3, 4) still goes in.
    for (int bad = 0; bad < 2; ++bad) {
        Fresh();
        Body* b = Square(kFloorObj);
        if (bad == 0) b->verts[1].world.x = std::numeric_limits<float>::quiet_NaN();
        if (bad == 1) b->verts[1].velocity.y = std::numeric_limits<float>::infinity();
        Fluido* f = FluidAgainst(b);
        Particula* p = f->CreaParticula(Vector(0.5f, 0.05f, 0.2f), Vector(0, -1, 0));
        FillGrid(f);
        collision::BuildFaceLists(f, 0.01f);
        EXPECT_EQ(Links(f), 1);
        f->LiberaPorPaso();
        Collide(f, 0.001f);
        EXPECT_TRUE(std::isfinite(p->vel.x) && std::isfinite(p->vel.y) && std::isfinite(p->vel.z));
    }
}

TEST_F(CollisionTest, AThinWallKeepsParticlesOnItsTwoSidesApart) {
    struct Case {
        bool thin, linked;
        float z;  // along the wall; beyond 1 the pair passes its edge
        bool neighbours;
    } cases[] = {
        {true, true, 0.3f, false},
        {true, false, 0.3f, false},  // a thin wall acts whether or not the fluid collides with it
        {false, true, 0.3f, true},
        {true, true, 1.2f, true},
    };
    for (const Case& c : cases) {
        Fresh();
        Body* wall = Square(kWallObj);
        wall->thinFaceTest = c.thin ? 1 : 0;
        Fluido* f = FluidAgainst(c.linked ? wall : nullptr);
        Particula* a = f->CreaParticula(Vector(-0.05f, 0, c.z), Vector(0, 0, 0));
        Particula* b = f->CreaParticula(Vector(0.05f, 0, c.z), Vector(0, 0, 0));
        FillGrid(f);
        fluid_passes::SearchNeighbours(f);
        EXPECT_EQ(a->numNeighbours == 1 && b->numNeighbours == 1, c.neighbours)
            << "thin " << c.thin << " linked " << c.linked << " z " << c.z;
        EXPECT_EQ(wall->SegmentHitsFace(a->pos, b->pos), c.z < 1.0f);
        f->LiberaPorPaso();
    }
}

TEST_F(CollisionTest, NoParticleIsCarriedThroughAFaceWhateverTheStep) {
    struct Case {
        const char* what;
        float y, k;
        Vector vel, extra;
    } cases[] = {
        {"falling fast from beyond reach", 0.5f, 0.0f, {0, -10, 0}, {}},
        {"pushed by an extra velocity within reach", 0.05f, 0.0f, {}, {0, -5, 0}},
        {"an elasticity below zero from a file", 0.05f, -3.0f, {0, -1, 0}, {}},
        {"an elasticity above one", 0.05f, 4.0f, {0, -1, 0}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        Fluido* f = FluidAgainst(Square(kFloorObj, c.k));
        Particula* p = f->CreaParticula(Vector(0.3f, c.y, 0.2f), c.vel);
        p->extraVel = c.extra;
        for (int step = 0; step < 20; ++step) {
            Collide(f, 0.1f);
            f->MueveParticulas();
            ASSERT_GT(p->pos.y, 0.0f) << "step " << step;
        }
        EXPECT_LE(p->vel.y, 1.0f + 1e-6f);  // never thrown off faster than it came
    }
}

TEST_F(CollisionTest, AMovingFloorLiftsWhatRestsOnIt) {
    Body* floor = Square(kFloorObj);
    floor->velocity = Vector(0, 1, 0);
    Fluido* f = FluidAgainst(floor);
    Particula* p = f->CreaParticula(Vector(0.3f, 0.05f, 0.2f), Vector(0, 0, 0));
    sim_settings.largest_step = 0.002f;
    sim::SetFullMode(true);
    for (int step = 0; step < 200; ++step) {
        sim::Step();
        ASSERT_GT(p->pos.y, floor->pos.y) << "step " << step;
    }
    EXPECT_GT(floor->pos.y, 0.2f);
    EXPECT_NEAR(p->vel.y, 1.0f, 1e-4f);
    EXPECT_EQ(floor->verts[0].velocity.y, 1.0f);
}

TEST_F(CollisionTest, OneTwoAndThreeThreadsGiveIdenticalParticles) {
    auto run = [&](int threads) {
        Fresh();
        parallel::SetThreadCount(threads);
        Body* floor = Square(kFloorObj, 0.3f, 0.1f);
        floor->rot = Vector(10, 0, 5);  // tilted, so particles slide and the limit acts
        floor->rough = 0.5f;
        floor->sticky = 1.0f;
        floor->conductivity = 0.5f;
        floor->collisionTolerance = 0.25f;
        floor->velocity = Vector(0, 0.3f, 0);  // rising: the faces' own velocity counts too
        floor->UpdateMatrix();
        floor->UpdateWorld();
        BlockSpec spec;
        spec.nx = 16;
        spec.ny = 10;
        spec.nz = 16;
        spec.origin = Vector(-0.75f, 0.2f, -0.75f);
        spec.velocity = Vector(0.3f, -1.0f, 0.1f);
        spec.jitter = 0.05f;
        Fluido* f = MakeBlockFluid(spec);
        f->conductivity = 0.2f;
        LinkObject(f, floor);
        RandomSeed(7);
        sim::SetFullMode(true);
        std::vector<float> state;
        for (int step = 0; step < 80; ++step) {
            sim::Step();
            state.push_back(inct);
        }
        int collided = 0;
        for (Particula* p = f->First(); p; p = p->next) {
            collided += p->collided;
            for (float v : {p->pos.x, p->pos.y, p->pos.z, p->vel.x, p->vel.y, p->vel.z,
                            p->temperature, p->pendingForce.y}) {
                state.push_back(v);
            }
        }
        EXPECT_GT(collided, 20);
        return state;
    };
    const std::vector<float> one = run(1), two = run(2), three = run(3);
    ASSERT_EQ(one.size(), two.size());
    ASSERT_EQ(one.size(), three.size());
    EXPECT_EQ(0, std::memcmp(one.data(), two.data(), one.size() * sizeof(float)));
    EXPECT_EQ(0, std::memcmp(one.data(), three.data(), one.size() * sizeof(float)));
}

}  // namespace
