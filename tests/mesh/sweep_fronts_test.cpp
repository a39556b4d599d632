#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <tuple>
#include <vector>

#include "fluid/links.h"
#include "mesh_fixture.h"

namespace {

using SweepFrontsTest = MeshTest;

void BuildWith(Mesh* m, bool two_fronts) {
    parallel::SetMultithreading(two_fronts);
    Build(m);
}

using Point = std::tuple<float, float, float>;
Point Key(const Vector& v) { return {v.x, v.y, v.z}; }

// The surface as positions: the vertex set, and each face as its corners from the smallest.
struct Surface {
    std::vector<Point> vertices;
    std::vector<std::array<Point, 3>> faces;
    bool operator==(const Surface& o) const { return vertices == o.vertices && faces == o.faces; }
};

Surface SurfaceOf(const Mesh& m) {
    Surface s;
    for (int v = 0; v < m.numVertices; ++v) s.vertices.push_back(Key(m.vertices[v]));
    std::sort(s.vertices.begin(), s.vertices.end());
    for (int f = 0; f < m.numFaces; ++f) {
        std::array<Point, 3> t;
        for (int k = 0; k < 3; ++k) t[static_cast<size_t>(k)] = Key(m.vertices[m.faces[f][k]]);
        std::rotate(t.begin(), std::min_element(t.begin(), t.end()), t.end());
        s.faces.push_back(t);
    }
    std::sort(s.faces.begin(), s.faces.end());
    return s;
}

TEST_F(SweepFrontsTest, TwoFrontsNeedFortyOneSlicesAndTheOption) {
    // Slices run from -25 to n + 25, n the cells across the particles' box (0.2 wider than
    // their spread).
    const float h = 0.05f;
    struct Case {
        float spread;  // so that n = (spread + 0.2) / h
        bool option;
        int fronts;
    };
    const Case cases[] = {{15.5f * h - 0.2f, true, 1}, {16.5f * h - 0.2f, true, 2},
                          {16.5f * h - 0.2f, false, 1}};
    for (const Case& c : cases) {
        ResetScene();
        Fluido* f = FluidAt({Vector(0, 0, 0), Vector(c.spread, 0, 0)});
        Mesh* m = MeshOf({f});
        FixCell(m, h);
        BuildWith(m, c.option);
        EXPECT_EQ(LastMeshBuildStats().fronts, c.fronts) << c.spread << " " << c.option;
        ExpectClosed(*m);
    }
}

// Scenes whose surfaces cross the seam between the fronts in different ways.
struct Scene {
    const char* name;
    void (*make)();
};

void Blob() { MeshOf({FluidAt(Ball(Vector(0, 0, 0), 0.45f, 0.1f))}); }

void Clusters() {
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.25f, 0.1f));
    // Only in the upper half of the slices: the downward front meets it first.
    for (const Vector& p : Ball(Vector(2.5f, 0.3f, 0), 0.25f, 0.1f)) f->CreaParticula(p, Vector());
    MeshOf({f});
}

// Two legs joined at the top of the sweep: from the one seed at the foot of a leg the surface
// climbs, crosses over and comes back down the other leg, behind the front; with two fronts
// the upper one finds the joint and hands the lower front the other leg at the seam.
void Arch() {
    std::vector<Vector> points;
    for (int i = 0; i <= 12; ++i) {
        for (float y : {-0.3f, 0.3f}) points.push_back(Vector(i * 0.1f, y, 0));
    }
    for (int j = -2; j <= 2; ++j) points.push_back(Vector(1.2f, j * 0.1f, 0));
    MeshOf({FluidAt(points)});
}

void Holed() {
    std::vector<Vector> plate, column;
    for (int i = -6; i <= 6; ++i) {
        for (int j = -4; j <= 4; ++j) plate.push_back(Vector(i * 0.1f, j * 0.1f, 0));
    }
    for (int k = -5; k <= 5; ++k) column.push_back(Vector(0, 0, k * 0.02f));
    Fluido* a = FluidAt(plate);
    LinkFluid(a, FluidAt(column));
    MeshOf({a});
}

