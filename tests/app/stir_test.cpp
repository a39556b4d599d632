// The stirring example: a paddle of an SD file turning in a tank of liquid.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "io/workspace.h"
#include "objects/body.h"
#include "objects/scene_data.h"
#include "objects/sd_motion.h"
#include "platform/message_box.h"
#include "plugins/loader.h"
#include "scene/scene.h"

namespace {

const std::string kStir = std::string(UNDALINE_EXAMPLES_DIR) + "/stir.ulw";

// Each frame's paddle transform, as the file holds it.
std::vector<Matrix> FileFrames() {
    SdReader r;
    SdHeader h;
    SdObjectRecord o;
    std::vector<Matrix> frames;
    if (!r.Open((std::string(UNDALINE_EXAMPLES_DIR) + "/stir.sd").c_str()) || !r.ReadHeader(&h) ||
        !r.ReadObject(&o)) {
        return frames;
    }
    SdFrame f;
    SdKey k;
    while (r.ReadFrame({LayoutOf(o)}, &f) &&
           SdKeyFromFile(f.objects[0], h.platform, h.version, 1, &k)) {
        frames.push_back(k.matrix);
    }
    return frames;
}

std::vector<Matrix> g_seen;  // the paddle's key A at each frame end

class Stir : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetScene();
        platform::SetDefaultMessageBoxAnswer(platform::kAnswerOk);
        SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
        ScanPlugins();
    }
    void TearDown() override {
        sim::ClearSimulation();
        ResetScene();
    }
    // Runs the loaded scene on the simulation thread, as a batch run does, up to frame n.
    static void RunTo(int n) {
        sim::StopAtFrame(n);
        ASSERT_TRUE(sim::Start(true));
        sim::WaitUntilStopped();
        sim::StopAtFrame(-1);
    }
};

// The mean speed, in the direction the blade moves, of the particles just ahead of its
// leading face (its local -z side, along its length and below its top).
double SpeedAhead(const Body* blade, const Fluido* water, int* count) {
    const Matrix to_local = blade->build_matrix.Inverse();
    const Vector ahead = TransformaEje(blade->build_matrix, Vector(0, 0, -1));
    double sum = 0;
    *count = 0;
    for (Particula* p = water->First(); p; p = p->next) {
        const Vector l = to_local * p->pos;
        if (l.x < 0.08f || l.x > 0.46f || l.y > 0.6f || l.z < -0.15f || l.z > -0.03f) continue;
        sum += p->vel * ahead;
        ++*count;
    }
    return *count ? sum / *count : 0.0;
}

TEST_F(Stir, ThePaddleFollowsItsFileFrameByFrameInARun) {
    const std::vector<Matrix> file = FileFrames();
    ASSERT_EQ(file.size(), 151u);
    ASSERT_TRUE(LoadWorkspace(kStir.c_str()));
    ASSERT_TRUE(SceneDataLoaded());
    Body* paddle = rootbody.next;
    ASSERT_NE(paddle, nullptr);
    EXPECT_EQ(paddle->origin, kOriginSceneData);
    ASSERT_EQ(rootflow->numObjects, 1);
    g_seen.clear();
    SimulationHooks().frame_done = [](int) { g_seen.push_back(rootbody.next->keyAMatrix); };
    RunTo(15);
    SimulationHooks().frame_done = nullptr;
    ASSERT_EQ(g_seen.size(), 15u);
    for (size_t k = 0; k < g_seen.size(); ++k) {
        for (int i = 0; i < 16; ++i) EXPECT_FLOAT_EQ(g_seen[k].m[i], file[k + 1].m[i]) << k;
    }
    // The blade's tip stands between frames 14 and 15 of a quarter turn a second.
    const Vector tip = (paddle->verts[3].world + paddle->verts[7].world) * 0.5f;
    const float angle = std::atan2(-tip.z, tip.x);
    EXPECT_GE(angle, 14.0f / 30 * 1.5707964f - 1e-5f);
    EXPECT_LE(angle, 15.0f / 30 * 1.5707964f + 1e-5f);

    // The liquid near the paddle is pushed the way it turns; the liquid as a whole, along the
    // same direction, sloshes far more slowly.
    if (!SimulationHooks().collide) return;  // no particle-object collision in this build
    int count = 0;
    const double pushed = SpeedAhead(paddle, rootflow, &count);
    const Vector ahead = TransformaEje(paddle->build_matrix, Vector(0, 0, -1));
    double all = 0;
    for (Particula* p = rootflow->First(); p; p = p->next) all += p->vel * ahead;
    all /= rootflow->count;
    EXPECT_GT(count, 5);
    // The blade's middle moves at about 0.42 units a second.
    EXPECT_GT(pushed, 0.25) << "the liquid as a whole " << all;
    EXPECT_GT(pushed, all + 0.2);
}

}  // namespace
