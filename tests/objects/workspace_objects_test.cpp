#include <algorithm>
#include <filesystem>
#include <string>

#include "fluid/links.h"
#include "fluid_scenes.h"
#include "io/workspace.h"
#include "objects_fixture.h"
#include "platform/format.h"
#include "platform/paths.h"

namespace {

namespace fs = std::filesystem;

class ObjectWorkspace : public ObjectsTest {
  protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        RegisterSupportClasses();
    }
    void TearDown() override {
        ClearFluidScene();
        ObjectsTest::TearDown();
    }
    // Two objects with everything a record keeps, and a fluid that collides with the second.
    void BuildScene() {
        Body* cube = Cube("cube.obj");
        cube->pos = Vector(1, 2, 3);
        cube->rot = Vector(0, 45, 0);
        cube->scale = Vector(2, 2, 2);
        cube->StoreRest();
        cube->pos = Vector(1.5f, 2, 3);  // moved since it rested
        cube->UpdateMatrix();
        cube->UpdateWorld();
        cube->velocity = Vector(0, -1, 0);
        cube->angularVelocity = Vector(0, 0.5f, 0);
        cube->friction = 0.3f;
        cube->K = 0.6f;
        cube->sticky = 2;
        cube->rough = 0.25f;
        cube->temperature = 20;
        cube->conductivity = 0.5f;
        cube->thinFaceTest = 1;
        cube->display = kDisplaySmooth;
        cube->collisionDistance = 0.05f;
        cube->collisionTolerance = 0.5f;
        cube->faces[11].selection = 5;
        cube->verts[7].selection = 9;
        Body* ramp = ImportObjectFile(
            Write("ramp.asc",
                  "Named object: \"ramp\"\nTri-mesh, Vertices: 3 Faces: 1\nVertex list:\n"
                  "Vertex 0: X: 0 Y: 0 Z: 0\nVertex 1: X: 4 Y: 0 Z: 0\nVertex 2: X: 0 Y: 1 Z: 4\n"
                  "Face list:\nFace 0: A:0 B:1 C:2 AB:1 BC:1 CA:1\nSmoothing: 1\n")
                .c_str());
        ASSERT_NE(ramp, nullptr);
        water = MakeEmptyFluid();
        LinkObject(water, ramp);
    }
    Fluido* water = nullptr;
};

TEST_F(ObjectWorkspace, ObjectsSaveAndLoadBackToTheSameBytes) {
    BuildScene();
    const std::string a = dir.File("a.ulw"), b = dir.File("b.ulw");
    ASSERT_TRUE(SaveWorkspace(a.c_str()));
    ResetScene();
    ClearFluidScene();
    ASSERT_TRUE(LoadWorkspace(a.c_str()));

    ASSERT_EQ(CountBodies(), 2);
    Body* cube = BodyAt(0);
    Body* ramp = BodyAt(1);
    // The same bytes again pin every stored field; what is derived on load is checked here.
    EXPECT_STREQ(cube->name, "cube.obj");
    EXPECT_EQ(cube->nfaces, 12);
    const Vector corner = cube->build_matrix * Vector(1, 1, 1);
    ExpectVector(cube->verts[6].world, corner.x, corner.y, corner.z);
    ExpectVector(cube->faces[10].normal, 0.70710678f, 0, -0.70710678f);  // +x turned 45° about y
    EXPECT_EQ(ramp->format, kFormatAsc);
    ASSERT_NE(rootflow, nullptr);
    ASSERT_EQ(rootflow->numObjects, 1);
    EXPECT_EQ(rootflow->objects[0], ramp);

    ASSERT_TRUE(SaveWorkspace(b.c_str()));
    EXPECT_EQ(ReadFileBytes(a), ReadFileBytes(b));
}

