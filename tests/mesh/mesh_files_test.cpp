// Byte layouts of the mesh files, checked against bytes spelled out here.
#include "mesh/mesh_files.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "byte_builder.h"
#include "mesh/mesh_bin_reader.h"
#include "mesh_fixture.h"
#include "objects/body.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "scene/axes.h"
#include "tool_output.h"

namespace {

template <typename T>
T* Array(int n) {
    return static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T)));
}

class MeshFilesTest : public MeshTest {
  protected:
    // Four vertices, two faces; with texture data two links' weights, coordinates and
    // velocities.
    Mesh* Small(bool texture) {
        Mesh* m = MeshOf({MakeEmptyFluid(), MakeEmptyFluid()});
        platform::CopyText(m->outDir, sizeof m->outDir, dir_.path().c_str());
        m->numVertices = 4;
        m->numFaces = 2;
        m->vertices = Array<Vector>(4);
        const Vector p[4] = {
            {0.1f, -2.5f, 3.0f}, {1.0f, 0.0f, 1e7f}, {1.0f / 3, 2, -0.0625f}, {4, 5, 6}};
        for (int i = 0; i < 4; ++i) m->vertices[i] = p[i];
        m->faces = Array<MeshFace>(2);
        const int f[2][3] = {{0, 1, 2}, {0, 3, 1}};
        std::memcpy(m->faces, f, sizeof f);
        if (texture) {
            m->texCoords = Array<Vector>(4);
            m->velocities = Array<Vector>(4);
            m->fluidWeights = Array<float*>(4);
            for (int i = 0; i < 4; ++i) {
                m->texCoords[i] = Vector(0.25f * i, 2.0f - i, 0.5f);
                m->velocities[i] = Vector(1.0f + i, -2.0f, 0.5f);
                m->fluidWeights[i] = Array<float>(2);
                m->fluidWeights[i][0] = 0.75f;
                m->fluidWeights[i][1] = 0.25f;
            }
        }
        return m;
    }

    std::vector<uint8_t> Written(Mesh* m, int kind) {
        const std::string path = dir_.File("out");
        std::remove(path.c_str());
        EXPECT_TRUE(WriteMeshFile(m, kind, path));
        return ReadFileBytes(path);
    }

    TempDir dir_;
};

// "FORM" size id, from the chunks that follow.
Bytes Form(const char* id, const Bytes& body) {
    Bytes out;
    out.Text("FORM").U32BE(static_cast<uint32_t>(body.size() + 4)).Text(id).Append(body);
    return out;
}

Bytes Points(const Mesh* m) {
    Bytes b;
    b.Text("PNTS").U32BE(48);
    for (int i = 0; i < 4; ++i) {
        b.F32BE(m->vertices[i].x).F32BE(m->vertices[i].y).F32BE(m->vertices[i].z);
    }
    return b;
}

Bytes Shader() {
    Bytes b;
    b.Text("SHDR").U16BE(16).Text("Undaline_shader").U8(0);
    return b;
}

TEST_F(MeshFilesTest, LwobListsPointsSurfaceFacesAndTheGeneratedSurfaceWithItsShader) {
    Mesh* m = Small(false);
    for (const char* name : {"Meshsurf", "Odd"}) {
        platform::CopyText(m->surfaceName, sizeof m->surfaceName, name);
        const bool even = std::strlen(name) % 2 == 0;
        const uint32_t padded = static_cast<uint32_t>(std::strlen(name) + (even ? 2 : 1));
        Bytes pad;
        pad.Text(name).Zeros(even ? 2 : 1);
        Bytes body = Points(m);
        body.Text("SRFS").U32BE(padded).Append(pad);
        body.Text("POLS").U32BE(20);
        body.U16BE(3).U16BE(0).U16BE(1).U16BE(2).U16BE(1);
        body.U16BE(3).U16BE(0).U16BE(3).U16BE(1).U16BE(1);
        body.Text("SURF").U32BE(padded + 36 + 22).Append(pad);
        body.Text("COLR").U16BE(4).U8(200).U8(200).U8(200).U8(0);
        body.Text("FLAG").U16BE(2).U16BE(0).Text("DIFF").U16BE(2).U16BE(0x0100);
        body.Text("VDIF").U16BE(4).U32BE(0x3F800000).Append(Shader());
        EXPECT_EQ(Written(m, kMeshLwo), Form("LWOB", body).b) << name;
    }
    // Without the shader the surface ("Odd" now) ends with VDIF.
    m->includeShader = 0;
    const std::vector<uint8_t> plain = Written(m, kMeshLwo);
    EXPECT_EQ(plain.size(), 12u + 56 + (8 + 4) + 28 + (8 + 4 + 36));
    EXPECT_EQ(std::memcmp(plain.data() + plain.size() - 10, "VDIF", 4), 0);
}

