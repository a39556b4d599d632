#include <cmath>
#include <numbers>
#include <string>
#include <vector>

#include "objects/scene_data.h"
#include "objects/scene_import.h"
#include "objects_fixture.h"
#include "platform/format.h"
#include "platform/modal.h"

namespace {

// What the user does in the next modal dialog: the controls clicked, in order.
std::vector<int> g_clicks;
platform::Dialog* g_last_options = nullptr;
bool g_add_enabled = false;

void ClickThrough(platform::Dialog* d) {
    g_last_options = d;
    g_add_enabled = d->IsEnabled(kIdSceneAdd);
    for (int id : g_clicks) platform::ClickControl(d, id);
    g_clicks.clear();
}

int g_new_workspace_asked = 0;
bool g_new_workspace_answer = false;
bool NewWorkspaceAnswer() {
    ++g_new_workspace_asked;
    if (g_new_workspace_answer) RemoveAllBodies();
    return g_new_workspace_answer;
}

class SceneReaders : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        platform::SetModalRunner(ClickThrough);
        SetNewWorkspaceHandler(NewWorkspaceAnswer);
        g_new_workspace_asked = 0;
    }
    void TearDown() override {
        platform::SetModalRunner(nullptr);
        ObjectsTest::TearDown();
    }
    static std::string Scene(const char* name) {
        return std::string(UNDALINE_TEST_DATA) + "/scenes/" + name;
    }
    // A Lightwave object of one triangle.
    std::string Triangle(const char* name) {
        Iff pnts, pols;
        pnts.F32(0).F32(0).F32(0).F32(1).F32(0).F32(0).F32(0).F32(1).F32(0);
        pols.U16(3).U16(0).U16(1).U16(2).U16(1);
        return Write(name, Iff::Form("LWOB", Iff().Chunk("PNTS", pnts).Chunk("POLS", pols)));
    }
};

struct RealScene {
    const char* name;
    int bodies, nverts, nfaces;  // per body
    const char* first;           // the first body's name
};

// The scene files of tests/data/scenes by the readers' rules:
// - the ASE files give one body per GEOMOBJECT; InvalidUVIndex.ase has texture faces that name
//   missing texture vertices, which the reader does not read, so its triangle imports;
// - the 3DS files give one body per mesh, RotatingCube with its keyframer (not applied) and
//   fels without one;
// - both LWS files load simple_cube.lwo, whose polygons are all quads: the LWO reader refuses
//   it, which ends the scene (the newer file names it with LoadObjectLayer).
const RealScene kRealScenes[] = {
    {"ThreeCubesGreen.ASE", 3, 8, 12, "Quader01"},
    {"InvalidUVIndex.ase", 1, 3, 1, "Box01"},
    {"fels.3ds", 1, 386, 768, "Default"},
    {"RotatingCube.3DS", 1, 26, 12, "Box01"},
    {"move_x.lws", 0, 0, 0, ""},
    {"move_x_oldformat_56.lws", 0, 0, 0, ""},
};

TEST_F(SceneReaders, RealScenesImportByTheirFormatsRules) {
    for (const RealScene& s : kRealScenes) {
        SCOPED_TRACE(s.name);
        ResetScene();
        platform::ClearMessageBoxes();
        g_clicks = {kIdSceneReplace, platform::kIdOk};
        const std::string path = Scene(s.name);
        EXPECT_EQ(ImportSceneFile(path.c_str()), s.bodies > 0);
        ASSERT_EQ(CountBodies(), s.bodies);
        for (Body* b = rootbody.next; b; b = b->next) {
            EXPECT_EQ(b->nverts, s.nverts);
            EXPECT_EQ(b->nfaces, s.nfaces);
            EXPECT_STREQ(b->sceneFile, path.c_str());
            EXPECT_EQ(b->origin, kOriginOther);
        }
        if (s.bodies > 0) {
            EXPECT_STREQ(rootbody.next->name, s.first);
            EXPECT_EQ(host_platform, kPlatformMax);
            EXPECT_EQ(selnodo, BodyAt(s.bodies - 1));
        } else {
            const std::string cube = Scene("simple_cube.lwo");
            EXPECT_EQ(platform::LastMessageBoxText(),
                      platform::Format("%s: No triangular faces found in LW object", cube.c_str()));
        }
    }
}