const Scene kScenes[] = {{"blob", Blob}, {"clusters", Clusters}, {"arch", Arch}, {"holed plate", Holed}};

TEST_F(SweepFrontsTest, OneFrontAndTwoFrontsBuildTheSameSurface) {
    for (const Scene& scene : kScenes) {
        ResetScene();
        scene.make();
        Mesh* m = rootmesh;
        FixCell(m, 0.02f);
        BuildWith(m, false);
        ASSERT_EQ(LastMeshBuildStats().fronts, 1);
        ExpectClosed(*m);
        const Surface one = SurfaceOf(*m);
        const int components = Analyse(*m).components;
        BuildWith(m, true);
        ASSERT_EQ(LastMeshBuildStats().fronts, 2) << scene.name;
        ExpectClosed(*m);
        EXPECT_EQ(Analyse(*m).components, components) << scene.name;
        EXPECT_TRUE(SurfaceOf(*m) == one) << scene.name;
    }
}

TEST_F(SweepFrontsTest, TwoRunsWithTwoFrontsGiveIdenticalBytes) {
    Arch();
    Mesh* m = rootmesh;
    FixCell(m, 0.015f);
    BuildWith(m, true);
    const std::vector<Vector> vertices(m->vertices, m->vertices + m->numVertices);
    const std::vector<Vector> colours(m->colours, m->colours + m->numVertices);
    std::vector<int> faces(&m->faces[0][0], &m->faces[0][0] + 3 * m->numFaces);
    for (int run = 0; run < 3; ++run) {
        BuildWith(m, true);
        ASSERT_EQ(m->numVertices, static_cast<int>(vertices.size()));
        ASSERT_EQ(m->numFaces * 3, static_cast<int>(faces.size()));
        EXPECT_EQ(std::memcmp(m->vertices, vertices.data(), vertices.size() * sizeof(Vector)), 0);
        EXPECT_EQ(std::memcmp(m->colours, colours.data(), colours.size() * sizeof(Vector)), 0);
        EXPECT_EQ(std::memcmp(m->faces, faces.data(), faces.size() * sizeof(int)), 0);
    }
}

// A stop request cuts a build short unless files are wanted or the build was asked for.
TEST_F(SweepFrontsTest, StopRequestEndsABuildOnlyWithoutOutputFormats) {
    struct Case {
        bool output, explicit_request, cut;
    };
    const Case cases[] = {{false, false, true}, {true, false, false}, {false, true, false}};
    for (const Case& c : cases) {
        for (bool two : {false, true}) {
            ResetScene();
            Blob();
            Mesh* m = rootmesh;
            FixCell(m, 0.02f);
            m->outBin = c.output ? 1 : 0;
            BuildWith(m, two);
            const int whole = m->numFaces;
            PrepareGrids();
            SimulationState = kSimStopRequested;
            BuildMesh(m, c.explicit_request);
            SimulationState = 0;
            ReleaseGrids();
            EXPECT_EQ(LastMeshBuildStats().stopped, c.cut);
            EXPECT_EQ(m->numFaces < whole, c.cut) << c.output << c.explicit_request << two;
        }
    }
}

TEST_F(SweepFrontsTest, FrameBuildCutShortKeepsThePreviousFrame) {
    Blob();
    Mesh* m = rootmesh;
    FixCell(m, 0.03f);
    PrepareGrids();
    BuildAllMeshes(false);
    const int faces = m->prevNumFaces;
    ASSERT_GT(faces, 0);
    SimulationState = kSimStopRequested;
    BuildAllMeshes(false);
    SimulationState = 0;
    ReleaseGrids();
    EXPECT_EQ(m->prevNumFaces, faces);
    ASSERT_NE(m->prevFaces, nullptr);
    EXPECT_EQ(m->numFaces, 0);
}

}  // namespace
