#include <cmath>
#include <cstring>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "io/workspace.h"
#include "objects/scene_data.h"
#include "objects/scene_import.h"
#include "objects/sd_format.h"
#include "objects/sd_motion.h"
#include "objects_fixture.h"
#include "platform/format.h"
#include "scene/axes.h"
#include "scene/node_panel.h"
#include "scene/undo.h"

namespace {

namespace fs = std::filesystem;

// The unit cube, as an SD object record, and frames that move and turn it.
SdObjectRecord CubeRecord(uint8_t mode = 0, const char* name = "cube") {
    SdObjectRecord o;
    o.mode = mode;
    o.name = name;
    o.colour[0] = o.colour[1] = o.colour[2] = 1.0f;
    for (int i = 0; i < 8; ++i) {
        o.verts.insert(o.verts.end(), {float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1)});
    }
    const int faces[12][3] = {{0, 2, 3}, {0, 3, 1}, {4, 5, 7}, {4, 7, 6}, {0, 1, 5}, {0, 5, 4},
                              {2, 6, 7}, {2, 7, 3}, {0, 4, 6}, {0, 6, 2}, {1, 3, 7}, {1, 7, 5}};
    for (const auto& f : faces) o.faces.insert(o.faces.end(), {f[0], f[1], f[2], 1, 0, 1, 0});
    return o;
}

// A frame of one object moved to `at`, turned by `turn` radians about y.
SdFrameObject Moved(Vector at, float turn = 0.0f) {
    SdFrameObject f;
    Matrix m;
    m.MatrixRotationY(turn);
    m.SetTranslation(at);
    SdKeyToFile(SdKeyOfMatrix(m, kPlatformLightwave), kPlatformLightwave, &f);
    return f;
}

SdScene Scene(const std::vector<SdFrameObject>& frames, uint8_t mode = 0, int platform = 1) {
    SdScene s;
    s.header.platform = platform;
    s.objects.push_back(CubeRecord(mode));
    for (size_t i = 0; i < frames.size(); ++i) {
        s.frames.push_back(SdFrame{static_cast<int32_t>(i), {frames[i]}});
    }
    return s;
}

constexpr float kPi = std::numbers::pi_v<float>;

class SceneData : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        SetSimulationFps(30);
    }
    std::string Save(const char* name, const SdScene& s) {
        const std::string path = dir.File(name);
        EXPECT_TRUE(WriteSdFile(path.c_str(), s));
        return path;
    }
    // The cube's corner i where the frame's transform puts it.
    static Vector Corner(const SdFrameObject& f, int i) {
        SdKey k;
        EXPECT_TRUE(SdKeyFromFile(f, kPlatformLightwave, kSdVersion, 1.0f, &k));
        return k.matrix * Vector(float(i & 1), float((i >> 1) & 1), float((i >> 2) & 1));
    }
    const float D = 1.0f / 30;
};

TEST_F(SceneData, FilesReadBackAsTheyWereWritten) {
    SdScene s;
    std::memcpy(s.header.text, "any text at all", 15);
    s.header.version = 3.5f;
    s.header.platform = 4;
    s.header.unused1[2] = 77;
    s.header.unused2[1] = 99;
    s.objects = {CubeRecord(0, "rigid"), CubeRecord(1, "soft")};
    s.objects[1].colour[1] = 0.25f;
    s.objects[1].faces[6] = 123;
    for (int f = 0; f < 3; ++f) {
        SdFrame frame{10 + f, {Moved(Vector(float(f), 2, 3), 0.3f * f), Moved(Vector(0, 0, 0))}};
        frame.objects[1].pivot[2] = 0.5f * f;
        frame.objects[1].verts.assign(24, float(f));
        s.frames.push_back(frame);
    }
    const std::vector<uint8_t> bytes = SdBytes(s);
    // Where the header's fields sit.
    EXPECT_EQ(bytes.size(), 74 + 2 * (25 + 4 + 8 * 12 + 12 * 28) + 1 + 3 * (4 + 96 * 2 + 8 * 12));
    EXPECT_EQ(std::memcmp(bytes.data() + 30, Bytes().F32(3.5f).I32(4).b.data(), 8), 0);
    EXPECT_EQ(std::memcmp(bytes.data() + 62, Bytes().I32(2).b.data(), 4), 0);
    EXPECT_EQ(bytes[74], 0);  // the first object's mode

    // Read back record by record, then written again: every field kept gives the same bytes.
    SdReader r;
    ASSERT_TRUE(r.Open(Save("a.sd", s).c_str()));
    SdScene back;
    ASSERT_TRUE(r.ReadHeader(&back.header));
    ASSERT_EQ(back.header.count, 2);
    std::vector<SdLayout> layouts;
    for (int i = 0; i < back.header.count; ++i) {
        back.objects.emplace_back();
        ASSERT_TRUE(r.ReadObject(&back.objects.back()));
        layouts.push_back(LayoutOf(back.objects.back()));
    }
    for (SdFrame f; r.ReadFrame(layouts, &f); f = SdFrame()) back.frames.push_back(f);
    EXPECT_EQ(back.frames.size(), 3u);
    EXPECT_EQ(r.Tell(), r.Size());
    EXPECT_TRUE(back.frames[0].objects[0].verts.empty()) << "a rigid object's frames carry no vertices";
    EXPECT_TRUE(SdBytes(back) == bytes);
}