TEST_F(MeshFilesTest, Lwo2CarriesTagsLayerUvMapFacesTagsAndItsOwnSurface) {
    Mesh* m = Small(true);
    Bytes body;
    body.Text("TAGS").U32BE(10).Text("Meshsurf").Zeros(2);
    body.Text("LAYR").U32BE(18).Zeros(18);
    body.Append(Points(m));
    body.Text("VMAP").U32BE(6 + 14 + 4 * 14).Text("TXUV").U16BE(3).Text("UD UV Mapping").U8(0);
    for (int i = 0; i < 4; ++i) {
        const Vector& t = m->texCoords[i];
        body.U16BE(static_cast<uint16_t>(i)).F32BE(t.x).F32BE(t.z).F32BE(t.y);
    }
    body.Text("POLS").U32BE(20).Text("FACE");
    body.U16BE(3).U16BE(0).U16BE(1).U16BE(2).U16BE(3).U16BE(0).U16BE(3).U16BE(1);
    body.Text("PTAG").U32BE(12).Text("SURF").U16BE(0).U16BE(0).U16BE(1).U16BE(0);
    body.Text("SURF").U32BE(42).Text("Meshsurf").Zeros(2).U16BE(0);
    body.Text("COLR").U16BE(14).F32BE(1).F32BE(1).F32BE(1).U16BE(0);
    body.Text("SMAN").U16BE(4).U32BE(0x3FC80000);
    EXPECT_EQ(Written(m, kMeshLwo2), Form("LWO2", body).b);

    // Without weights there is no UV map: the file is the VMAP chunk shorter.
    m->calcUVW = false;
    EXPECT_EQ(Written(m, kMeshLwo2).size() + 8 + 76, Form("LWO2", body).size());
}

TEST_F(MeshFilesTest, BinIsScaledAxisOrderedWithSwappedFacesTextureAndVelocitySections) {
    Mesh* m = Small(true);
    AX = 0;
    AY = 2;
    AZ = 1;
    scene_scale = 2.0f;
    m->tiling = false;
    Bytes expected;
    expected.U32(0xDADADADA).I32(2).U32(0xCCCCCCCC).I32(4);
    for (int i = 0; i < 4; ++i) {
        const Vector& p = m->vertices[i];
        expected.F32(p.x / 2.0f).F32(p.z / 2.0f).F32(p.y / 2.0f);
    }
    expected.I32(2).I32(1).I32(0).I32(2).I32(3).I32(0).I32(1);
    expected.U32(0xCCCCCC00).I32(2);
    for (int i = 0; i < 4; ++i) {
        const Vector& t = m->texCoords[i];
        // The coordinate's third written axis (y here) outside 0..1 marks an untiled vertex.
        const bool off = t.y > 1.0f || t.y < 0.0f;
        expected.F32(0.75f).F32(0.25f).F32(off ? 2.0f : t.x).F32(off ? 2.0f : t.z).F32(t.y);
    }
    expected.U32(0xCCCCCC11);
    for (int i = 0; i < 4; ++i) {
        const Vector& v = m->velocities[i];
        expected.F32(v.x / 2.0f).F32(v.z / 2.0f).F32(v.y / 2.0f);
    }
    expected.U32(0xDEDEDEDE);
    EXPECT_EQ(Written(m, kMeshBin), expected.b);

    // The texture-data file: weights and coordinates as they are, velocities after their marker.
    Bytes txi;
    txi.I32(2).I32(4);
    for (int i = 0; i < 4; ++i) {
        const Vector& t = m->texCoords[i];
        txi.F32(0.75f).F32(0.25f).F32(t.x).F32(t.y).F32(t.z);
    }
    txi.Text("NL_1");
    for (int i = 0; i < 4; ++i) txi.F32(m->velocities[i].x).F32(-2.0f).F32(0.5f);
    EXPECT_EQ(Written(m, kMeshTexture), txi.b);

    // No texture coordinates, no velocities: vertices, faces and the end marker only.
    std::free(m->velocities);
    m->velocities = nullptr;
    mesh_arrays::Give(m->texCoords);
    m->texCoords = nullptr;
    EXPECT_EQ(Written(m, kMeshBin).size(), 16u + 48 + 4 + 24 + 4);
}

