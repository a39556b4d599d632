#include "fluid/draw_buffers.h"

#include "fluid/driver.h"
#include "fluid_fixture.h"

namespace {

class DrawBuffersTest : public FluidTest {
protected:
    void TearDown() override {
        draw_buffers::Request(0);
        FluidTest::TearDown();
    }
};

TEST_F(DrawBuffersTest, StepsPublishWhatTheViewportAsksForUntilTheFluidIsDeleted) {
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
