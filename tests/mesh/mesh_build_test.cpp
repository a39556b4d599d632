#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "fluid/clock.h"
#include "fluid/links.h"
#include "mesh_classes.h"
#include "mesh/mesh_filters.h"
#include "mesh_fixture.h"
#include "platform/format.h"

namespace {

using MeshBuildTest = MeshTest;

RelaxClass g_relax;

Fluido* Block(unsigned char type) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 4;
    return MakeBlockFluid(spec, type);
}

std::vector<std::string> g_status;

TEST_F(MeshBuildTest, EveryFrameEndBuildsTheMeshesAndAResetForgetsTheirCalibration) {
    Fluido* f = Block(kFluidDumb);  // only a mesh keeps a dumb fluid's grid
    Mesh* m = MeshOf({f});
    g_status.clear();
    SetMeshStatusHook([](const char* text) { g_status.push_back(text); });
    sim::StopAtFrame(2);
    sim::Start(true);
    sim::WaitUntilStopped();
    sim::StopAtFrame(-1);
    SetMeshStatusHook(nullptr);
    EXPECT_EQ(frame, 2);
    ASSERT_GT(m->prevNumFaces, 0);
    EXPECT_GT(m->refFaces, 0);
    EXPECT_EQ(m->lastFaces, m->prevNumFaces) << "the frame before's count shifts on the clear";
    ASSERT_FALSE(g_status.empty());
    EXPECT_EQ(g_status.front(), "Mesh processed-->> 0 %");
    EXPECT_NE(std::find(g_status.begin(), g_status.end(), "Mesh processed-->> 100 %"), g_status.end());
    EXPECT_EQ(g_status.back(), "");
    // In between, the share of the target made, in steps of 5, never 100 before the end.
    for (const std::string& text : g_status) {
        int p = -1;
        if (text.empty() || text == "Mesh processed-->> 100 %") continue;
        ASSERT_EQ(std::sscanf(text.c_str(), "Mesh processed-->> %d %%", &p), 1) << text;
        EXPECT_TRUE(p % 5 == 0 && p <= 99) << text;
    }

    sim::Reset();
    EXPECT_EQ(m->refFaces, 0);
    EXPECT_EQ(m->lastFaces, 0);
    EXPECT_FLOAT_EQ(m->cellFactor, 2.4f);
}

// It also reports how much the optimiser took off the last mesh.
TEST_F(MeshBuildTest, OneShotBuildRunsTheRelaxDaemonsAndLeavesNoGridBehind) {
    Fluido* f = Block(kFluidLiquid);
    Daemon* relax = CreaDaemon(&g_relax);
    relax->enabled = 0;  // it acts here all the same
    LinkDaemon(f, relax);
    Mesh* m = MeshOf({f});
    m->optimize = true;
    g_relax_calls = 0;
    ASSERT_TRUE(StartOneShotMeshBuild());
    WaitForOneShotMeshBuild();
    EXPECT_EQ(g_relax_calls, 1);
    EXPECT_EQ(f->grid, nullptr);
    ASSERT_GT(FacesPolygonised(), FacesBuilt());
    EXPECT_EQ(m->prevNumFaces, FacesBuilt());
    const double reduction = (FacesPolygonised() - FacesBuilt()) * 100.0 / FacesPolygonised();
    EXPECT_NE(platform::LogText().find(platform::Format("Face reduction: %2.2f %%", reduction)),
              std::string::npos);
    ExpectClosed(*m);
}

TEST_F(MeshBuildTest, DisabledGenerationKeepsLinksButMakesNoPolygons) {
    Fluido* f = Block(kFluidLiquid);
    Mesh* m = MeshOf({f});
    m->generationOn = false;
    Build(m);
    EXPECT_EQ(m->numFaces, 0);
    EXPECT_EQ(m->numLinks, 1);
    m->generationOn = true;
    Build(m);
    EXPECT_GT(m->numFaces, 0);
}

TEST_F(MeshBuildTest, TheKeptFrameSerialMovesWithEveryFrameKeptOrDroppedAndIsNeverReused) {
    // The viewport compiles a mesh again only when this number moves.
    Mesh* m = NewMesh();
    EXPECT_EQ(KeptFrameSerial(m), 0u);
    std::set<unsigned> seen;
    for (bool discard : {false, true, false}) {
        m->Clear();
        m->KeepPrevious(discard);  // a discarded build leaves the kept frame as it was
        seen.insert(KeptFrameSerial(m));
    }
    EXPECT_EQ(seen.size(), 2u);
    m->DropPrevious();
    EXPECT_EQ(seen.count(KeptFrameSerial(m)), 0u);
    seen.insert(KeptFrameSerial(m));
    // A mesh made where a deleted one lived starts afresh.
    DeleteMesh(m);
    Mesh* again = NewMesh();
    EXPECT_EQ(KeptFrameSerial(again), 0u);
    again->Clear();
    again->KeepPrevious(false);
    EXPECT_EQ(seen.count(KeptFrameSerial(again)), 0u);
}

}  // namespace
