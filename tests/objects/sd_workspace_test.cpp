#include <filesystem>
#include <string>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "io/workspace.h"
#include "objects/scene_data.h"
#include "objects/scene_import.h"
#include "objects_fixture.h"
#include "sd_scenes.h"

namespace {

namespace fs = std::filesystem;

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
