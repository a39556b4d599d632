// Objects in the mesh output: the object writers, a mesh that follows an object, and meshes
// clipped by objects.
#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <string>

#include "byte_builder.h"
#include "fluid/links.h"
#include "mesh/mesh_files.h"
#include "mesh_fixture.h"
#include "objects/body.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "scene/axes.h"

namespace {

// A box from x = 0 to 2 and y, z = -2 to 2 with outward windings, in triangles.
constexpr const char* kBoxObj =
    "v 0 -2 -2\nv 2 -2 -2\nv 2 2 -2\nv 0 2 -2\nv 0 -2 2\nv 2 -2 2\nv 2 2 2\nv 0 2 2\n"
    "f 1 4 3\nf 1 3 2\nf 5 6 7\nf 5 7 8\nf 1 2 6\nf 1 6 5\n"
    "f 4 8 7\nf 4 7 3\nf 1 5 8\nf 1 8 4\nf 2 3 7\nf 2 7 6\n";

class ObjectOutputTest : public MeshTest {
  protected:
    Body* Box() {
        const std::string path = dir_.File("box.obj");
        std::ofstream(path) << kBoxObj;
        Body* b = CreaBody();
        EXPECT_TRUE(b->LoadObj(path.c_str(), "box.obj"));
        return b;
    }
    TempDir dir_;
};

TEST_F(ObjectOutputTest, ObjectWritersListWorldVerticesAndFacesInCornerOrder) {
    Body* box = Box();
    ASSERT_EQ(box->nverts, 8);
    ASSERT_EQ(box->nfaces, 12);
    scene_scale = 2.0f;

    ASSERT_TRUE(box->SaveObjBin(dir_.File("box.bin").c_str()));
    const std::vector<uint8_t> bin = ReadFileBytes(dir_.File("box.bin"));
    ASSERT_EQ(bin.size(), 264u);
    Bytes head;
    head.U32(0xDADADADA).I32(2).U32(0xCCCCCCCC).I32(8).F32(0.0f).F32(-1.0f).F32(-1.0f);
    EXPECT_TRUE(std::equal(head.b.begin(), head.b.end(), bin.begin()));
    // The last face, "f 2 7 6", as 1, 6, 5; then the end marker and nothing else.
    Bytes tail;
    tail.I32(1).I32(6).I32(5).U32(0xDEDEDEDE);
    EXPECT_TRUE(std::equal(tail.b.begin(), tail.b.end(), bin.end() - 16));

    // The source's faces come back with the same indices; halved coordinates; no "s" line.
    ASSERT_TRUE(box->SaveObjObj(dir_.File("out.obj").c_str()));
    std::string want;
    char line[64];
    for (int i = 0; i < 8; ++i) {
        const Vector& w = box->verts[i].world;
        std::snprintf(line, sizeof line, "v %f %f %f\n", w.x / 2.0f, w.y / 2.0f, w.z / 2.0f);
        want += line;
    }
    std::string faces(kBoxObj);
    want += faces.substr(faces.find("f "));
    EXPECT_EQ(ReadFileText(dir_.File("out.obj")), want);

    // LWOB: world positions as they are, the mesh's surface and shader.
    Mesh* m = NewMesh();
    platform::CopyText(m->surfaceName, sizeof m->surfaceName, "Rock");
    ASSERT_TRUE(box->SaveObjLwo(dir_.File("box.lwo").c_str(), m));
    const std::vector<uint8_t> lwo = ReadFileBytes(dir_.File("box.lwo"));
    EXPECT_EQ(platform::GetU32BE(lwo.data() + 4), lwo.size() - 8);
    EXPECT_EQ(platform::GetU32BE(lwo.data() + 16), 96u);
    EXPECT_EQ(std::bit_cast<float>(platform::GetU32BE(lwo.data() + 20 + 4)), -2.0f);
    const size_t pols = 20 + 96 + 8 + 6;
    ASSERT_EQ(std::string(lwo.begin() + pols, lwo.begin() + pols + 4), "POLS");
    EXPECT_EQ(platform::GetU32BE(lwo.data() + pols + 4), 120u);
    const uint8_t* first = lwo.data() + pols + 8;  // "f 1 4 3"
    EXPECT_EQ(platform::GetU16BE(first + 2), 0);
    EXPECT_EQ(platform::GetU16BE(first + 4), 3);
    EXPECT_EQ(platform::GetU16BE(first + 6), 2);
    Bytes shader;
    shader.Text("SHDR").U16BE(16).Text("Undaline_shader").U8(0);
    EXPECT_TRUE(std::equal(shader.b.begin(), shader.b.end(), lwo.end() - 22));
}

TEST_F(ObjectOutputTest, AMeshThatFollowsAnObjectWritesTheObject) {
    Body* box = Box();
    Mesh* m = MeshOf({FluidAt(Ball(Vector(0, 0, 0), 0.3f, 0.1f))});
    Build(m);
    platform::CopyText(m->outDir, sizeof m->outDir, dir_.path().c_str());
    m->outLwo2 = m->outBin = m->outObj = 1;
    m->link = box;
    frame = 4;
    ASSERT_TRUE(WriteMeshFiles(m));
    EXPECT_EQ(ReadFileBytes(dir_.File("Mesh00004.bin")).size(), 264u);
    EXPECT_EQ(ReadFileText(dir_.File("Mesh00004.obj")).rfind("v 0.000000 -2.000000 -2.000000\n", 0),
              0u);
    // Both LWO formats come from the object's one writer.
    const std::vector<uint8_t> lwo = ReadFileBytes(dir_.File("Mesh004.lwo"));
    ASSERT_GE(lwo.size(), 12u);
    EXPECT_EQ(std::string(lwo.begin() + 8, lwo.begin() + 12), "LWOB");
    EXPECT_FALSE(std::filesystem::exists(dir_.File("Mesh004.txi")));
    m->link = nullptr;
}

// A ball of fluid half inside the box: normal clipping keeps the surface out of the object,
// inverse clipping keeps only what is inside it.
TEST_F(ObjectOutputTest, ObjectClippingCutsTheSurfaceAtTheObjectsFaces) {
    Body* box = Box();
    Fluido* f = FluidAt(Ball(Vector(0, 0, 0), 0.4f, 0.1f));
    LinkObject(f, box);
    Mesh* m = MeshOf({f});
    m->calcUVW = m->motionBlur = false;
    m->resolution = 30.0f;
    Build(m);  // calibrates: clipping acts on calibrated builds
    Build(m);
    const int whole = m->numFaces;
    float lowest = 0.0f, highest = 0.0f;
    for (int v = 0; v < m->numVertices; ++v) {
        lowest = std::min(lowest, m->vertices[v].x);
        highest = std::max(highest, m->vertices[v].x);
    }
    ASSERT_GT(highest, 0.3f);

    int moved = 0;
    for (bool inverse : {false, true}) {
        m->objectClipping = true;
        m->inverseClipping = inverse;
        Build(m);
        ASSERT_NE(m->clipFlags, nullptr);
        EXPECT_LT(m->numFaces, whole * 3 / 4) << inverse;
        // The box's face is at x = 0: nothing crosses it, and the cut reaches it (a vertex moved
        // onto it lands a little to its side).
        float nearest = inverse ? 1.0f : -1.0f;
        for (int v = 0; v < m->numVertices; ++v) {
            const float x = m->vertices[v].x;
            nearest = inverse ? std::min(nearest, x) : std::max(nearest, x);
            moved += m->clipFlags[v];
        }
        if (inverse) {
            EXPECT_GT(nearest, -0.2f * m->cellSize);
            EXPECT_LT(nearest, m->cellSize);
        } else {
            EXPECT_LT(nearest, 0.2f * m->cellSize);
            EXPECT_GT(nearest, -m->cellSize);
        }
    }
    EXPECT_GT(moved, 10);
    // Only the objects the fluid meets clip its surface (inverse clipping with no object near
    // would take all of it).
    m->inverseClipping = false;
    UnlinkObject(f, box);
    Build(m);
    EXPECT_EQ(m->numFaces, whole);
    EXPECT_LT(lowest, -0.3f);
}

}  // namespace
