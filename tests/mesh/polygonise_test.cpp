#include <cmath>
#include <limits>

#include "fluid/links.h"
#include "mesh/clipping.h"
#include "mesh_fixture.h"

namespace {

using PolygoniseTest = MeshTest;

float MaxAlong(const Mesh& m, int axis) {
    float best = -1e30f;
    for (int v = 0; v < m.numVertices; ++v) best = std::max(best, m.vertices[v][axis]);
    return best;
}

TEST_F(PolygoniseTest, LoneParticleGivesClosedSphereOfRadiusFactorTimesSpacing) {
    const Vector centre(0.3f, -0.2f, 0.1f);
    Fluido* f = FluidAt({centre});
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
        EXPECT_NEAR((m->vertices[v] - centre).Modulo(), r, 0.03f * r);
        EXPECT_GT(m->vertexNormals[v] * (m->vertices[v] - centre), 0.0f);
    }
    EXPECT_EQ(OutwardShare(*m, centre), 1.0);
}

TEST_F(PolygoniseTest, UnlinkedFluidSharingTheGridCutsAHoleThroughAPlate) {
    std::vector<Vector> plate;
    for (int i = -5; i <= 5; ++i) {
        for (int j = -5; j <= 5; ++j) plate.push_back(Vector(i * 0.1f, j * 0.1f, 0.0f));
    }
    Fluido* a = FluidAt(plate);
    std::vector<Vector> column;
    for (int k = -5; k <= 5; ++k) column.push_back(Vector(0, 0, k * 0.02f));
    Fluido* drill = FluidAt(column);
    Mesh* m = MeshOf({a});
    FixCell(m, 0.02f);
    Build(m);
    ExpectClosed(*m);
    EXPECT_EQ(Analyse(*m).Euler(), 2) << "the drill is not in the plate's grid yet";
    LinkFluid(a, drill);
    Build(m);
    ExpectClosed(*m);
    EXPECT_EQ(Analyse(*m).Euler(), 0) << "a plate with a hole is a torus";
}

// A second linked fluid next to a ball: added, it bulges the surface out; subtractive or not
// linked but sharing the grid, it carves it in.
TEST_F(PolygoniseTest, SubtractiveAndUnlinkedFluidsCarveWhereAddedOnesBulge) {
    struct Case {
        const char* what;
        bool linked, subtractive;
        int sign;  // of the change of the surface's reach along +x
    };
    const Case cases[] = {{"added", true, false, +1}, {"subtractive", true, true, -1},
                          {"unlinked", false, false, -1}};
    for (const Case& c : cases) {
        ResetScene();
        Fluido* ball = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
        Fluido* other = FluidAt({Vector(0.42f, 0, 0), Vector(0.42f, 0.05f, 0), Vector(0.42f, 0, 0.05f)});
        Mesh* m = MeshOf({ball});
        FixCell(m, 0.03f);
        Build(m);
        const float alone = MaxAlong(*m, 0);
        if (c.linked) {
            LinkFluidToMesh(m, other)->subtractive = c.subtractive;
            if (c.subtractive) LinkFluid(ball, other);  // its particles join the ball's grid
        } else {
            LinkFluid(ball, other);
        }
        Build(m);
        ExpectClosed(*m);
        EXPECT_GT((MaxAlong(*m, 0) - alone) * static_cast<float>(c.sign), 0.02f) << c.what;
    }
}

// Two far clusters both appear; the clipping box drops the one outside it and cuts the other,
// snapping vertices onto its faces.
TEST_F(PolygoniseTest, FarClustersBothAppearAndOneOutsideTheClippingBoxNot) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    for (const Vector& p : Ball(Vector(3, 1, 0), 0.25f, 0.1f)) f->CreaParticula(p, Vector());
    Mesh* m = MeshOf({f});
    FixCell(m, 0.03f);
    Build(m);
    ExpectClosed(*m);
    Topology t = Analyse(*m);
    EXPECT_EQ(t.components, 2);
    EXPECT_EQ(t.Euler(), 4);

    m->clipBoxOn = 1;
    m->clipMin = Vector(-1, -1, -1);
    m->clipMax = Vector(1, 1, 0.1f);
    Build(m);
    ASSERT_GT(m->numFaces, 0);
    ASSERT_NE(m->clipFlags, nullptr);
    EXPECT_EQ(Analyse(*m).components, 1);
    const float h = m->cellSize;
    int on_face = 0;
    for (int v = 0; v < m->numVertices; ++v) {
        const float z = m->vertices[v].z;
        EXPECT_LT(m->vertices[v].x, 1.0f + h);
        EXPECT_LE(z, 0.1f + h);
        // Within 0.15 h inside, or anywhere in the band outside, a coordinate lands on the face.
        EXPECT_FALSE(z > 0.1f - 0.15f * h && z != 0.1f) << z;
        if (z == 0.1f) {
            ++on_face;
            EXPECT_EQ(m->clipFlags[v], 1);
        }
        if (z < 0.1f - 0.95f * h) {
            EXPECT_EQ(m->clipFlags[v], 0);
        }
    }
    EXPECT_GT(on_face, 10);
}