TEST_F(MeshFilesTest, ObjListsScaledVerticesTextureLinesAndOneBasedSwappedFaces) {
    Mesh* m = Small(true);
    scene_scale = 2.0f;
    std::string expected = "s 1\n";
    char line[200];
    for (int i = 0; i < 4; ++i) {
        const Vector& p = m->vertices[i];
        std::snprintf(line, sizeof line, "v %f %f %f\n", p.x / 2.0f, p.y / 2.0f, p.z / 2.0f);
        expected += line;
    }
    for (int i = 0; i < 4; ++i) {
        const Vector& t = m->texCoords[i];
        std::snprintf(line, sizeof line, "vt %f %f %f\n", t.x, t.y, t.z);
        expected += line;
    }
    expected += "f 2/2 1/1 3/3\nf 4/4 1/1 2/2\n";
    const std::vector<uint8_t> with = Written(m, kMeshObj);
    EXPECT_EQ(std::string(with.begin(), with.end()), expected);

    mesh_arrays::Give(m->texCoords);
    m->texCoords = nullptr;
    const std::vector<uint8_t> without = Written(m, kMeshObj);
    const std::string text(without.begin(), without.end());
    EXPECT_EQ(text.find("vt"), std::string::npos);
    EXPECT_NE(text.find("f 2 1 3\nf 4 1 2\n"), std::string::npos);
}

TEST_F(MeshFilesTest, FrameNamesCarryTheOffsetAndTheFrameFilesFollowTheFlags) {
    Mesh* m = Small(true);
    frame = 7;
    m->frameOffset = 3;
    platform::CopyText(m->outDir, sizeof m->outDir, (dir_.path() / "new" / "dir").c_str());
    const std::string base = (dir_.path() / "new" / "dir" / "Mesh").string();
    EXPECT_EQ(MeshFrameName(m, kMeshLwo), base + "010.lwo");
    EXPECT_EQ(MeshFrameName(m, kMeshTexture), base + "010.txi");
    EXPECT_EQ(MeshFrameName(m, kMeshBin), base + "00010.bin");
    EXPECT_EQ(MeshFrameName(m, kMeshObj), base + "00010.obj");
    frame = 123;
    m->frameOffset = 1000;
    EXPECT_EQ(MeshFrameName(m, kMeshLwo), base + "1123.lwo");

    m->outLwo = m->outLwo2 = m->outBin = m->outObj = 1;
    ASSERT_TRUE(WriteMeshFiles(m));
    // Both LWO formats share the name; the LWO2 file is the one that stays.
    const std::vector<uint8_t> lwo = ReadFileBytes(base + "1123.lwo");
    ASSERT_GE(lwo.size(), 12u);
    EXPECT_EQ(std::string(lwo.begin() + 8, lwo.begin() + 12), "LWO2");
    for (const char* tail : {"1123.txi", "01123.bin", "01123.obj"}) {
        EXPECT_TRUE(std::filesystem::exists(base + tail)) << tail;
    }
    EXPECT_NE(platform::LogText().find("Save: " + base + "1123.lwo"), std::string::npos);

    // Mapping off: no texture-data file.
    std::filesystem::remove(base + "1123.txi");
    m->calcUVW = false;
    ASSERT_TRUE(WriteMeshFiles(m));
    EXPECT_FALSE(std::filesystem::exists(base + "1123.txi"));
}