TEST_F(ObjectWorkspace, AMovedFileIsFoundInTheObjectsDirectoryAndAMissingOneLeavesTheRest) {
    BuildScene();
    const std::string a = dir.File("a.ulw");
    ASSERT_TRUE(SaveWorkspace(a.c_str()));
    const fs::path objects = dir.path() / "objects";
    fs::create_directories(objects);
    fs::rename(dir.File("cube.obj"), objects / "cube.obj");
    platform::CopyText(objects_dir, kConfigPathSize, objects.string().c_str());
    ResetScene();
    ClearFluidScene();
    ASSERT_TRUE(LoadWorkspace(a.c_str()));
    EXPECT_EQ(FileNotFoundCount(), 0);
    ASSERT_EQ(CountBodies(), 2);
    EXPECT_EQ(BodyAt(0)->path, (objects / "cube.obj").string());

    fs::remove(objects / "cube.obj");
    ResetScene();
    ClearFluidScene();
    ASSERT_TRUE(LoadWorkspace(a.c_str()));  // "Skip" is the preset answer
    EXPECT_EQ(FileNotFoundCount(), 1);
    ASSERT_EQ(CountBodies(), 1);
    Body* ramp = BodyAt(0);
    EXPECT_STREQ(ramp->name, "ramp.asc");
    // The fluid's link names the second record; it still finds the ramp.
    ASSERT_EQ(rootflow->numObjects, 1);
    EXPECT_EQ(rootflow->objects[0], ramp);
    EXPECT_EQ(platform::MessageBoxCount(), 0);
}

TEST_F(ObjectWorkspace, ARelativePathIsFoundBesideTheWorkspaceWhereverItMoves) {
    Cube("cube.obj", "objects");
    platform::CopyText(BodyAt(0)->path, sizeof BodyAt(0)->path, "objects/cube.obj");
    const fs::path moved = dir.path() / "moved";
    fs::create_directories(moved);
    ASSERT_TRUE(SaveWorkspace((moved / "a.ulw").string().c_str()));
    fs::rename(dir.path() / "objects", moved / "objects");
    ResetScene();

    ASSERT_TRUE(LoadWorkspace((moved / "a.ulw").string().c_str()));
    EXPECT_EQ(FileNotFoundCount(), 0);
    ASSERT_EQ(CountBodies(), 1);
    EXPECT_EQ(BodyAt(0)->nfaces, 12);
}

TEST_F(ObjectWorkspace, TheRecordHoldsTheFieldsInTheirOrder) {
    Body* b = Cube();
    b->friction = 0.5f;
    b->verts[2].selection = 7;
    const std::string a = dir.File("a.ulw");
    ASSERT_TRUE(SaveWorkspace(a.c_str()));
    const std::vector<uint8_t> bytes = ReadFileBytes(a);
    // The record follows the objects tag, the count and the object tag.
    const Bytes head = Bytes().U32(kTagObjects).I32(1).U32(kTagObject);
    auto at = std::search(bytes.begin(), bytes.end(), head.b.begin(), head.b.end());
    ASSERT_NE(at, bytes.end());
    const size_t record = static_cast<size_t>(at - bytes.begin()) + head.size();
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[record])), b->path);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[record + 256])), "cube.obj");
    EXPECT_EQ(bytes[record + 1024], kFormatObj);
    // Transform and rest (120 bytes), velocities (24), then friction.
    const size_t friction = record + 1025 + 120 + 24;
    EXPECT_EQ(std::vector<uint8_t>(&bytes[friction], &bytes[friction + 4]), Bytes().F32(0.5f).b);
    // 1206 bytes of fields, then a mask per face and per point; then the fluids.
    const size_t masks = record + 1206;
    EXPECT_EQ(std::vector<uint8_t>(&bytes[masks + 4 * (12 + 2)], &bytes[masks + 4 * (12 + 3)]),
              Bytes().U32(7).b);
    EXPECT_EQ(std::vector<uint8_t>(&bytes[masks + 4 * 20], &bytes[masks + 4 * 21]),
              Bytes().U32(kTagFluids).b);
}

}  // namespace