TEST(ClipByBoxTest, RemovesMarksAndSnapsByDistanceToTheFaces) {
    const Vector lo(0, 0, 0), hi(1, 1, 1);
    const float h = 0.1f;
    struct Case {
        Vector in;
        ClipResult result;
        Vector out;
    };
    const Case cases[] = {
        {Vector(0.5f, 0.5f, 0.5f), ClipResult::kKept, Vector(0.5f, 0.5f, 0.5f)},
        {Vector(0.5f, 0.5f, 0.92f), ClipResult::kMoved, Vector(0.5f, 0.5f, 0.92f)},
        {Vector(0.5f, 0.5f, 0.99f), ClipResult::kMoved, Vector(0.5f, 0.5f, 1.0f)},
        {Vector(0.95f, 0.5f, 1.05f), ClipResult::kMoved, Vector(1.0f, 0.5f, 1.0f)},
        {Vector(0.5f, 0.5f, 1.11f), ClipResult::kRemoved, Vector(0.5f, 0.5f, 1.11f)},
        {Vector(-0.2f, 0.5f, 0.5f), ClipResult::kRemoved, Vector(-0.2f, 0.5f, 0.5f)},
    };
    for (const Case& c : cases) {
        Vector p = c.in;
        EXPECT_EQ(ClipByBox(lo, hi, h, &p), c.result) << c.in.x << " " << c.in.z;
        if (c.result != ClipResult::kRemoved) {
            EXPECT_FLOAT_EQ(p.x, c.out.x);
            EXPECT_FLOAT_EQ(p.z, c.out.z);
        }
    }
}

// The floor of a unit box, normal up: below it is inside the object.
TEST(ClipByFacesTest, NormalClippingPushesOutAndInverseKeepsOnlyWhatIsInside) {
    const ClipFace floor[2] = {
        {Vector(0, 0, 1), Vector(0, 0, 0), Vector(1, 0, 0), Vector(1, 1, 0)},
        {Vector(0, 0, 1), Vector(0, 0, 0), Vector(1, 1, 0), Vector(0, 1, 0)},
    };
    const float h = 0.1f;
    struct Case {
        bool inverse;
        float z;
        ClipResult result;
        float moved_to;
    };
    const Case cases[] = {
        {false, 0.3f, ClipResult::kKept, 0.3f},      // outside the object
        {false, -0.02f, ClipResult::kMoved, 0.004f},  // just inside: pushed out past the face
        {false, -0.2f, ClipResult::kRemoved, 0},     // deep inside
        {true, -0.2f, ClipResult::kKept, -0.2f},
        {true, 0.03f, ClipResult::kMoved, 0.006f},   // just outside: drawn towards the face
        {true, 0.3f, ClipResult::kRemoved, 0},
    };
    for (const Case& c : cases) {
        Vector p(0.6f, 0.3f, c.z);
        EXPECT_EQ(ClipByFaces(floor, 2, h, c.inverse, &p), c.result) << c.inverse << " " << c.z;
        if (c.result != ClipResult::kRemoved) {
            EXPECT_NEAR(p.z, c.moved_to, 1e-6f);
        }
    }
}

// One lattice point inside a particle's sphere. With the sphere smaller than half a cell every
// crossing belongs to that point and every triangle collapses; a little larger, the crossings
// belong to its six neighbours, which make an octahedron.
TEST_F(PolygoniseTest, TrianglesThatCollapseOntoOneVertexAreNotEmitted) {
    const struct {
        float radius_factor;
        int faces, vertices;
    } cases[] = {{0.4f, 0, 0}, {0.601f, 8, 6}};
    for (const auto& c : cases) {
        ResetScene();
        Fluido* f = FluidAt({Vector(0, 0, 0)});
        Mesh* m = MeshOf({f});
        m->links[0].radiusFactor = c.radius_factor;
        FixCell(m, 0.1f);
        Build(m);
        EXPECT_EQ(m->numFaces, c.faces) << c.radius_factor;
        EXPECT_EQ(m->numVertices, c.vertices) << "vertices come only with faces";
        if (c.faces) ExpectClosed(*m);
    }
}