TEST_F(SceneData, DamagedFilesAreRefusedAndChangeNothing) {
    SdScene s = Scene({Moved(Vector(0, 0, 0)), Moved(Vector(1, 0, 0))});
    const std::vector<uint8_t> good = SdBytes(s);
    Body* kept = Cube();
    ApplyPlatform(kPlatformMax);
    auto damaged = [&](size_t at, const Bytes& with) {
        std::vector<uint8_t> b = good;
        std::copy(with.b.begin(), with.b.end(), b.begin() + long(at));
        return b;
    };
    const size_t object = 74, counts = object + 17 + 4;
    const std::vector<std::vector<uint8_t>> files = {
        std::vector<uint8_t>(good.begin(), good.begin() + 60),                 // header cut
        std::vector<uint8_t>(good.begin(), good.begin() + long(counts) + 20),  // vertices cut
        damaged(62, Bytes().I32(-1)),                                          // object count
        damaged(62, Bytes().I32(1 << 30)),
        damaged(object + 13, Bytes().I32(1 << 30)),  // name length
        damaged(counts, Bytes().I32(0x7FFFFFF)),     // vertex count
        damaged(counts + 8 + 96, Bytes().I32(8)),    // a face's corner
        damaged(counts + 8, Bytes().F32(NAN)),       // a vertex
    };
    for (size_t i = 0; i < files.size(); ++i) {
        platform::ClearMessageBoxes();
        const std::string path = Write("bad.sd", files[i]);
        EXPECT_FALSE(ImportSceneData(path.c_str())) << i;
        EXPECT_EQ(platform::LastMessageBoxText(), "Error reading SD file: " + path);
        EXPECT_EQ(rootbody.next, kept);
        EXPECT_EQ(CountBodies(), 1);
        EXPECT_EQ(host_platform, kPlatformMax);
        EXPECT_FALSE(SceneDataLoaded());
        EXPECT_EQ(sd_locked, 0);
    }

    // A missing file: "Skip" says so; "Choose another file..." reads the chosen one.
    platform::ClearMessageBoxes();
    EXPECT_FALSE(ImportSceneData(dir.File("gone.sd").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error reading SD file: " + dir.File("gone.sd"));
    SetFileNotFoundAnswer(kFileChooseAnother);
    platform::QueueOpenFileAnswer(Write("good.sd", good));
    EXPECT_TRUE(ImportSceneData(dir.File("gone.sd").c_str()));
    EXPECT_EQ(platform::LastOpenFileFilter(), "Undaline Scene Data (*.sd)|*.sd|");
    EXPECT_STREQ(sd_path, dir.File("good.sd").c_str());
}

TEST_F(SceneData, ARigidCubeMovesBetweenItsFramesWithTheIntervalsVelocity) {
    const std::vector<SdFrameObject> frames = {Moved(Vector(0, 0, 0)), Moved(Vector(1, 0, 0), 0.5f),
                                               Moved(Vector(3, 1, 0), 1.0f)};
    const int undo = UndoSize();
    ASSERT_TRUE(ImportSceneData(Save("cube.sd", Scene(frames)).c_str()));
    Body* b = rootbody.next;
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->origin, kOriginSceneData);
    EXPECT_EQ(sd_locked, 1);
    EXPECT_EQ(UndoSize(), undo + 1);
    ExpectVector(b->color, 0.8f, 0.8f, 0.8f);
    for (int i = 0; i < 8; ++i) ExpectAt(b->verts[i].world, Corner(frames[0], i));

    // Halfway through the first frame: the mean of frames 0 and 1, moving at their difference.
    InterpolateSceneBody(b, D / 2);
    for (int i = 0; i < 8; ++i) {
        const Vector a = Corner(frames[0], i), c = Corner(frames[1], i);
        ExpectAt(b->verts[i].world, (a + c) * 0.5f);
        ExpectAt(b->verts[i].velocity, (c - a) / D, 1e-3f);
    }
    ExpectVector(b->pos, 0.5f, 0, 0);
    ExpectVector(b->rot, 0, 0.25f * 180 / kPi, 0, 1e-4f);
    // The face boxes and the bounds follow.
    EXPECT_LE(b->faces[0].boundsMin.x, b->verts[0].world.x);
    ExpectAt(b->bounds[0].world, b->build_matrix * b->bounds[0].local);

    ASSERT_TRUE(ReadNextSceneFrame());
    InterpolateSceneBody(b, 0);
    for (int i = 0; i < 8; ++i) ExpectAt(b->verts[i].world, Corner(frames[1], i));

    // The end of the file: the body stays on its last frame, no longer moving.
    EXPECT_FALSE(ReadNextSceneFrame());
    EXPECT_TRUE(SceneDataEnded());
    MoveSceneDataBodies(D / 2);
    for (int i = 0; i < 8; ++i) {
        ExpectAt(b->verts[i].world, Corner(frames[2], i));
        ExpectVector(b->verts[i].velocity, 0, 0, 0);
    }
    ExpectVector(b->pos, 3, 1, 0);
}

TEST_F(SceneData, ADeformingObjectTakesItsVerticesFromTheFrames) {
    std::vector<SdFrameObject> frames = {Moved(Vector(5, 5, 5)), Moved(Vector(5, 5, 5))};
    for (int f = 0; f < 2; ++f) {
        for (int i = 0; i < 8; ++i)
            frames[f].verts.insert(frames[f].verts.end(), {float(i), float(f), 0});
    }
    scene_scale = 2.0f;
    ASSERT_TRUE(ImportSceneData(Save("soft.sd", Scene(frames, 1)).c_str()));
    Body* b = rootbody.next;
    EXPECT_EQ(b->animationMode, 1);
    InterpolateSceneBody(b, D / 2);
    for (int i = 0; i < 8; ++i) {
        ExpectVector(b->verts[i].world, 2.0f * i, 1, 0);  // scaled, not where the matrix says
        ExpectVector(b->verts[i].velocity, 0, 2 / D, 0, 1e-2f);
    }
    ExpectVector(b->verts[7].local, 2, 2, 2);
}

TEST_F(SceneData, EachPlatformReadsItsFilesByItsOwnRules) {
    SdFrameObject raw;
    const float m[12] = {0, 1, 0, -1, 0, 0, 0, 0, 1, 1, 2, 3};  // a quarter turn, then (1, 2, 3)
    std::memcpy(raw.matrix, m, sizeof m);
    const float pos[3] = {1, 2, 3}, angles[3] = {kPi / 2, kPi / 4, 0}, pivot[3] = {4, 5, 6};
    std::memcpy(raw.pos, pos, 12);
    std::memcpy(raw.angles, angles, 12);
    std::memcpy(raw.pivot, pivot, 12);
    struct Rule {
        int platform;
        float version;
        Vector rot, pivot, translation;
        bool recomposed;
        std::vector<int> edges;  // the file's edge values are 1, 0, 1 for p0-p1, p1-p2, p2-p0
        bool old_message;
    };
    const Rule rules[] = {
        {1, 2.0f, Vector(45, 90, 0), Vector(4, 5, 6), Vector(1, 2, 3), false, {1, 0, 1}, false},
        {1, 1.0f, Vector(45, 90, 0), Vector(4, 5, 6), Vector(), true, {1, 0, 1}, true},
        {2, 2.0f, Vector(90, 0, 45), Vector(-4, -6, -5), Vector(1, 3, 2), false, {0, 1, 1}, false},
        {3, 2.0f, Vector(0, 45, 90), Vector(6, 5, 4), Vector(), true, {1, 0, 1}, false},
        {5, 1.0f, Vector(90, 0, 45), Vector(4, 6, 5), Vector(1, 2, 3), false, {1, 0, 1}, false},
    };
    for (const Rule& r : rules) {
        SCOPED_TRACE(r.platform);
        ResetScene();
        platform::ClearMessageBoxes();
        SdScene s = Scene({raw});
        s.header.platform = r.platform;
        s.header.version = r.version;
        ASSERT_TRUE(ImportSceneData(Save("p.sd", s).c_str()));
        EXPECT_EQ(host_platform, r.platform);
        Body* b = rootbody.next;
        ExpectVector(b->keyB[1], r.rot.x, r.rot.y, r.rot.z, 1e-4f);
        ExpectVector(b->keyB[3], r.pivot.x, r.pivot.y, r.pivot.z);
        SdKey key{b->keyB[0], b->keyB[1], b->keyB[2], b->keyB[3], Matrix()};
        const Vector t =
            r.recomposed ? SdComposeKey(key, r.platform).GetTranslation() : r.translation;
        ExpectVector(b->keyBMatrix.GetTranslation(), t.x, t.y, t.z, 1e-4f);
        EXPECT_EQ(Edges(b->faces[0]), r.edges);
        EXPECT_EQ(platform::LastMessageBoxText().find("old SD exporter") != std::string::npos,
                  r.old_message);
    }
}

TEST_F(SceneData, TransformsWrittenForAnyPlatformReadBackAsTheyWere) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> u(-3, 3);
    for (int platform = 1; platform <= 5; ++platform) {
        for (int n = 0; n < 20; ++n) {
            Matrix rx, ry, rz, s;
            rx.MatrixRotationX(u(random));
            ry.MatrixRotationY(u(random));
            rz.MatrixRotationZ(n == 0 ? 0.0f : u(random));
            if (n == 0) ry.MatrixRotationY(kPi / 2);  // straight up: the angles' gimbal lock
            s.MatrixScale(Vector(1 + std::fabs(u(random)), 0.5f, n % 2 ? -2.0f : 2.0f));
            Matrix m = rz * ry * rx * s;
            m.SetTranslation(Vector(u(random), u(random), u(random)));
            const SdKey key = SdKeyOfMatrix(m, platform);
            SdFrameObject raw;
            SdKeyToFile(key, platform, &raw);
            SdKey back;
            // Platforms whose reader recomposes the matrix get it from the angles.
            ASSERT_TRUE(SdKeyFromFile(raw, platform, kSdVersion, 1.0f, &back));
            for (int i = 0; i < 16; ++i) {
                EXPECT_NEAR(back.matrix.m[i], m.m[i], 1e-4f) << platform << " " << n << " " << i;
            }
            ExpectVector(back.pos, key.pos.x, key.pos.y, key.pos.z);
        }
    }
}

