#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "io/workspace.h"
#include "mesh_fixture.h"

namespace {

class MeshWorkspaceTest : public MeshTest {
protected:
    void SetUp() override {
        MeshTest::SetUp();
        RegisterSupportClasses();
    }
    std::string Path(const char* name) { return scratch_.File(name); }
    TempDir scratch_;
};

void BuildScene() {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 3;
    Fluido* a = MakeBlockFluid(spec);
    spec.origin = Vector(1, 0, 0);
    Fluido* b = MakeBlockFluid(spec);
    Mesh* m = MeshOf({a, b});
    m->resolution = 40.0f;
    m->refFaces = 321;
    m->refCellSize = 0.07f;
    m->cellSize = 0.03f;
    m->lastFaces = 999;
    m->estimatedFaces = 1234;
    std::strcpy(m->outDir, "renders/water");
    std::strcpy(m->surfaceName, "Sea");
    m->outLwo2 = 1;
    m->outObj = 1;
    m->displayColour = Vector(0.1f, 0.2f, 0.3f);
    m->smoothing = true;
    m->filterType = kFilterSharp;
    m->display = kDisplaySmooth;
    m->objectClipping = true;
    m->frameOffset = -5;
    m->clipBoxOn = 1;
    m->clipMin = Vector(-2, -3, -4);
    m->clipMax = Vector(2, 3, 4);
    m->filterStrength = 0.5f;
    m->textureChannel = 2;
    m->optimize = true;
    m->optIterations = 7;
    m->maxFaces = 5000;
    m->optThreshold = 3.5f;
    Lista& l = m->links[1];
    l.subtractive = true;
    l.radiusFactor = 0.9f;
    SetBlendPercent(&l, 40);
    l.fractal = 1;
    l.dragNoise = true;
    l.amplitude = 0.3f;
    l.frequency = 5.0f;
    l.octaves = 3;
    MeshOf({b})->calcUVW = false;
}

TEST_F(MeshWorkspaceTest, MeshesAndTheirLinksSurviveASaveAndLoadByteForByte) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    ResetScene();
    platform::ResetMessages();
    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));

    ASSERT_EQ(CountMeshes(), 2);
    Mesh* m = rootmesh;
    EXPECT_STREQ(m->name, "Mesh");
    EXPECT_STREQ(MeshAt(1)->name, "MeshA");
    EXPECT_STREQ(m->outDir, "renders/water");
    EXPECT_STREQ(m->surfaceName, "Sea");
    ASSERT_EQ(m->numLinks, 2);
    EXPECT_EQ(m->links[0].fluid, rootflow);
    EXPECT_EQ(m->links[1].fluid, rootflow->next);
    const Lista& l = m->links[1];
    EXPECT_EQ((std::vector<float>{float(m->refFaces), m->resolution, float(m->outLwo2),
                                  float(m->display), float(m->frameOffset), m->clipMax.z,
                                  float(m->optIterations), float(l.subtractive), float(l.dragNoise),
                                  float(l.blendPercent), float(l.octaves)}),
              (std::vector<float>{321, 40, 1, kDisplaySmooth, -5, 4, 7, 1, 1, 40, 3}));
    EXPECT_EQ(rootflow->texture, &m->links[0]);
    EXPECT_FALSE(MeshAt(1)->calcUVW);
    EXPECT_NE(platform::LogText().find("Warning: file output options are enabled for MESHES. "
                                       "Old data could be overwritten."),
              std::string::npos);

    ASSERT_TRUE(SaveWorkspace(Path("b.ulw").c_str()));
    EXPECT_EQ(ReadFileText(Path("a.ulw")), ReadFileText(Path("b.ulw")));
}

// The record spelled out field by field.
TEST_F(MeshWorkspaceTest, TheMeshRecordHoldsItsFieldsInTheirOrder) {
    Mesh* m = MeshOf({MakeEmptyFluid()});
    std::memset(m->outDir, 0, sizeof m->outDir);
    std::strcpy(m->outDir, "out");
    m->outBin = 1;
    m->frameOffset = 3;
    m->links[0].octaves = 2;
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    auto fixed = [](Bytes& b, const char* text, size_t size) {
        const size_t n = std::strlen(text);
        b.Text(text);
        for (size_t i = n; i < size; ++i) b.U8(0);
    };
    Bytes want;
    want.U32(0xFABADAAE).I32(1).U32(0xFABADAA9);
    want.F32(6.0f).I32(0).F32(1e6f).F32(0.0f).I32(0).I32(0).I32(0);
    fixed(want, "Mesh", 256);
    fixed(want, "out", 256);
    fixed(want, "Meshsurf", 50);
    want.I32(0).I32(0).I32(1).I32(0).U8(1);  // LWO, LWO2, BIN, OBJ, previous frame kept
    want.F32(0.5f).F32(0.5f).F32(1.0f).U8(0);
    fixed(want, "", 256);
    want.U8(1).U8(1).U8(0).I32(0).U8(kDisplayWire).I32(1).U8(0).U8(0).I32(3).U8(0);
    want.F32(-1).F32(-1).F32(-1).F32(1).F32(1).F32(1).F32(0.25f).U32(0).I32(0);
    fixed(want, "", 256);
    want.I32(0).U8(1).U8(0).U8(0).U8(0).I32(12).I32(65536).F32(6.0f).I32(1);
    const Lista& l = m->links[0];
    want.I32(0).F32(0.0f).F32(1e6f).F32(0.0f).I32(95).F32(l.kernelScale).F32(4.81f).I32(0).U8(0);
    want.F32(1.0f).F32(2.0f).I32(2).I32(0).F32(0.601f).U8(0);
    want.U32(0xFABADAA5);

    const std::vector<uint8_t> file = ReadFileBytes(Path("a.ulw"));
    const std::vector<uint8_t> head(want.b.begin(), want.b.begin() + 4);
    auto at = std::search(file.begin(), file.end(), head.begin(), head.end());
    ASSERT_NE(at, file.end());
    ASSERT_GE(static_cast<size_t>(file.end() - at), want.size());
    EXPECT_TRUE(std::equal(want.b.begin(), want.b.end(), at));
}

TEST_F(MeshWorkspaceTest, AFileCutInItsMeshesIsRefusedAndAGarbledOneLoadsSound) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    const std::string whole = ReadFileText(Path("a.ulw"));
    const char tag[4] = {'\xAE', '\xDA', '\xBA', '\xFA'};
    const size_t meshes = whole.find(std::string(tag, 4));
    ASSERT_NE(meshes, std::string::npos);
    for (size_t cut = meshes; cut < whole.size(); cut += 37) {
        WriteFileText(Path("cut.ulw"), whole.substr(0, cut));
        EXPECT_FALSE(LoadWorkspace(Path("cut.ulw").c_str()));  // the scene before stays
        EXPECT_EQ(CountMeshes(), 2);
        for (Mesh* m = rootmesh; m; m = m->nextMesh) EXPECT_LE(m->numLinks, 2);
    }
    // Any byte of the records may be wrong: counts, places of fluids, flags.
    std::mt19937 random(3);
    for (int trial = 0; trial < 200; ++trial) {
        std::string garbled = whole;
        const size_t at = meshes + random() % (whole.size() - meshes);
        garbled[at] = static_cast<char>(random());
        WriteFileText(Path("bad.ulw"), garbled);
        LoadWorkspace(Path("bad.ulw").c_str());
        for (Mesh* m = rootmesh; m; m = m->nextMesh) {
            for (int i = 0; i < m->numLinks; ++i) EXPECT_NE(m->links[i].fluid, nullptr);
        }
    }
}

}  // namespace