TEST_F(MeshFilesTest, AFileThatCannotBeWrittenIsReportedAndLeavesNothingBehind) {
    Mesh* m = Small(false);
    // The directory is taken by a file.
    WriteFileBytes(dir_.path() / "blocked", {1});
    platform::CopyText(m->outDir, sizeof m->outDir, (dir_.path() / "blocked").c_str());
    m->outObj = m->outBin = 1;
    EXPECT_FALSE(WriteMeshFiles(m));
    EXPECT_EQ(platform::MessageBoxCount(), 2);
    EXPECT_EQ(platform::LastMessageBoxText(), "Error writing file");

    // A final name taken by a directory: the write fails and the temporary file goes.
    platform::ClearMessageBoxes();
    platform::CopyText(m->outDir, sizeof m->outDir, dir_.path().c_str());
    std::filesystem::create_directories(MeshFrameName(m, kMeshObj));
    m->outBin = 0;
    EXPECT_FALSE(WriteMeshFiles(m));
    EXPECT_EQ(platform::MessageBoxCount(), 1);
    for (const auto& e : std::filesystem::directory_iterator(dir_.path())) {
        EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
    }
}

// 70000 vertices and faces: indices from 65280 on take 32 bits in LWO2 and are cut to 16 in LWOB.
TEST_F(MeshFilesTest, LargeIndicesTakeFourBytesInLwo2AndAreTruncatedInLwob) {
    Mesh* m = NewMesh();
    const int n = 70000;
    m->numVertices = m->numFaces = n;
    m->vertices = Array<Vector>(n);
    m->faces = Array<MeshFace>(n);
    for (int i = 0; i < n; ++i) {
        m->faces[i][0] = i;
        m->faces[i][1] = (i + 1) % n;
        m->faces[i][2] = (i + 2) % n;
    }
    m->includeShader = 0;
    const std::vector<uint8_t> lwo2 = Written(m, kMeshLwo2);
    const size_t pols = 12 + 8 + 10 + 8 + 18 + 8 + 12 * static_cast<size_t>(n);
    ASSERT_EQ(std::string(lwo2.begin() + pols, lwo2.begin() + pols + 4), "POLS");
    // The face of index 65280 starts: count 3, then 0xFF00FF00, 0xFF00FF01, 0xFF00FF02.
    size_t at = pols + 12;
    for (int f = 0; f < 65280; ++f) {
        at += 2;
        for (int k = 0; k < 3; ++k) at += m->faces[f][k] < 0xFF00 ? 2 : 4;
    }
    EXPECT_EQ(platform::GetU16BE(lwo2.data() + at), 3);
    EXPECT_EQ(platform::GetU32BE(lwo2.data() + at + 2), 0xFF00FF00u);
    const size_t ptag = pols + 8 + platform::GetU32BE(lwo2.data() + pols + 4);
    ASSERT_EQ(std::string(lwo2.begin() + ptag, lwo2.begin() + ptag + 4), "PTAG");
    EXPECT_EQ(platform::GetU32BE(lwo2.data() + ptag + 4), static_cast<uint32_t>(6 * n - 130556));
    EXPECT_EQ(platform::GetU32BE(lwo2.data() + ptag + 12 + 65280 * 4), 0xFF00FF00u);
    EXPECT_EQ(platform::GetU32BE(lwo2.data() + 4), lwo2.size() - 8);

    const std::vector<uint8_t> lwob = Written(m, kMeshLwo);
    const size_t faces = 12 + 8 + 12 * static_cast<size_t>(n) + 8 + 10 + 8;
    // Face 65536 lists 65536, 65537, 65538 as 0, 1, 2.
    const uint8_t* face = lwob.data() + faces + 65536 * 10;
    EXPECT_EQ(platform::GetU16BE(face + 2), 0);
    EXPECT_EQ(platform::GetU16BE(face + 4), 1);
    EXPECT_EQ(platform::GetU32BE(lwob.data() + 4), lwob.size() - 8);
}