TEST_F(SceneData, LockingDecidesWhetherTheBodiesFollowTheFile) {
    platform::Dialog* panel =
        platform::CreateDialog(ObjectPanelTemplate(), ProcesaObjectPanel, nullptr);
    SetObjectPanel(panel);
    ToggleSceneDataLock();
    EXPECT_EQ(platform::LastMessageBoxText(), "No SD file was imported");
    ASSERT_TRUE(ImportSceneData(
        Save("c.sd", Scene({Moved(Vector(0, 0, 0)), Moved(Vector(2, 0, 0))})).c_str()));
    Body* b = rootbody.next;
    EXPECT_FALSE(panel->IsEnabled(kIdPosX));
    b->Move(Vector(5, 5, 5));  // locked: nothing happens
    ExpectVector(b->pos, 0, 0, 0);

    ToggleSceneDataLock();
    EXPECT_EQ(platform::LastMessageBoxText(), "SD file unlocked. Object edition is enabled.");
    EXPECT_TRUE(panel->IsEnabled(kIdPosX));
    b->Move(Vector(7, 0, 0));
    MoveSceneDataBodies(D / 2);  // unlocked: the file does not move it
    ExpectVector(b->pos, 7, 0, 0);
    ToggleSceneDataLock();
    EXPECT_EQ(platform::LastMessageBoxText(), "SD file locked. Object edition is disabled.");
    EXPECT_FALSE(panel->IsEnabled(kIdResetObject));
    MoveSceneDataBodies(D / 2);
    ExpectVector(b->pos, 1, 0, 0);
    ExpectVector(b->verts[7].world, 2, 1, 1);

    // SD bodies go together: "Delete", or removing every object, closes the file.
    Body* other = Cube();
    platform::QueueMessageBoxAnswer(platform::kAnswerYes);
    DeleteSceneData();
    EXPECT_EQ(rootbody.next, other);
    EXPECT_EQ(CountBodies(), 1);
    EXPECT_FALSE(SceneDataLoaded());
    EXPECT_STREQ(sd_path, "");
    ASSERT_TRUE(ImportSceneData(dir.File("c.sd").c_str()));
    RemoveAllBodies();
    EXPECT_FALSE(SceneDataLoaded());
    EXPECT_EQ(sd_locked, 0);
    EXPECT_STREQ(sd_path, "");
    EXPECT_FALSE(ReadNextSceneFrame());
    EXPECT_EQ(platform::LastMessageBoxText(), "Error: scene file is not open");
    SetObjectPanel(nullptr);
    platform::DestroyDialog(panel);
}

