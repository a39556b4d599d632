// The optimiser, face subdivision and the smoothing filter.
#include <algorithm>
#include <array>
#include <cmath>
#include <vector>

#include "mesh/mesh_filters.h"
#include "mesh_fixture.h"

namespace {

using RefineTest = MeshTest;

double Volume(const Mesh& m) {
    double v = 0.0;
    for (int f = 0; f < m.numFaces; ++f) {
        const Vector& a = m.vertices[m.faces[f][0]];
        const Vector& b = m.vertices[m.faces[f][1]];
        const Vector& c = m.vertices[m.faces[f][2]];
        v += (double(a.x) * (double(b.y) * c.z - double(b.z) * c.y) -
              double(a.y) * (double(b.x) * c.z - double(b.z) * c.x) +
              double(a.z) * (double(b.x) * c.y - double(b.y) * c.x)) /
             6.0;
    }
    return std::fabs(v);
}

Mesh* BallMesh(float radius = 0.5f) {
    Mesh* m = MeshOf({FluidAt(Ball(Vector(0, 0, 0), radius, 0.1f))});
    m->calcUVW = m->motionBlur = false;
    return m;
}

// As a frame end builds it: build, after-build filter, previous frame kept.
void FrameBuild() {
    PrepareGrids();
    BuildAllMeshes(true);
    ReleaseGrids();
}

TEST_F(RefineTest, EachFilterKeepsASpheresVolumeWithinAFewPerCent) {
    Mesh* m = BallMesh();
    m->resolution = 30.0f;
    FrameBuild();
    FrameBuild();  // calibrated
    const double raw = Volume(*m);
    const int faces = m->numFaces;
    ASSERT_GT(faces, 1000);
    for (int type : {kFilterStandard, kFilterSharp}) {
        ChooseMeshFilter(m, type);
        ASSERT_TRUE(m->smoothing);
        FrameBuild();
        EXPECT_EQ(m->numFaces, faces) << type;
        EXPECT_NEAR(Volume(*m) / raw, 1.0, 0.04) << "filter " << type;
        ChooseMeshFilter(m, type);  // the selected one again: off
        EXPECT_FALSE(m->smoothing);
        EXPECT_EQ(m->filterType, kFilterNone);
    }
    // Strength 1 smooths far longer (250 sweeps) than the default 62: the sharp filter, moving
    // vertices towards their neighbours' middle, shrinks the ball more.
    ChooseMeshFilter(m, kFilterSharp);
    FrameBuild();
    const double at_default = Volume(*m);
    m->filterStrength = 1.0f;
    FrameBuild();
    EXPECT_LT(Volume(*m), at_default);
}

TEST_F(RefineTest, TheOptimiserRemovesFlatVerticesAndMeetsMaxFaces) {
    Mesh* m = BallMesh();
    m->resolution = 30.0f;
    FrameBuild();
    FrameBuild();
    const int plain = m->numFaces;
    const double volume = Volume(*m);

    // Optimize off: the other settings change nothing.
    m->subdivide = m->limitFaces = true;
    m->maxFaces = 10;
    FrameBuild();
    EXPECT_EQ(m->numFaces, plain);

    m->optimize = true;
    m->subdivide = m->limitFaces = false;
    FrameBuild();
    EXPECT_LT(m->numFaces, plain);
    EXPECT_NEAR(Volume(*m) / volume, 1.0, 0.05);
    ExpectClosed(*m);

    // A threshold of 0 removes nothing; the limit then raises it until the faces fit.
    m->optThreshold = 0.0f;
    FrameBuild();
    EXPECT_EQ(m->numFaces, plain);
    m->limitFaces = true;
    m->maxFaces = plain / 3;
    FrameBuild();
    EXPECT_LE(m->numFaces, plain / 3);
    EXPECT_GT(m->numFaces, plain / 10);
    EXPECT_NEAR(Volume(*m) / volume, 1.0, 0.1);
}

std::vector<std::array<float, 3>> ClippedVertices(const Mesh& m) {
    std::vector<std::array<float, 3>> out;
    for (int v = 0; m.clipFlags && v < m.numVertices; ++v) {
        if (m.clipFlags[v]) out.push_back({m.vertices[v].x, m.vertices[v].y, m.vertices[v].z});
    }
    std::sort(out.begin(), out.end());
    return out;
}

TEST_F(RefineTest, ClippedBordersStayWhereClippingPutThem) {
    Mesh* m = BallMesh();
    m->clipBoxOn = 1;
    m->clipMin = Vector(-2, -2, -2);
    m->clipMax = Vector(2, 0.05f, 2);  // cuts the ball above its middle
    m->resolution = 30.0f;
    FrameBuild();
    FrameBuild();
    const auto border = ClippedVertices(*m);
    ASSERT_GT(border.size(), 20u);
    m->optimize = true;
    m->optThreshold = 20.0f;
    ChooseMeshFilter(m, kFilterSharp);
    FrameBuild();
    EXPECT_EQ(ClippedVertices(*m), border);
}

// Faces whose middle lies over the middle of the slab's top.
int TopMiddleFaces(const Mesh& m) {
    int n = 0;
    for (int f = 0; f < m.numFaces; ++f) {
        const Vector c =
            (m.vertices[m.faces[f][0]] + m.vertices[m.faces[f][1]] + m.vertices[m.faces[f][2]]) *
            (1.0f / 3.0f);
        n += c.y > 0.1f && std::fabs(c.x - 0.55f) < 0.2f && std::fabs(c.z - 0.55f) < 0.2f;
    }
    return n;
}

TEST_F(RefineTest, SubdivisionAddsFacesWhereTheSurfaceBends) {
    // A flat slab: its broad faces are flat, its rim bends.
    std::vector<Vector> slab;
    for (int i = 0; i < 12; ++i) {
        for (int k = 0; k < 12; ++k) {
            for (int j = 0; j < 2; ++j) slab.push_back(Vector(i * 0.1f, j * 0.1f, k * 0.1f));
        }
    }
    Mesh* m = MeshOf({FluidAt(slab)});
    m->calcUVW = m->motionBlur = false;
    FrameBuild();
    FrameBuild();
    const int plain = m->numFaces;
    const int middle = TopMiddleFaces(*m);
    ASSERT_GT(middle, 4);
    m->optimize = m->subdivide = true;
    m->optIterations = 0;
    FrameBuild();
    EXPECT_GT(m->maxFaceExcess * 57.295776f, 2.0f);
    EXPECT_GT(m->numFaces, plain + plain / 10);
    EXPECT_EQ(TopMiddleFaces(*m), middle) << "the flat top is not split";
    ExpectClosed(*m);
}

}  // namespace