TEST_F(MeshFilesTest, AnIndependentReaderCountsTheVerticesAndFacesWeWrote) {
    Mesh* m = MeshOf({FluidAt(Ball(Vector(0.3f, 0.1f, -0.2f), 0.35f, 0.1f))});
    for (bool uvw : {false, true}) {
        m->calcUVW = uvw;
        Build(m);
        ASSERT_GT(m->numFaces, 100);
        ASSERT_EQ(m->texCoords != nullptr, uvw);
        // Our own object reader takes both LWO layouts back with every vertex and face.
        for (int kind : {kMeshLwo, kMeshLwo2}) {
            const std::string path = dir_.File("ours.lwo");
            ASSERT_TRUE(WriteMeshFile(m, kind, path));
            Body body;
            ASSERT_TRUE(body.LoadLwo(path.c_str(), "ours.lwo")) << kind;
            EXPECT_EQ(body.nverts, m->numVertices) << kind;
            EXPECT_EQ(body.nfaces, m->numFaces) << kind;
            EXPECT_EQ(body.verts[7].local.y, m->vertices[7].y) << kind;
        }
        for (int kind : {kMeshLwo2, kMeshObj}) {
            const std::string path = dir_.File(kind == kMeshObj ? "ball.obj" : "ball.lwo");
            ASSERT_TRUE(WriteMeshFile(m, kind, path));
            const auto counts = AssimpCounts(path);
            EXPECT_EQ(counts.second, m->numFaces) << path;
            if (kind == kMeshObj && uvw) {
                // The tool derives tangents from the UVs and splits the vertices where they turn
                // sharply (as a projected map does somewhere on any closed surface).
                EXPECT_GE(counts.first, m->numVertices) << path;
            } else {
                EXPECT_EQ(counts.first, m->numVertices) << path << (uvw ? " with UVW" : "");
            }
        }
    }
}

TEST_F(MeshFilesTest, MeshBinFilesReadBackWholeAndCutOrGarbledOnesAreRefused) {
    Mesh* m = Small(true);
    const std::vector<uint8_t> file = Written(m, kMeshBin);
    MeshBinData d;
    ASSERT_TRUE(ReadMeshBin(file.data(), file.size(), &d));
    ASSERT_EQ(d.vertices.size(), 4u);
    EXPECT_EQ(d.vertices[2].x, m->vertices[2].x);
    ASSERT_EQ(d.faces.size(), 2u);
    EXPECT_EQ(d.faces[1], (std::array<int, 3>{3, 0, 1}));  // second, first, third
    EXPECT_EQ(d.links, 2);
    EXPECT_EQ(d.weights[5], 0.25f);
    EXPECT_EQ(d.texCoords[3].y, m->texCoords[3].y);
    EXPECT_EQ(d.velocities[1].x, m->velocities[1].x);

    for (size_t cut = 0; cut < file.size(); ++cut) {
        MeshBinData none;
        EXPECT_FALSE(ReadMeshBin(file.data(), cut, &none)) << cut;
        EXPECT_TRUE(none.vertices.empty());
    }
    // Counts and indices beyond the file: refused, never followed.
    for (size_t at : {size_t{12}, size_t{64}, size_t{68}, size_t{92}, size_t{96}}) {
        std::vector<uint8_t> bad = file;
        bad[at + 3] = 0x7F;
        EXPECT_FALSE(ReadMeshBin(bad.data(), bad.size(), &d)) << at;
    }
}

// Numbers of every size and sign, halves and ties included: each printed as "%f" prints it.
TEST_F(MeshFilesTest, ObjNumbersAreExactlyWhatPrintfWrites) {
    Mesh* m = NewMesh();
    const int n = 40000;
    m->numVertices = n;
    m->vertices = Array<Vector>(n);
    std::mt19937 random(12345);
    auto next = [&] { return static_cast<uint32_t>(random()); };
    const std::function<float()> kinds[] = {
        [&] { return std::bit_cast<float>(next()); },  // any pattern
        [&] { return static_cast<float>(static_cast<int>(next() % 2000001) - 1000000) * 5e-7f; },
        [&] { return std::ldexp(static_cast<float>(next() % 64), -static_cast<int>(next() % 30)); },
        [&] { return static_cast<float>(static_cast<int>(next() % 20000) - 10000) / 16.0f; },
    };
    for (int i = 0; i < n; ++i) {
        for (int k = 0; k < 3; ++k) (&m->vertices[i].x)[k] = kinds[next() % 4]();
    }
    const std::vector<uint8_t> file = Written(m, kMeshObj);
    std::string expected = "s 1\n";
    char line[400];
    for (int i = 0; i < n; ++i) {
        const Vector& p = m->vertices[i];
        std::snprintf(line, sizeof line, "v %f %f %f\n", p.x, p.y, p.z);
        expected += line;
    }
    const std::string text(file.begin(), file.end());
    ASSERT_EQ(text.size(), expected.size());
    EXPECT_TRUE(text == expected);
}

}  // namespace
