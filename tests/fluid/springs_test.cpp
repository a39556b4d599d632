#include <gtest/gtest.h>

#include <cmath>

#include "fluid_fixture.h"
#include "platform/messages.h"

namespace {

using SpringsTest = FluidTest;

int SpringCount(const Particula* p) {
    int n = 0;
    for (Muelle* s = p->springs; s; s = s->next) ++n;
    return n;
}

TEST_F(SpringsTest, APairIsJoinedOnceAndNeverWhenTooClose) {
    Fluido* f = MakeEmptyFluid(kFluidElastic);
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* q = f->CreaParticula(Vector(0.001f, 0, 0), Vector());
    EXPECT_TRUE(p->AddMuelleASi(q));  // 0.001 exactly: no spring
    EXPECT_EQ(p->springs, nullptr);
    q->pos.x = 0.5f;
    EXPECT_FALSE(p->AddMuelleASi(q));
    ASSERT_EQ(SpringCount(p), 1);
    EXPECT_FLOAT_EQ(p->springs->restLength, 0.5f);
    EXPECT_EQ(p->springs->plastic, 0.0f);
    // q already joined to p: nothing added. p again to q: only q's list is searched.
    EXPECT_FALSE(q->AddMuelleASi(p));
    EXPECT_EQ(q->springs, nullptr);
    EXPECT_FALSE(p->AddMuelleASi(q));
    EXPECT_EQ(SpringCount(p), 2);
    EXPECT_EQ(p->springs->next->prev, p->springs);
    EXPECT_FALSE(p->AddMuelleASi(nullptr));
    EXPECT_EQ(p->springs->next->next->restLength, 0.0f);
}

// Two particles joined by one spring of rest length 1; the force on p after one spring pass.
struct Pair {
    Fluido* f;
    Particula* p;
    Particula* q;
    Muelle* s;
};

Pair MakePair(float length) {
    Fluido* f = MakeEmptyFluid(kFluidElastic);
    f->elasticLimitOn = 1;
    f->fractureLimitOn = 1;
    f->springDamping = 0.0f;
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* q = f->CreaParticula(Vector(1, 0, 0), Vector());
    p->AddMuelleASi(q);
    q->pos.x = length;
    return {f, p, q, p->springs};
}

// Springs of rest length 1 pulled or pushed to a length; NAN: not checked.
TEST_F(SpringsTest, StretchingYieldsAndBreaksAndCompressionPushesLogarithmically) {
    const struct {
        const char* what;
        float length;
        bool limits;
        float force, tolerance, plastic;
        int kept;  // the spring is still there: 1, gone: 0, either: -1
        float min_length;
    } cases[] = {
        // w = 1 / 0.9; Hooke: springK (L - Lr) towards q.
        {"elastic", 1.1f, true, 9000 * 0.1f / 0.9f, 0.05f, 0.0f, -1, NAN},
        {"yielding", 1.3f, true, 9000 * 0.2f / 0.9f, 0.05f, 0.1f, -1, NAN},
        {"broken", 1.6f, true, 0.0f, 0.0f, NAN, 0, NAN},
        {"no limits: only pulls", 3.0f, false, 9000 * 2.0f / 0.9f, 0.5f, NAN, 1, 3.0f},
        {"compressed", 0.5f, true, 9000 * std::log(0.5f) / 0.9f, 0.05f, NAN, -1, NAN},
        {"coincident: no direction", 0.0f, true, 0.0f, 0.0f, NAN, -1, 0.01f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Pair pair = MakePair(c.length);
        pair.f->elasticLimitOn = pair.f->fractureLimitOn = c.limits ? 1 : 0;
        pair.f->CalculaMuelles();
        EXPECT_NEAR(pair.p->force.x, c.force, c.tolerance);
        EXPECT_NEAR(pair.q->force.x, -pair.p->force.x, 1e-3f);
        if (c.kept >= 0) {
            EXPECT_EQ(pair.p->springs != nullptr, c.kept == 1);
        }
        if (!std::isnan(c.plastic)) {
            EXPECT_NEAR(pair.s->plastic, c.plastic, 1e-5f);
        }
        if (!std::isnan(c.min_length)) {
            EXPECT_FLOAT_EQ(pair.f->minSpringLength, c.min_length);
        }
        DeleteFluido(pair.f);
    }
}

TEST_F(SpringsTest, AutoRepulsionPushesUnjoinedNeighboursFromBothSides) {
    Fluido* f = MakeEmptyFluid(kFluidElastic);
    f->autoRepulsion = 1;
    f->h = 0.5f;
    f->cellSize = 1.0f;
    f->springsBuilt = 1;  // no springs will be made
    Particula* p = f->CreaParticula(Vector(0, 0, 0), Vector());
    Particula* q = f->CreaParticula(Vector(0.5f, 0, 0), Vector());
    for (Particula* x : {p, q}) x->springsBuilt = 1;
    BuildGrid(f);
    ASSERT_EQ(p->numNeighbours, 1);
    f->CalculaMuelles();
    EXPECT_NEAR(p->force.x, -4 * f->repulsion, 1e-3f);
    EXPECT_NEAR(q->force.x, 4 * f->repulsion, 1e-3f);
    f->LiberaPorPaso();
}

TEST_F(SpringsTest, ABodyHoldsTogetherAndLosesParticlesSafely) {
    platform::ResetMessages();
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 5;
    spec.spacing = 0.08f;
    Fluido* f = MakeBlockFluid(spec, kFluidElastic);
    StepFluids(0.001f);
    EXPECT_EQ(f->springsBuilt, 1);
    int springs = 0;
    for (Particula* p = f->First(); p; p = p->next) {
        springs += SpringCount(p);
        EXPECT_EQ(p->springsBuilt, 1);
    }
    EXPECT_GT(springs, 125);

    // Remove every third particle: springs of the others that named them are dropped, never
    // followed (the address sanitizer watches this).
    int n = 0;
    for (Particula* p = f->First(); p;) {
        Particula* next = p->next;
        if (n++ % 3 == 0) f->RemoveParticula(p);
        p = next;
    }
    for (int i = 0; i < 10; ++i) StepFluids(0.001f);
    for (Particula* p = f->First(); p; p = p->next) {
        for (Muelle* s = p->springs; s; s = s->next) {
            ASSERT_EQ(s->other->owner, f);
            ASSERT_TRUE(std::isfinite(p->pos.x));
        }
    }
    // New particles join the body in later steps.
    Particula* late = f->CreaParticula(Vector(0.04f, 0.04f, 0.04f), Vector());
    StepFluids(0.001f);
    EXPECT_EQ(late->springsBuilt, 1);
    EXPECT_GT(SpringCount(late), 0);
}

}  // namespace