TEST_F(SceneData, AFullRunMovesTheBodiesFrameByFrameAndAResetStartsThemAgain) {
    std::vector<SdFrameObject> frames;
    for (int f = 0; f < 6; ++f) frames.push_back(Moved(Vector(float(f * f), 0, 0)));
    ASSERT_TRUE(ImportSceneData(Save("run.sd", Scene(frames)).c_str()));
    Body* b = rootbody.next;
    auto run = [&] {
        std::vector<float> xs;
        sim::SetFullMode(true);
        while (frame < 8) {
            // Each step starts by putting the body where the time reached says: x = f² at
            // frame f, in straight lines between frames, 25 once the file has ended.
            const float t = float(frame) + frame_time / D;
            const int k = int(t);
            sim::Step();
            xs.push_back(b->verts[0].world.x);
            EXPECT_NEAR(xs.back(), k >= 5 ? 25.0f : float(k * k) + (t - k) * (2 * k + 1), 1e-3f);
        }
        return xs;
    };
    const std::vector<float> first = run();
    EXPECT_FLOAT_EQ(b->verts[0].world.x, 25.0f);  // the last frame, held
    sim::Reset();
    EXPECT_EQ(b->verts[0].world.x, 0.0f);
    EXPECT_EQ(run(), first);
    sim::ClearSimulation();
}