// At every resolution the blob is closed, of Euler number 2, with outward normals.
TEST_F(PolygoniseTest, FirstBuildCalibratesThenResolutionSetsTheFaceTarget) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    Mesh* m = MeshOf({f});
    Build(m);
    EXPECT_EQ(LastMeshBuildStats().calibrationBuilds, 1);
    const int reference = m->refFaces;
    ASSERT_GT(reference, 0);
    EXPECT_FLOAT_EQ(m->cellFactor, 2.4f * 0.75f);
    // 0 % aims at 1.36 times the reference, 100 % at 90 times, the cell shrinking to match.
    float cell[2] = {};
    const float shares[2] = {1.36f, 90.0f};
    for (int i = 0; i < 2; ++i) {
        m->resolution = 100.0f * static_cast<float>(i);
        Build(m);
        EXPECT_EQ(LastMeshBuildStats().calibrationBuilds, 0);
        EXPECT_EQ(m->targetFaces, static_cast<int>(reference * shares[i]));
        cell[i] = m->cellSize;
        ExpectClosed(*m);
        EXPECT_EQ(Analyse(*m).Euler(), 2) << m->resolution;
        EXPECT_EQ(OutwardShare(*m, Vector(0, 0, 0)), 1.0) << m->resolution;
    }
    EXPECT_EQ(m->refFaces, reference);
    EXPECT_NEAR(cell[0] / cell[1], std::sqrt(shares[1] / shares[0]), 0.05f);
}

TEST_F(PolygoniseTest, ParticlesAtInfinityOrNotANumberNeitherHangNorSpoilTheSurface) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.3f, 0.1f));
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    f->CreaParticula(Vector(inf, 0, 0), Vector());
    f->CreaParticula(Vector(0, nan, 0), Vector());
    Mesh* m = MeshOf({f});
    FixCell(m, 0.03f);
    PrepareGrids();
    // Particles that blew up after their grid was made.
    f->First()->pos = Vector(nan, nan, nan);
    f->First()->next->pos = Vector(-inf, 0, 0);
    BuildMesh(m, true);
    ReleaseGrids();
    ExpectClosed(*m);
    EXPECT_EQ(Analyse(*m).Euler(), 2);
}

TEST_F(PolygoniseTest, PointLimitStopsABuildWithAWarning) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    Mesh* m = MeshOf({f});
    FixCell(m, 0.01f);
    SetMeshPointLimit(2000);
    Build(m);
    EXPECT_TRUE(LastMeshBuildStats().capped);
    EXPECT_LE(LastMeshBuildStats().points, 2100);
    EXPECT_NE(platform::LogText().find(" Mesh Mesh: more than 2000 lattice points; the surface is "
                                       "incomplete (use a larger cell or a lower resolution)"),
              std::string::npos);
    SetMeshPointLimit(0);
    Build(m);
    EXPECT_FALSE(LastMeshBuildStats().capped);
    ExpectClosed(*m);
}

// Noise fixed in space roughens the surface without opening it. Dragged noise scales each
// particle's share by the noise at its own coordinates, so the surface follows the particles'
// coordinates instead; it is a different surface, built all the same.
TEST_F(PolygoniseTest, FractalNoiseChangesTheSurface) {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.35f, 0.1f));
    Mesh* m = MeshOf({f});
    FixCell(m, 0.03f);
    std::vector<float> reach;
    for (int mode = 0; mode < 3; ++mode) {
        Lista& l = m->links[0];
        l.fractal = mode > 0;
        l.dragNoise = mode == 2;
        l.amplitude = mode == 2 ? 4.0f : 0.3f;
        l.frequency = 6.0f;
        l.octaves = 2;
        l.TexturaFluido();  // the coordinates dragged noise reads
        Build(m);
        if (mode < 2) ExpectClosed(*m);
        EXPECT_GT(m->numFaces, 0) << mode;
        reach.push_back(MaxAlong(*m, 0));
    }
    EXPECT_NE(reach[0], reach[1]);
    EXPECT_NE(reach[1], reach[2]);
}

}  // namespace