TEST_F(SceneReaders, LwsObjectsStandOnTheFirstKeyOfTheirMotionInEveryLayout) {
    Triangle("tri.lwo");
    struct Layout {
        const char* text;
        Vector pos, rot, scale;
    };
    const Layout layouts[] = {
        // The fifth line after the object holds the key, read from its third character.
        {"LWSC\n1\n\nLoadObject tri.lwo\nShowObject 6 7\nObjectMotion (unnamed)\n  9\n  1\n"
         "  1 2 3 90 10 0 1 1 1\n  0 0 0 0 0\n",
         Vector(1, 2, 3), Vector(10, 90, 0), Vector(1, 1, 1)},
        // One key count and one line per key for each channel.
        {"LWSC\n2\n\nLoadObject tri.lwo\nShowObject 7 -1\nGroup 0\nObjectMotion (unnamed)\n  9\n"
         "  2\n  4 0 2 0 0 0\n  8 1 2 0 0 0\n  1\n  5 0 2 0 0 0\n  1\n  6 0 2 0 0 0\n"
         "  1\n  30 0 2 0 0 0\n  1\n  20 0 2 0 0 0\n  1\n  10 0 2 0 0 0\n"
         "  1\n  2 0 2 0 0 0\n  1\n  2 0 2 0 0 0\n  1\n  3 0 2 0 0 0\n",
         Vector(4, 5, 6), Vector(20, 30, 10), Vector(2, 2, 3)},
    };
    for (const Layout& l : layouts) {
        ResetScene();
        const std::string path = Write("a.lws", l.text);
        ASSERT_TRUE(LoadLwsScene(path.c_str()));
        Body* b = rootbody.next;
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->nfaces, 1);
        EXPECT_EQ(b->origin, kOriginObjectFile);
        ExpectVector(b->pos, l.pos.x, l.pos.y, l.pos.z);
        ExpectVector(b->rot, l.rot.x, l.rot.y, l.rot.z);
        ExpectVector(b->scale, l.scale.x, l.scale.y, l.scale.z);
        ExpectVector(b->keyA[0], l.pos.x, l.pos.y, l.pos.z);  // at rest there
        ExpectAt(b->verts[1].world, b->build_matrix * Vector(1, 0, 0));
    }

    // The later layout: envelopes whose angles are radians; a layer and an item number before
    // the path; null objects, labelled apart.
    ResetScene();
    std::string text =
        "LWSC\n5\n\nLoadObjectLayer 1 10000000 tri.lwo\nObjectMotion\nNumChannels 9\n";
    const double values[9] = {1, 0, 0, std::numbers::pi / 2, 0, 0, 1, 1, 1};
    for (int c = 0; c < 9; ++c) {
        text += platform::Format(
            "Channel %d\n{ Envelope\n  2\n  Key %.9f 0 0 0 0 0 0 0 0\n"
            "  Key 5 1 0 0 0 0 0 0 0\n  Behaviors 1 1\n}\n",
            c, values[c]);
    }
    text += "AddNullObject 10000001 Null\nObjectMotion\nNumChannels 0\nAddNullObject Null\n";
    ASSERT_TRUE(LoadLwsScene(Write("b.lws", text).c_str()));
    ASSERT_EQ(CountBodies(), 3);
    ExpectVector(rootbody.next->pos, 1, 0, 0);
    ExpectVector(rootbody.next->rot, 0, 90, 0, 1e-4f);
    Body* nulls[2] = {BodyAt(1), BodyAt(2)};
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(nulls[i]->format, kFormatLwsNull);
        EXPECT_EQ(nulls[i]->origin, kOriginOther);
        EXPECT_EQ(nulls[i]->nverts, 0);
        EXPECT_STREQ(nulls[i]->label, platform::Format("Null (%d)", i + 1).c_str());
    }
}

