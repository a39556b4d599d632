#include <cmath>
#include <map>
#include <string>
#include <utility>

#include "fluid_scenes.h"
#include "objects_fixture.h"
#include "platform/monitor.h"

namespace {

class FillObjectTest : public ObjectsTest {
protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        ClearFluidScene();
    }
    void TearDown() override {
        ClearFluidScene();
        ObjectsTest::TearDown();
    }

    static Fluido* Fluid(float spacing, int most = 100000) {
        Fluido* f = MakeEmptyFluid();
        f->fillSpacing = spacing;
        f->maxParticles = most;
        return f;
    }

    // Fills, and checks that the monitor showed the fill and is gone again.
    static void Fill(Body* b, Fluido* f, int mode, Vector extent = Vector(1, 1, 1),
                     float margin = 0.0f, int axis = 0) {
        b->FillObject(f, extent, margin, axis, mode);
        EXPECT_EQ(platform::MonitorCaption(), "Filling object");
        EXPECT_FALSE(platform::MonitorVisible());
    }
};

TEST_F(FillObjectTest, ACubeFillsRayByRayWithEvenlySpacedParticlesInsideTheMargins) {
    Body* cube = Cube();
    Fluido* f = Fluid(0.1f);
    Fill(cube, f, 1, Vector(1, 1, 1), 0.05f, 0);
    // 10 x 10 rays along x at (y, z) = (j/9, i/9). Those on the cube's sides run along a face
    // or touch only edges, and those with y = z graze the diagonal edge the two triangles of
    // each end share: strictly inside no triangle, so no interval. The 56 others enter at
    // x = 0 and leave at x = 1 and get 10 particles from 0.05 to 0.95.
    std::map<std::pair<int, int>, int> per_ray;
    for (Particula* p = f->First(); p; p = p->next) {
        const int j = static_cast<int>(std::lround(p->pos.y * 9)), i = static_cast<int>(std::lround(p->pos.z * 9));
        EXPECT_NEAR(p->pos.y, j / 9.0f, 1e-6f);
        EXPECT_NEAR(p->pos.z, i / 9.0f, 1e-6f);
        EXPECT_TRUE(i > 0 && i < 9 && j > 0 && j < 9 && i != j) << i << ", " << j;
        const float q = (p->pos.x - 0.05f) / 0.1f;
        EXPECT_NEAR(q, std::round(q), 1e-4f);
        EXPECT_TRUE(p->pos.x > 0.049f && p->pos.x < 0.951f);
        ++per_ray[{i, j}];
    }
    EXPECT_EQ(per_ray.size(), 56u);
    for (const auto& [ray, n] : per_ray) EXPECT_EQ(n, 10);
    EXPECT_EQ(f->count, 560);

    // Mode 0 adds one particle on each of the eight corners.
    Fluido* g = Fluid(0.1f);
    Fill(cube, g, 0, Vector(1, 1, 1), 0.05f, 0);
    EXPECT_EQ(g->count, 568);
}

TEST_F(FillObjectTest, ARayKeepsItsFirstSixteenCrossingsAndAShortStretchGetsOneParticleInTheMiddle) {
    // Twenty parallel sheets across x, listed from x = 2.0 down to x = 0.1. Each ray crosses
    // them all, keeps the first sixteen (x >= 0.5), and pairs them into stretches 0.1 long,
    // shorter than the spacing: one particle in the middle of each.
    std::string obj;
    for (int k = 19; k >= 0; --k) {
        const float x = 0.1f * static_cast<float>(k + 1);
        obj += "v " + std::to_string(x) + " -1 -1\nv " + std::to_string(x) + " 3 -1\nv " +
               std::to_string(x) + " -1 3\n";
    }
    for (int k = 0; k < 20; ++k) {
        obj += "f " + std::to_string(3 * k + 1) + " " + std::to_string(3 * k + 2) + " " +
               std::to_string(3 * k + 3) + "\n";
    }
    Body* sheets = ImportObjectFile(Write("sheets.obj", obj).c_str());
    ASSERT_NE(sheets, nullptr);
    Fluido* f = Fluid(0.5f);
    Fill(sheets, f, 1);
    ASSERT_GT(f->count, 0);
    EXPECT_EQ(f->count % 8, 0);
    for (Particula* p = f->First(); p; p = p->next) {
        const float centre = (p->pos.x - 0.55f) / 0.2f;  // 0.55, 0.75, ... 1.95
        EXPECT_NEAR(centre, std::round(centre), 1e-4f) << p->pos.x;
        EXPECT_GT(p->pos.x, 0.5f);
    }
}

TEST_F(FillObjectTest, VerticesGetOneParticleEachWhereTheyAreStored) {
    // The first point twice, and a point no face uses.
    Body* b = ImportObjectFile(
        Write("points.obj", "v 0 0 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 2 2 2\nf 1 3 4\n").c_str());
    ASSERT_EQ(b->nverts, 5);
    // Moved without a world update: mode 2 takes the stored world positions.
    b->pos = Vector(5, 0, 0);
    b->UpdateMatrix();
    Fluido* f = Fluid(0.1f);
    Fill(b, f, 2);
    ASSERT_EQ(f->count, 5);
    int i = f->count - 1;  // the list is newest first
    for (Particula* p = f->First(); p; p = p->next, --i) {
        ExpectVector(p->pos, b->verts[i].local.x, b->verts[i].local.y, b->verts[i].local.z);
        ExpectVector(p->vel, 0, 0, 0);
    }
}

TEST_F(FillObjectTest, TooCoarseALatticeOrAFullFluidStopsTheFillWithItsMessage) {
    struct Case {
        float spacing;
        int most, mode, count;
        const char* message;
    } cases[] = {
        // One sample across an edge: nothing at all, not even the vertices.
        {0.6f, 1000, 0, 0, "Need more resolution for particle sampling\nSet a higher density"},
        // The limit ends the lattice at once; the vertex pass does not run.
        {0.1f, 25, 0, 25, "Maximum number particles reached"},
        // Nor do the vertices pass it.
        {0.1f, 3, 2, 3, "Maximum number particles reached"},
        // An edge shorter than one spacing: no samples and no message; the vertices still come.
        {2.0f, 1000, 0, 8, ""},
    };
    Body* cube = Cube();
    for (const Case& c : cases) {
        ClearFluidScene();
        platform::ClearMessageBoxes();
        Fluido* f = Fluid(c.spacing, c.most);
        Fill(cube, f, c.mode);
        EXPECT_EQ(f->count, c.count) << c.spacing;
        EXPECT_EQ(platform::MessageBoxCount(), c.message[0] ? 1 : 0);
        if (c.message[0]) {
            EXPECT_EQ(platform::LastMessageBoxText(), c.message);
        }
    }
}

}  // namespace
