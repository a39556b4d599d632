#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "fluid_fixture.h"
#include "math/random.h"
#include "platform/paths.h"
#include "scene/creador.h"
#include "scene/descriptor.h"
#include "node_class.h"

namespace {

using ParticlesTest = FluidTest;

TEST_F(ParticlesTest, NewParticlesGoToTheHeadWithTheFluidsDefaultsAndRemovalsKeepTheList) {
    Fluido* f = MakeEmptyFluid();
    f->restDensity = 900.0f;
    f->initialTemperature = 20.0f;
    Particula* a = f->CreaParticula(Vector(1, 0, 0), Vector(0, 1, 0));
    Particula* b = f->CreaParticula(Vector(2, 0, 0), Vector(0, 2, 0));
    ASSERT_TRUE(a && b);
    EXPECT_EQ((std::vector<const void*>{f->First(), b->next, a->prev, b->prev, a->owner}),
              (std::vector<const void*>{b, a, b, &f->anchor, f}));
    EXPECT_EQ((std::vector<float>{float(a->id), float(b->id), float(f->count), a->mass, a->density,
                                  a->temperature, float(a->frozen)}),
              (std::vector<float>{1, 2, 2, 0.9f, 900, 20, 0}));

    Particula* c = f->CreaParticula(Vector(), Vector());
    f->RemoveParticula(c);  // the head
    EXPECT_EQ(f->First(), b);
    EXPECT_EQ(b->prev, &f->anchor);
    f->RemoveParticula(a);  // the tail
    EXPECT_EQ(b->next, nullptr);
    f->RemoveParticula(b);  // the only one
    EXPECT_EQ(f->First(), nullptr);
    EXPECT_EQ(f->count, 0);
    EXPECT_EQ(platform::MessageBoxCount(), 0);

    f->CreaParticula(Vector(), Vector());
    f->RemoveALLParticles();
    EXPECT_EQ(f->count, 0);
    EXPECT_EQ(f->First(), nullptr);
    EXPECT_EQ(f->CreaParticula(Vector(), Vector())->id, 1);
}

struct Counting : Creador {
    void GonnaKill(Particula* p) override {
        killed.push_back(p->id);
        with_springs += p->springs != nullptr;
    }
    std::vector<int> killed;
    int with_springs = 0;
};

ClassOf<Counting> g_counting(kClassEmitter, 9100, "Circle");

TEST_F(ParticlesTest, FluidsOfOneClassAreNumberedAndTheEmitterHearsOfEveryRemoval) {
    Fluido* a = CreaFluido(&g_counting);
    Fluido* b = CreaFluido(&g_counting);
    Fluido* c = CreaFluido(&g_counting);
    // The surface is named before the number is added.
    EXPECT_EQ((std::vector<std::string>{a->emitter->name, b->emitter->name, c->emitter->name,
                                        c->prefix, c->surfaceName, c->surfaceFile}),
              (std::vector<std::string>{"Circle", "Circle 1", "Circle 2", "Circle 2", "Circle",
                                        platform::AppDir()}));
    EXPECT_EQ((std::vector<const void*>{rootflow, a->next, a->emitter->fluid}),
              (std::vector<const void*>{a, b, a}));
    EXPECT_EQ(CountFluids(), 3);
    // The ids of the emitters follow creation.
    EXPECT_EQ(b->emitter->emitter_id, a->emitter->emitter_id + 1);

    Particula* first = a->CreaParticula(Vector(), Vector());
    a->CreaParticula(Vector(1, 0, 0), Vector())->AddMuelleASi(first);
    a->RemoveALLParticles();
    EXPECT_EQ(static_cast<Counting*>(a->emitter)->killed, (std::vector<int>{2, 1}));
    EXPECT_EQ(static_cast<Counting*>(a->emitter)->with_springs, 0) << "springs go first";

    DeleteFluido(b);
    EXPECT_EQ(a->next, c);
    EXPECT_EQ(CountFluids(), 2);
    // A new fluid continues from the last number.
    Fluido* d = CreaFluido(&g_counting);
    EXPECT_STREQ(d->emitter->name, "Circle 3");
}

TEST_F(ParticlesTest, SplitChildrenShareOffsetsInPairsAndHalveTheMass) {
    Fluido* f = MakeEmptyFluid();
    f->splitCount = 3;
    f->splitSpeed = 2.0f;
    Particula* p = f->CreaParticula(Vector(1, 2, 3), Vector(10, 0, 0));
    p->mass = 0.8f;
    RandomSeed(77);
    float r[6];
    for (float& v : r) v = DameRandom11() * 2.0f;
    RandomSeed(77);
    f->DivideParticula(p);
    ASSERT_EQ(f->count, 4);
    // Children are pushed at the head: the last made comes first.
    Particula* c3 = f->First();
    Particula* c2 = c3->next;
    Particula* c1 = c2->next;
    EXPECT_NEAR(c1->vel.x, 10 + r[0], 1e-5);
    EXPECT_NEAR(c1->vel.y, r[1], 1e-5);
    EXPECT_NEAR(c2->vel.x, 10 - r[0], 1e-5);
    EXPECT_NEAR(c2->vel.z, -r[2], 1e-5);
    EXPECT_NEAR(c3->vel.x, 10 + r[3], 1e-5);
    for (Particula* c : {c1, c2, c3}) {
        EXPECT_EQ(c->mass, 0.4f);
        EXPECT_EQ(c->pos.y, 2.0f);
    }
    f->maxParticles = 6;
    f->splitCount = 1000;
    f->DivideParticula(c1);
    EXPECT_EQ(f->count, 6) << "never past the particle limit";
}

TEST_F(ParticlesTest, SplittingStopsAfterTheAllowedGenerations) {
    Fluido* f = MakeEmptyFluid();
    f->killByAge = 1;
    f->splitOnAge = 1;
    f->lifeTime = 1.0f;
    f->splitGenerations = 2;  // only masses of at least 0.25 split
    f->CreaParticula(Vector(), Vector())->age = 1.0f;
    for (int count : {2, 4, 0}) {
        f->DestruyeParticulas();
        ASSERT_EQ(f->count, count);
        for (Particula* c = f->First(); c; c = c->next) {
            EXPECT_EQ(c->mass, 0.9f / static_cast<float>(count));
            c->age = 2.0f;
        }
    }
}

// Each rule on its own, with particles just inside and just past its boundary.
TEST_F(ParticlesTest, DestructionRulesFireAtTheirBoundaries) {
    Fluido* f = MakeEmptyFluid();
    auto make = [&](Vector pos, Vector vel = Vector()) { return f->CreaParticula(pos, vel); };
    const struct {
        const char* rule;
        int Fluido::*on;
        std::function<void()> fill;
        int kept;
    } rules[] = {
        {"age", &Fluido::killByAge, [&] {
             f->lifeTime = 2.0f;
             make(Vector())->age = 2.0f;
             make(Vector())->age = 1.99f;
         }, 1},
        {"isolation", &Fluido::killByIsolation, [&] {
             f->isolationTime = 0.5f;
             make(Vector())->isolatedTime = 0.5f;
             make(Vector())->isolatedTime = 0.4f;
         }, 1},
        {"volume", &Fluido::killByVolume, [&] {
             f->killBoxMin = Vector(-1, -2, -3);
             f->killBoxMax = Vector(1, 2, 3);
             make(Vector(1, -2, 3));  // on a corner: kept
             for (int axis = 0; axis < 3; ++axis) {
                 for (float side : {-1.0f, 1.0f}) {
                     Vector on(0, 0, 0);
                     on[axis] = side * static_cast<float>(axis + 1);
                     make(on);  // on a face: kept
                     Vector beyond = on;
                     beyond[axis] += side * 0.001f;
                     make(beyond);
                 }
             }
         }, 7},
        {"speed", &Fluido::killBySpeed, [&] {
             f->maxSpeed = 5.0f;
             make(Vector(), Vector(3, 4, 0));  // exactly 5: kept
             make(Vector(), Vector(0, 5.01f, 0));
         }, 1},
        {"collision", &Fluido::killByCollision, [&] {
             make(Vector())->collided = 1;
             make(Vector());
         }, 1},
        {"random, always", &Fluido::killRandom, [&] {
             f->killProbability = 1.0f;  // every draw is at most 1
             for (int i = 0; i < 5; ++i) make(Vector());
         }, 0},
        {"random, never", &Fluido::killRandom, [&] {
             f->killProbability = 0.0f;  // only a draw of exactly 0 removes
             make(Vector());
             RandomSeed(1);
         }, 1},
    };
    for (const auto& r : rules) {
        f->RemoveALLParticles();
        r.fill();
        f->*r.on = 1;
        f->DestruyeParticulas();
        f->*r.on = 0;
        EXPECT_EQ(f->count, r.kept) << r.rule;
    }

    // A delete mark always removes, whatever the switches.
    ASSERT_EQ(f->count, 1);
    f->First()->deleteMark = 1;
    f->DestruyeParticulas();
    EXPECT_EQ(f->count, 0);
}

TEST_F(ParticlesTest, ResetRebuildsTheEmitterParticlesAndRestoresFrozenMarks) {
    BlockSpec spec;
    spec.nx = 2;
    spec.ny = 1;
    spec.nz = 2;
    Fluido* f = MakeBlockFluid(spec);
    ASSERT_EQ(f->count, 4);
    f->First()->frozen = 3;
    f->First()->next->frozen = -1;
    f->restDensity = 1000.0f;
    f->h = 5.0f;
    f->Regenera();
    EXPECT_EQ(f->count, 4);
    EXPECT_EQ(f->First()->frozen, 3);
    EXPECT_EQ(f->First()->next->frozen, 255);
    EXPECT_EQ(f->First()->next->next->frozen, 0);
    EXPECT_NEAR(f->h, 0.1f, 1e-5f);
    EXPECT_NEAR(f->cellSize, 0.2f, 1e-5f);
    EXPECT_NEAR(f->fillSpacing, 1.0f / std::pow(1000.0f, 0.333f), 1e-6f);
    EXPECT_EQ(f->First()->id, 4);
}

}  // namespace