TEST_F(SceneReaders, LwsPathsComeFromTheContentDirectoryUnlessTheyCarryADrive) {
    std::filesystem::create_directories(dir.path() / "content" / "Objects");
    Triangle("tri.lwo");
    std::filesystem::rename(dir.File("tri.lwo"), dir.path() / "content" / "Objects" / "tri.lwo");
    platform::CopyText(objects_dir, sizeof objects_dir, (dir.path() / "content").c_str());
    const std::string path =
        Write("c.lws",
              "LWSC\n1\nLoadObject Objects\\tri.lwo\n\n\n\n\n  0 0 0 0 0 0 1 1 1\n"
              "AddNullObject\n\n\n\n\n  0 0 0 0 0 0 1 1 1\n"
              "LoadObject C:\\nowhere\\tri.lwo\n\n\n\n\n  0 0 0 0 0 0 1 1 1\nAddNullObject\n");
    // The third object is missing: the LWO reader asks, the user skips, and the scene ends
    // there with the two bodies read before it.
    EXPECT_FALSE(LoadLwsScene(path.c_str()));
    ASSERT_EQ(CountBodies(), 2);
    EXPECT_STREQ(rootbody.next->name, "tri.lwo");
    EXPECT_STREQ(rootbody.next->label, "tri.lwo");
    EXPECT_STREQ(BodyAt(1)->label, "Null");
    EXPECT_EQ(FileNotFoundCount(), 1);

    EXPECT_FALSE(LoadLwsScene(Write("d.lws", "LWS\n1\n").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "No valid LWS file");
    EXPECT_FALSE(LoadLwsScene(dir.File("missing.lws").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error reading file");
}

constexpr const char* kAse =
    "*3DSMAX_ASCIIEXPORT 200\n"
    "*GEOMOBJECT {\n *NODE_NAME \"Paddle blade\"\n *MESH {\n  *MESH_NUMVERTEX 3\n"
    "  *MESH_NUMFACES 1\n  *MESH_VERTEX_LIST {\n   *MESH_VERTEX 0 0 0 0\n"
    "   *MESH_VERTEX 1 1 2 3\n   *MESH_VERTEX 2 0 1 0\n  }\n  *MESH_FACE_LIST {\n"
    "   *MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 *MESH_SMOOTHING 1\n  }\n }\n"
    " *WIREFRAME_COLOR 0.1 0.2 0.3\n}\n"
    "*GEOMOBJECT {\n *NODE_NAME \"Tank\"\n *MESH {\n  *MESH_NUMVERTEX 3\n  *MESH_NUMFACES 1\n"
    "  *MESH_VERTEX_LIST {\n   *MESH_VERTEX 0 0 0 0\n   *MESH_VERTEX 1 1 0 0\n"
    "   *MESH_VERTEX 2 0 1 0\n  }\n  *MESH_FACE_LIST {\n   *MESH_FACE 0: A:2 B:1 C:0\n  }\n }\n}\n";

TEST_F(SceneReaders, AseFacesSwapTheirFirstCornersAndKeepTheirEdgeFlags) {
    ApplyPlatform(kPlatformMax);
    const std::string path = Write("s.ase", kAse);
    ASSERT_TRUE(LoadAseScene(path.c_str()));
    ASSERT_EQ(CountBodies(), 2);
    Body* b = rootbody.next;
    EXPECT_STREQ(b->name, "Paddle");  // cut at its first blank
    EXPECT_STREQ(b->path, "Paddle");
    EXPECT_EQ(b->format, kFormatAse);
    ExpectVector(b->verts[1].local, 1, 3, 2);  // 3D Studio MAX axes: y and z exchanged
    ExpectVector(b->color, 0.1f, 0.2f, 0.3f);
    // A:0 B:1 C:2 AB:1 BC:1 CA:0: corners 1, 0, 2; the edge p1-p2 (CA) is hidden.
    EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(Corners(BodyAt(1)->faces[0]), (std::vector<int>{1, 2, 0}));

    // The workspace asks for one object by name, whatever its case.
    ResetScene();
    Body* made = nullptr;
    ASSERT_TRUE(LoadAseScene(path.c_str(), "TANK", &made));
    ASSERT_EQ(CountBodies(), 1);
    EXPECT_EQ(made, rootbody.next);
    EXPECT_STREQ(made->name, "Tank");
    EXPECT_FALSE(LoadAseScene(path.c_str(), "Lid", &made));
    EXPECT_EQ(made, nullptr);

    // Refused files change nothing.
    const std::string broken = kAse;
    for (const std::string& text :
         {std::string("*3DSMAX_ASCII 200\n"), broken.substr(0, broken.find("   *MESH_VERTEX 2")),
          std::string(kAse).replace(broken.find("C: 2"), 4, "C: 9")}) {
        platform::ClearMessageBoxes();
        EXPECT_FALSE(LoadAseScene(Write("bad.ase", text).c_str()));
        EXPECT_EQ(CountBodies(), 1);
        EXPECT_EQ(platform::MessageBoxCount(), 1);
    }
    EXPECT_EQ(platform::LastMessageBoxText(), "Error reading file");
}

// A 3D Studio file of named meshes, each a triangle or more.
struct Chunk3ds {
    Bytes b;
    Chunk3ds(uint16_t id, const Bytes& data, int extra_length = 0) {
        b.U16(id).U32(static_cast<uint32_t>(data.size() + 6 + extra_length)).Append(data);
    }
};

Bytes Mesh3ds(const char* name, int points, const std::vector<int>& faces, int extra = 0) {
    Bytes p, f;
    p.U16(static_cast<uint16_t>(points));
    for (int i = 0; i < points; ++i) p.F32(float(i)).F32(float(2 * i)).F32(1.0f);
    f.U16(static_cast<uint16_t>(faces.size() / 3));
    for (size_t i = 0; i < faces.size(); i += 3) {
        f.U16(uint16_t(faces[i])).U16(uint16_t(faces[i + 1])).U16(uint16_t(faces[i + 2])).U16(7);
    }
    f.Append(Chunk3ds(0x4150, Bytes().U32(1)).b);
    Bytes mesh = Chunk3ds(0x4110, p).b;
    mesh.Append(Chunk3ds(0x4120, f).b);
    Bytes object = Bytes().Text(name).U8(0).Append(Chunk3ds(0x4100, mesh).b);
    // An unknown chunk whose length runs past the object: it ends with the object.
    if (extra) object.Append(Chunk3ds(0x1234, Bytes().U32(0), extra).b);
    return Chunk3ds(0x4000, object).b;
}

std::vector<uint8_t> File3ds(const Bytes& objects, uint8_t mesh_version = 3) {
    Bytes editor = Chunk3ds(0x3D3E, Bytes().U32(mesh_version)).b;
    editor.Append(objects).Append(Chunk3ds(0xAFFF, Bytes().U32(0)).b);
    Bytes main = Chunk3ds(0x0002, Bytes().U32(3)).b;
    main.Append(Chunk3ds(0x3D3D, editor).b).Append(Chunk3ds(0xB000, Bytes().U32(0)).b);
    return Chunk3ds(0x4D4D, main).b.b;
}

TEST_F(SceneReaders, ThreeDsFilesOpenEitherWayAndBoundEveryChunkByItsParent) {
    const Bytes objects =
        Mesh3ds("blade", 3, {0, 1, 2}, 1000).Append(Mesh3ds("", 4, {0, 1, 2, 2, 3, 0}));
    const std::vector<uint8_t> plain = File3ds(objects);
    std::vector<uint8_t> merlin(plain.begin() + 2, plain.end());
    const std::string text = "MerlinIS 3D File";
    merlin.insert(merlin.begin(), text.begin(), text.end());
    ApplyPlatform(kPlatformMax);
    for (const auto& bytes : {plain, merlin}) {
        ResetScene();
        ApplyPlatform(kPlatformMax);
        const std::string path = Write("m.3ds", bytes);
        ASSERT_TRUE(Load3dsScene(path.c_str()));
        ASSERT_EQ(CountBodies(), 2);
        Body* b = rootbody.next;
        EXPECT_STREQ(b->name, "blade");
        EXPECT_STREQ(BodyAt(1)->name, "Default name");
        EXPECT_EQ(BodyAt(1)->nfaces, 2);
        EXPECT_EQ(b->format, kFormat3ds);
        ExpectVector(b->verts[2].local, 2, 1, 4);
        EXPECT_EQ(Corners(b->faces[0]), (std::vector<int>{1, 0, 2}));
        EXPECT_EQ(Edges(b->faces[0]), (std::vector<int>{1, 1, 1}));
    }

    // Refused: an old mesh version, another opening, a face naming a missing point, a point
    // list longer than its chunk.
    Bytes short_points = Bytes().Text("x").U8(0);
    short_points.Append(Chunk3ds(0x4100, Chunk3ds(0x4110, Bytes().U16(9).F32(0)).b).b);
    for (const auto& bytes :
         {File3ds(objects, 2), std::vector<uint8_t>{'M', 'M', 0, 0},
          File3ds(Mesh3ds("bad", 3, {0, 1, 3})), File3ds(Chunk3ds(0x4000, short_points).b)}) {
        platform::ClearMessageBoxes();
        EXPECT_FALSE(Load3dsScene(Write("bad.3ds", bytes).c_str()));
        EXPECT_EQ(CountBodies(), 2);
        EXPECT_EQ(platform::LastMessageBoxText(), "Error opening 3DS file");
    }
}

TEST_F(SceneReaders, TheCommandAsksWhatToDoWithTheSceneFirst) {
    const std::string ase = Write("s.ase", kAse);
    Body* kept = Cube();
    ApplyPlatform(kPlatformLightwave);

    // "Add new objects" keeps the list and, the list not being empty, the platform.
    g_clicks = {kIdSceneAdd, platform::kIdOk};
    EXPECT_TRUE(ImportSceneFile(ase.c_str()));
    EXPECT_TRUE(g_add_enabled);
    EXPECT_EQ(CountBodies(), 3);
    EXPECT_EQ(rootbody.next, kept);
    EXPECT_EQ(host_platform, kPlatformLightwave);

    // Cancel, and a declined new workspace, change nothing; "Replace" starts afresh, and into
    // an empty list the ASCII export brings 3D Studio MAX's axes.
    g_clicks = {kIdSceneReplace, platform::kIdCancel};
    EXPECT_FALSE(ImportSceneFile(ase.c_str()));
    g_clicks = {platform::kIdOk};  // "Reset workspace" is preselected
    g_new_workspace_answer = false;
    EXPECT_FALSE(ImportSceneFile(ase.c_str()));
    EXPECT_EQ(g_new_workspace_asked, 1);
    EXPECT_EQ(CountBodies(), 3);
    g_clicks = {kIdSceneReplace, platform::kIdOk};
    EXPECT_TRUE(ImportSceneFile(ase.c_str()));
    EXPECT_EQ(CountBodies(), 2);
    EXPECT_EQ(host_platform, kPlatformMax);
    g_new_workspace_answer = true;
    g_clicks = {platform::kIdOk};
    EXPECT_TRUE(ImportSceneFile(ase.c_str()));
    EXPECT_EQ(CountBodies(), 2);

    // An SD file cannot be added to a scene; a file of another type is refused before the
    // dialog and the scene stays.
    g_clicks = {kIdSceneAdd, platform::kIdCancel};
    ImportSceneFile(dir.File("none.sd").c_str());
    EXPECT_FALSE(g_add_enabled);
    g_last_options = nullptr;
    EXPECT_FALSE(ImportSceneFile(Write("x.obj", kCubeObj).c_str()));
    EXPECT_EQ(g_last_options, nullptr);
    EXPECT_EQ(platform::LastMessageBoxText(), "Unknown file format");
    EXPECT_EQ(CountBodies(), 2);

    // The file dialog of the command.
    platform::QueueOpenFileAnswer("");
    EXPECT_FALSE(ImportScene());
    EXPECT_EQ(platform::LastOpenFileTitle(), "Import Scene");
    EXPECT_EQ(platform::LastOpenFileFilter().rfind("All scene formats|*.lws;*.sd;*.ase;*.3ds|", 0),
              0u);
}

}  // namespace
