#include "mesh_fixture.h"

namespace {

using PolygoniseTest = MeshTest;

TEST_F(PolygoniseTest, LoneParticleGivesClosedSphereOfRadiusFactorTimesSpacing) {
    Fluido* f = FluidAt({Vector(0.3f, -0.2f, 0.1f)});
    Mesh* m = MeshOf({f});
    m->resolution = 100.0f;
    // A cell wider than the sphere finds no faces, so calibration takes a few frames.
    for (int frame = 0; frame < 6 && m->refFaces == 0; ++frame) Build(m);
    ASSERT_GT(m->refFaces, 0);
    Build(m);
    ExpectClosed(*m);
    EXPECT_EQ(Analyse(*m).Euler(), 2);
    const float r = m->links[0].radiusFactor * f->fillSpacing;
    for (int v = 0; v < m->numVertices; ++v) {
        EXPECT_NEAR((m->vertices[v] - Vector(0.3f, -0.2f, 0.1f)).Modulo(), r, 0.03f * r);
    }
    EXPECT_EQ(OutwardShare(*m, Vector(0.3f, -0.2f, 0.1f)), 1.0);
}

TEST_F(PolygoniseTest, BlobIsClosedWithEulerTwoAndOutwardNormals) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    Mesh* m = MeshOf({f});
    for (float res : {0.0f, 6.0f, 40.0f}) {
        m->resolution = res;
        Build(m);
        ExpectClosed(*m);
        EXPECT_EQ(Analyse(*m).Euler(), 2) << res;
        EXPECT_EQ(OutwardShare(*m, Vector(0, 0, 0)), 1.0) << res;
    }
}

}  // namespace