using SceneWorkspace = ObjectsTest;

TEST_F(SceneWorkspace, ASavedSdSceneIsReopenedWhereItStood) {
    std::vector<SdFrameObject> frames;
    for (int f = 0; f < 5; ++f) frames.push_back(Moved(Vector(float(f), 0, 0)));
    fs::create_directories(dir.path() / "shot");
    const std::string sd = (dir.path() / "shot" / "paddle.sd").string();
    ASSERT_TRUE(WriteSdFile(sd.c_str(), Scene(frames)));
    ASSERT_TRUE(ImportSceneData(sd.c_str()));
    Body* b = rootbody.next;
    b->friction = 0.7f;
    b->faces[3].selection = 4;
    SetSimulationFps(30);
    sim_settings.largest_step = 0.25f / 30;
    sim::SetFullMode(true);
    while (frame < 2 || frame_time < 0.5f / 30) sim::Step();
    // Frame f stands at x = f; the clock is half way through frame 2.
    const float x = 2.5f;
    const std::string ws = (dir.path() / "shot" / "a.ulw").string();
    ASSERT_TRUE(SaveWorkspace(ws.c_str()));

    ResetScene();
    ASSERT_TRUE(LoadWorkspace(ws.c_str()));
    ASSERT_TRUE(SceneDataLoaded());
    EXPECT_STREQ(sd_path, sd.c_str());
    EXPECT_EQ(sd_locked, 1);
    ASSERT_EQ(CountBodies(), 1);
    b = rootbody.next;
    EXPECT_EQ(b->origin, kOriginSceneData);
    EXPECT_EQ(b->friction, 0.7f);
    EXPECT_EQ(b->faces[3].selection, 4u);
    EXPECT_NEAR(b->verts[0].world.x, x, 1e-4f);
    EXPECT_NEAR(b->pos.x, x, 1e-4f);
    // The run goes on from there.
    sim::SetFullMode(true);
    sim::Step();
    sim::Step();
    EXPECT_NEAR(b->verts[0].world.x, x + 0.25f, 1e-4f);

    // Moved with its workspace and unlocked: found beside it, and said to be unlocked.
    UnlockSceneData();
    ASSERT_TRUE(SaveWorkspace(ws.c_str()));
    fs::rename(dir.path() / "shot", dir.path() / "moved");
    ResetScene();
    platform::ClearMessageBoxes();
    ASSERT_TRUE(LoadWorkspace((dir.path() / "moved" / "a.ulw").c_str()));
    ASSERT_TRUE(SceneDataLoaded());
    EXPECT_EQ(sd_locked, 0);
    EXPECT_EQ(platform::LastMessageBoxText(), "SD file unlocked. Object edition is enabled.");

    // Gone altogether: the file dialog is asked, and without an answer the link is dropped.
    fs::remove(dir.path() / "moved" / "paddle.sd");
    ResetScene();
    ASSERT_TRUE(LoadWorkspace((dir.path() / "moved" / "a.ulw").c_str()));
    EXPECT_FALSE(SceneDataLoaded());
    EXPECT_STREQ(sd_path, "");
    EXPECT_EQ(CountBodies(), 0);
    EXPECT_EQ(platform::LastOpenFileFilter(), "Undaline Scene Data (*.sd)|*.sd|");
    sim::ClearSimulation();
}

