#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <numbers>
#include <string>

#include "byte_builder.h"
#include "objects/body.h"
#include "objects/scene_data.h"
#include "platform/message_box.h"
#include "scene/axes.h"
#include "scene/scene.h"

namespace {

// A glTF scene made here: a tetrahedron on the node "paddle", child of "rig" (moved 5 along
// z). Over one second the paddle moves along x then y, (0,0,0) to (1,0,0) to (1,2,0), and
// turns about y, 0 to 45 to 90 degrees, in keys at 0, 0.5 and 1 s.
void WriteGltf(const std::string& dir, bool animated) {
    Bytes bin;
    const float corners[4][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (const auto& c : corners) bin.F32(c[0]).F32(c[1]).F32(c[2]);
    for (uint16_t i : {0, 2, 1, 0, 1, 3, 0, 3, 2, 1, 2, 3}) bin.U16(i);
    for (float t : {0.0f, 0.5f, 1.0f}) bin.F32(t);
    for (float x : {0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 1.0f, 2.0f, 0.0f}) bin.F32(x);
    for (double degrees : {0.0, 45.0, 90.0}) {
        const double half = degrees * std::numbers::pi / 360;
        bin.F32(0).F32(float(std::sin(half))).F32(0).F32(float(std::cos(half)));
    }
    WriteFileBytes(dir + "/paddle.bin", bin.b);
    const std::string animation =
        R"("animations": [{"name": "stir", "samplers": [
             {"input": 2, "output": 3, "interpolation": "LINEAR"},
             {"input": 2, "output": 4, "interpolation": "LINEAR"}],
           "channels": [{"sampler": 0, "target": {"node": 1, "path": "translation"}},
                        {"sampler": 1, "target": {"node": 1, "path": "rotation"}}]}],)";
    std::ofstream(dir + "/paddle.gltf") << R"({"asset": {"version": "2.0"}, "scene": 0,
      "scenes": [{"nodes": [0]}],
      "nodes": [{"name": "rig", "translation": [0, 0, 5], "children": [1]},
                {"name": "paddle", "mesh": 0}],
      "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],)"
                                        << (animated ? animation : "") << R"(
      "buffers": [{"uri": "paddle.bin", "byteLength": 168}],
      "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 48, "target": 34962},
                      {"buffer": 0, "byteOffset": 48, "byteLength": 24, "target": 34963},
                      {"buffer": 0, "byteOffset": 72, "byteLength": 96}],
      "accessors": [
        {"bufferView": 0, "componentType": 5126, "count": 4, "type": "VEC3",
         "min": [0, 0, 0], "max": [1, 1, 1]},
        {"bufferView": 1, "componentType": 5123, "count": 12, "type": "SCALAR"},
        {"bufferView": 2, "byteOffset": 0, "componentType": 5126, "count": 3, "type": "SCALAR",
         "min": [0], "max": [1]},
        {"bufferView": 2, "byteOffset": 12, "componentType": 5126, "count": 3, "type": "VEC3"},
        {"bufferView": 2, "byteOffset": 48, "componentType": 5126, "count": 3, "type": "VEC4"}]})";
}

// Where the animation puts a corner at time t.
Vector Expected(const Vector& v, double t) {
    const double x = t < 0.5 ? 2 * t : 1.0, y = t < 0.5 ? 0.0 : 4 * (t - 0.5);
    const double a = t * std::numbers::pi / 2;
    return Vector(float(std::cos(a) * v.x + std::sin(a) * v.z + x), float(v.y + y),
                  float(-std::sin(a) * v.x + std::cos(a) * v.z + 5));
}

int MakeSd(const std::string& args) {
    const int status = std::system(
        (std::string(UNDALINE_APP) + " --make-sd " + args + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

class MakeSdFile : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetScene();
        platform::SetDefaultMessageBoxAnswer(platform::kAnswerOk);
    }
    void TearDown() override { ResetScene(); }
    TempDir dir;
};

TEST_F(MakeSdFile, AnAnimatedGltfSceneImportsFrameByFrameAsItMoves) {
    const std::string d = dir.path().string();
    WriteGltf(d, true);
    for (int platform : {1, 2, 5}) {
        SCOPED_TRACE(platform);
        ResetScene();
        const std::string out = d + "/paddle.sd";
        ASSERT_EQ(
            MakeSd(d + "/paddle.gltf " + out + " --fps 10 --platform " + std::to_string(platform)),
            0);
        ASSERT_TRUE(ImportSceneData(out.c_str()));
        EXPECT_EQ(host_platform, platform);
        Body* b = rootbody.next;
        ASSERT_NE(b, nullptr);
        EXPECT_STREQ(b->name, "paddle");
        EXPECT_EQ(b->nfaces, 4);
        for (int frame = 0; frame <= 10; ++frame) {
            // Frames 0 and 1 come with the import; each later read brings the next, until
            // the eleventh frame (number 10) has been reached and the file ends.
            if (frame > 0) {
                EXPECT_EQ(ReadNextSceneFrame(), frame < 10) << frame;
            }
            InterpolateSceneBody(b, 0.0f);
            for (int i = 0; i < b->nverts; ++i) {
                const Vector miss = b->verts[i].world - Expected(b->verts[i].local, frame / 10.0);
                EXPECT_LT(miss.Modulo(), 2e-5f) << frame << " " << i;
            }
        }
    }
}

TEST_F(MakeSdFile, FramesAreChosenAndBadRequestsRefused) {
    const std::string d = dir.path().string();
    WriteGltf(d, false);
    ASSERT_EQ(MakeSd(d + "/paddle.gltf " + d + "/still.sd"), 0);
    ASSERT_TRUE(ImportSceneData((d + "/still.sd").c_str()));
    EXPECT_FALSE(ReadNextSceneFrame());  // no animation: a single frame
    EXPECT_NEAR(rootbody.next->verts[3].world.z, 6.0f, 1e-6f);

    WriteGltf(d, true);
    ResetScene();
    ASSERT_EQ(MakeSd(d + "/paddle.gltf " + d + "/part.sd --frames 15-17 --fps 30"), 0);
    ASSERT_TRUE(ImportSceneData((d + "/part.sd").c_str()));
    EXPECT_NEAR(rootbody.next->verts[0].world.x, 1.0f, 1e-5f);
    EXPECT_NEAR(rootbody.next->verts[0].world.y, 0.0f, 1e-5f);
    EXPECT_TRUE(ReadNextSceneFrame());
    EXPECT_FALSE(ReadNextSceneFrame());

    EXPECT_EQ(MakeSd(d + "/nothing.gltf " + d + "/x.sd"), 1);
    EXPECT_EQ(MakeSd(d + "/paddle.gltf"), 2);
    EXPECT_EQ(MakeSd(d + "/paddle.gltf " + d + "/x.sd --frames 5-2"), 2);
    EXPECT_EQ(MakeSd(d + "/paddle.gltf " + d + "/x.sd --platform 6"), 2);
}

}  // namespace
