#include <cstring>
#include <random>

#include "fluid/links.h"
#include "mesh/field.h"
#include "mesh_fixture.h"

namespace {

using FieldTest = MeshTest;

// The link radii as a build sets them.
void SetRadii(Mesh* m) {
    for (int i = 0; i < m->numLinks; ++i) {
        Lista& l = m->links[i];
        l.radius = l.radiusFactor * l.fluid->fillSpacing;
        l.R = l.blend * l.radius;
        l.R2 = l.R * l.R;
        l.invR2 = 1.0f / l.R2;
    }
}

uint32_t Bits(float v) {
    uint32_t b;
    std::memcpy(&b, &v, 4);
    return b;
}

TEST_F(FieldTest, ALoneParticlesFieldIsOneAtItsRadiusAndItsColourInside) {
    Fluido* f = FluidAt({Vector(1, 2, 3)});
    f->colour = Vector(0.2f, 0.4f, 0.6f);
    Mesh* m = MeshOf({f});
    PrepareGrids();
    SetRadii(m);
    SurfaceField field;
    ASSERT_TRUE(field.Build(*m));
    const float r = m->links[0].radius;
    Vector colour;
    EXPECT_NEAR(field.Value(Vector(1 + r, 2, 3), &colour), 0.0f, 1e-5f);
    EXPECT_FLOAT_EQ(colour.y, 0.4f);
    EXPECT_NEAR(field.Value(Vector(1, 2, 3), nullptr), m->links[0].kernelScale - 1.0f, 1e-6f);
    EXPECT_EQ(field.Value(Vector(1, 2, 3 + m->links[0].R), &colour), -1.0f);
    EXPECT_EQ(colour.x, 0.0f) << "no particle within reach: no colour";
    ReleaseGrids();
}

// A value is the same bits whatever list of particles it is summed over and however wide the
// arithmetic: both fronts and every machine agree.
TEST_F(FieldTest, ValuesAreExactWhateverTheGatherAndTheArithmetic) {
    std::mt19937 random(5);
    std::uniform_real_distribution<float> u(-0.4f, 0.4f);
    std::vector<Vector> points;
    for (int i = 0; i < 400; ++i) points.push_back(Vector(u(random), u(random), u(random)));
    Fluido* f = FluidAt(points);
    Fluido* carver = FluidAt({Vector(0.1f, 0, 0), Vector(0, 0.1f, 0)});
    LinkFluid(f, carver);
    Mesh* m = MeshOf({f});
    PrepareGrids();
    SetRadii(m);
    SurfaceField field;
    ASSERT_TRUE(field.Build(*m));
    FieldGather wide;
    field.Gather(Vector(0, 0, 0), 0.4f, &wide);  // covers every point below
    for (int i = 0; i < 200; ++i) {
        const Vector p(u(random) * 0.5f, u(random) * 0.5f, u(random) * 0.5f);
        ASSERT_TRUE(wide.Covers(p));
        const float alone = field.Value(p, nullptr);
        EXPECT_EQ(Bits(field.ValueFrom(wide, p, nullptr)), Bits(alone));
        SurfaceField::UsePlainArithmetic(true);
        EXPECT_EQ(Bits(field.Value(p, nullptr)), Bits(alone));
        SurfaceField::UsePlainArithmetic(false);
    }
    ReleaseGrids();
}

TEST_F(FieldTest, WeightsSplitTheFieldBetweenLinksAndColoursFollowThem) {
    Fluido* red = FluidAt({Vector(0, 0, 0)});
    Fluido* blue = FluidAt({Vector(0.05f, 0, 0)});
    red->colour = Vector(1, 0, 0);
    blue->colour = Vector(0, 0, 1);
    Mesh* m = MeshOf({red, blue});
    PrepareGrids();
    SetRadii(m);
    SurfaceField field;
    ASSERT_TRUE(field.Build(*m));
    float weights[2];
    Vector colour;
    FieldOutputs out;
    out.weights = weights;
    out.colour = &colour;
    field.Evaluate(Vector(0.025f, 0, 0), out);
    EXPECT_NEAR(weights[0], 0.5f, 1e-5f);
    EXPECT_NEAR(weights[0] + weights[1], 1.0f, 1e-6f);
    EXPECT_NEAR(colour.x, 0.5f, 1e-5f);
    EXPECT_NEAR(colour.z, 0.5f, 1e-5f);
    field.Evaluate(Vector(-0.05f, 0, 0), out);
    EXPECT_GT(weights[0], weights[1]);
    ReleaseGrids();
}

}  // namespace