TEST_F(SceneWorkspace, ObjectsOfSceneFilesComeBackThroughTheirReaders) {
    const std::string ase = Write("tank.ase",
                                  "*3DSMAX_ASCIIEXPORT 200\n*GEOMOBJECT {\n *NODE_NAME \"Lid\"\n"
                                  " *MESH_NUMVERTEX 0\n *MESH_NUMFACES 0\n}\n"
                                  "*GEOMOBJECT {\n *NODE_NAME \"Tank\"\n *MESH_NUMVERTEX 3\n"
                                  " *MESH_NUMFACES 1\n *MESH_VERTEX_LIST {\n *MESH_VERTEX 0 0 0 0\n"
                                  " *MESH_VERTEX 1 1 0 0\n *MESH_VERTEX 2 0 1 0\n }\n"
                                  " *MESH_FACE_LIST {\n *MESH_FACE 0: A:0 B:1 C:2\n }\n}\n");
    ASSERT_TRUE(LoadAseScene(ase.c_str()));
    Body* lid = rootbody.next;
    RemoveBody(lid);
    Body* tank = rootbody.next;
    tank->pos = Vector(0, 3, 0);
    tank->UpdateMatrix();
    tank->K = 0.5f;
    const std::string ws = dir.File("t.ulw");
    ASSERT_TRUE(SaveWorkspace(ws.c_str()));
    ResetScene();
    ASSERT_TRUE(LoadWorkspace(ws.c_str()));
    ASSERT_EQ(CountBodies(), 1);  // the tank alone, by its name
    tank = rootbody.next;
    EXPECT_STREQ(tank->name, "Tank");
    EXPECT_STREQ(tank->sceneFile, ase.c_str());
    EXPECT_EQ(tank->K, 0.5f);
    ExpectVector(tank->verts[2].world, 0, 4, 0);
}

}  // namespace
