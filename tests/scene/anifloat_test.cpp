#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "byte_builder.h"
#include "platform/dialog.h"
#include "platform/workspace_file.h"
#include "scene/anifloat.h"
#include "scene/envelope.h"
#include "scene/fields.h"
#include "scene/simulation_state.h"
#include "scene/soundwave.h"
#include "scene_fixture.h"

namespace {

constexpr int kField = 5078;
const platform::ControlTemplate kControls[] = {
    {kField, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
};
const platform::DialogTemplate kPanel = {"Liquid", 100, 100, kControls, 1};

class AniFloatTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        panel = platform::CreateDialog(&kPanel, nullptr, nullptr);
    }
    void TearDown() override {
        platform::DestroyDialog(panel);
        SetEnvelopeEditor(nullptr);
        SetEnvelopeEditorAnswer(kEditorClosed);
        SceneTest::TearDown();
    }
    platform::Dialog* panel = nullptr;
};

// An editor that adds a key, as a user shaping the curve would, and closes.
int g_editor_calls = 0;
int EditorAddingAKey(platform::Dialog*, int id, ANIFloat* param, Envelope* env, int) {
    ++g_editor_calls;
    EXPECT_EQ(id, kField);
    EXPECT_EQ(param->envelope, env);
    env->InsertKey(30.0f, param->value * 2);
    return kEditorClosed;
}

TEST_F(AniFloatTest, InitValueStartsAPlainParameterAndCutsTheLabel) {
    ANIFloat p;
    p.InitValue(15.0f, "Viscosity");
    p.envelope = new Envelope(10, 1, 0, 0);  // freed by the next InitValue
    p.animated = 1;
    p.InitValue(0.01f, std::string(400, 'x').c_str(), 0.0f, 666.0f);
    EXPECT_EQ(p.envelope, nullptr);
    EXPECT_EQ((std::vector<float>{p.value, p.base, float(p.animated), p.min, p.max}),
              (std::vector<float>{0.01f, 0.01f, 0, 0, 666}));
    EXPECT_EQ(std::strlen(p.label), 255u);
}

TEST_F(AniFloatTest, CopyTakesTheCurveButNotSplineControlsLimitsGridOrSound) {
    ANIFloat src;
    src.InitValue(4.0f, "Pressure", -1.0f, 9.0f);
    src.value = 6.0f;
    src.animated = 1;
    src.envelope = new Envelope(20, 4.0f, -1.0f, 9.0f);
    Envelope& e = *src.envelope;
    Pcontrol* mid = e.InsertKey(10.0f, 8.0f);
    mid->type = kKeyTangent;
    mid->slope_in = 0.5f;
    mid->slope_out = -0.5f;
    mid->tension = 0.3f;
    mid->continuity = 0.2f;
    mid->bias = 0.1f;
    mid->advanced = 1;
    e.Resample();
    e.view_x0 = -2;
    e.view_x1 = 25;
    e.view_bottom = -3;
    e.view_top = 12;
    for (int i = 0; i < 4; ++i) e.editor_state[i] = 11u * (i + 1);
    e.loop = 1;
    e.show_flag = 1;
    e.grid = 0;
    e.use_audio = 1;
    e.audio = new SoundWave;
    e.audio_samples[5].y = 99.0f;

    ANIFloat dst;
    dst.InitValue(0, "other");
    dst.envelope = new Envelope(5, 0, 0, 0);  // replaced, not leaked
    dst.Copy(&src);

    // The parameter's own limits are not among what is copied.
    EXPECT_EQ((std::vector<float>{dst.value, dst.base, float(dst.animated), dst.min, dst.max}),
              (std::vector<float>{6, 4, 1, 0, 0}));
    EXPECT_STREQ(dst.label, "Pressure");

    ASSERT_NE(dst.envelope, nullptr);
    ASSERT_NE(dst.envelope, src.envelope);
    const Envelope& c = *dst.envelope;
    ASSERT_EQ(c.KeyCount(), 3);
    const Pcontrol* cm = c.first.next;
    // Keys keep time, value, slopes and type; tension, continuity and bias start over.
    EXPECT_EQ((std::vector<float>{cm->time, cm->value, cm->slope_in, cm->slope_out, cm->tension,
                                  cm->continuity, cm->bias, float(cm->type), float(cm->advanced)}),
              (std::vector<float>{10, 8, 0.5f, -0.5f, 0, 0, 0, float(kKeyTangent), 1}));
    EXPECT_EQ(cm->prev, &c.first);
    EXPECT_EQ(cm->next->prev, cm);
    // The view and the first two editor words travel; limits, grid and sound do not.
    EXPECT_EQ((std::vector<float>{c.view_x0, c.view_x1, c.view_bottom, c.view_top,
                                  float(c.editor_state[0]), float(c.editor_state[1]),
                                  float(c.editor_state[2]), float(c.editor_state[3]),
                                  float(c.frames), float(c.loop), float(c.show_flag), c.min_value,
                                  c.max_value, float(c.grid), float(c.use_audio),
                                  c.audio_samples[5].y}),
              (std::vector<float>{-2, 25, -3, 12, 11, 22, 0, 0, 20, 1, 1, 0, 0, 1, 0, 0}));
    EXPECT_EQ(c.audio, nullptr);
    ASSERT_EQ(c.SampleCount(), 81);
    for (int i = 0; i < 81; ++i) {
        EXPECT_EQ(c.samples[i].x, e.samples[i].x);
        EXPECT_EQ(c.samples[i].y, e.samples[i].y);
    }

    // Copying a plain parameter drops the copy's envelope.
    ANIFloat plain;
    plain.InitValue(2.0f, "plain");
    dst.Copy(&plain);
    EXPECT_EQ(dst.envelope, nullptr);
    EXPECT_EQ(dst.animated, 0);
    dst.Copy(&dst);  // onto itself: nothing happens
    EXPECT_EQ(dst.value, 2.0f);
}

TEST_F(AniFloatTest, OpeningTheEnvelopeCreatesItAndTheEditorsEndDecidesAnimation) {
    ANIFloat p;
    p.InitValue(5.0f, "Viscosity", 1.0f, 20.0f);

    // Nothing at all while a simulation runs.
    SetSimulationRunning(true);
    SetEnvelopeEditor(EditorAddingAKey);
    g_editor_calls = 0;
    p.AbreEnvelope(panel, kField, 0);
    EXPECT_EQ(g_editor_calls, 0);
    EXPECT_EQ(p.envelope, nullptr);
    SetSimulationRunning(false);

    // Created on demand with 60 frames at the value and the limits; a key made the curve
    // uneven, so closing the editor animates the parameter.
    p.AbreEnvelope(panel, kField, 0);
    EXPECT_EQ(g_editor_calls, 1);
    ASSERT_NE(p.envelope, nullptr);
    EXPECT_EQ((std::vector<float>{float(p.envelope->frames), p.envelope->first.value,
                                  p.envelope->min_value, p.envelope->max_value, float(p.animated)}),
              (std::vector<float>{60, 5, 1, 20, 1}));
    p.UpdateValue(119.5f / 120.0f);  // sample 120, x = 30: the new key's value
    EXPECT_FLOAT_EQ(p.value, 10.0f);

    // "Clear Envelope": the field shows base, the envelope goes, value = base.
    SetEnvelopeEditor(nullptr);
    SetEnvelopeEditorAnswer(kEditorClearEnvelope);
    p.AbreEnvelope(panel, kField, 0);
    EXPECT_EQ(p.envelope, nullptr);
    EXPECT_EQ(p.animated, 0);
    EXPECT_EQ(p.value, 5.0f);
    EXPECT_EQ(panel->GetText(kField), " 5.00");

    // Closed on a flat curve: no animation either.
    SetEnvelopeEditorAnswer(kEditorClosed);
    p.AbreEnvelope(panel, kField, 0);
    EXPECT_EQ(p.envelope, nullptr);
    EXPECT_EQ(p.animated, 0);

    // A flat curve with a sound attached stays: the sound may drive it.
    p.envelope = new Envelope(60, 5.0f, 0, 0);
    p.envelope->audio = new SoundWave;
    p.AbreEnvelope(panel, kField, 0);
    ASSERT_NE(p.envelope, nullptr);
    EXPECT_EQ(p.animated, 1);
}

class AniFloatFileTest : public AniFloatTest {
protected:
    TempDir dir;
};

TEST_F(AniFloatFileTest, RecordsAreWrittenFieldByFieldAndReadBack) {
    ANIFloat plain;
    plain.InitValue(1.5f, "x", -1.0f, 2.0f);
    plain.base = 1.0f;
    ANIFloat animated;
    animated.InitValue(1.5f, "y", -1.0f, 2.0f);
    animated.animated = 1;
    animated.envelope = new Envelope(1, 1.5f, -1.0f, 2.0f);
    animated.envelope->LastKey()->type = kKeyTangent;
    animated.envelope->LastKey()->slope_in = 0.25f;
    animated.envelope->LastKey()->advanced = 1;
    animated.envelope->Resample();

    const std::string path = dir.File("params.ulw");
    ASSERT_TRUE(platform::BeginWorkspaceWrite(path.c_str()));
    EXPECT_EQ(plain.Save(), 1);
    EXPECT_EQ(animated.Save(), 1);
    ASSERT_TRUE(platform::EndWorkspaceWrite(true));

    Bytes expected;
    expected.F32(1.5f).F32(1.0f).I32(0).F32(-1.0f).F32(2.0f);           // plain: 20 bytes
    expected.F32(1.5f).F32(1.5f).I32(1).F32(-1.0f).F32(2.0f).I32(2);    // ... 2 keys
    expected.F32(0).F32(1.5f).F32(0).F32(0).F32(0).F32(0).F32(0).I32(1).U8(0);
    expected.F32(1).F32(1.5f).F32(0.25f).F32(0).F32(0).F32(0).F32(0).I32(2).U8(1);
    expected.F32(0).F32(2).F32(3).F32(-3);  // view: x0, x1, top, bottom
    expected.F32(-1).F32(2);                // limits
    expected.I32(0).I32(1).U8(0).U8(1);     // loop, frames, show_flag, grid
    EXPECT_EQ(ReadFileBytes(path), expected.b);

    ANIFloat a, b;
    a.InitValue(0, "a");
    b.InitValue(0, "b");
    ASSERT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
    EXPECT_EQ(a.Load(), 1);
    EXPECT_EQ(b.Load(), 1);
    platform::EndWorkspaceRead();
    EXPECT_EQ((std::vector<float>{a.value, a.base, a.min, a.max}),
              (std::vector<float>{1.5f, 1.0f, -1.0f, 2.0f}));
    EXPECT_EQ(a.envelope, nullptr);
    EXPECT_STREQ(a.label, "a");  // the label is the program's, not the file's
    EXPECT_EQ(b.animated, 1);
    ASSERT_NE(b.envelope, nullptr);
    EXPECT_EQ(b.envelope->KeyCount(), 2);
    EXPECT_EQ(b.envelope->LastKey()->type, kKeyTangent);
    EXPECT_EQ(b.envelope->LastKey()->advanced, 1);
    ASSERT_EQ(b.envelope->SampleCount(), 5);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(b.envelope->samples[i].y, animated.envelope->samples[i].y);
}

TEST_F(AniFloatFileTest, ABrokenRecordLeavesTheParameterAsItWas) {
    const std::string path = dir.File("broken.ulw");
    ANIFloat p;
    p.InitValue(3.0f, "p");
    p.animated = 1;
    p.envelope = new Envelope(10, 3.0f, 0, 0);
    Envelope* kept = p.envelope;

    auto load = [&](const Bytes& bytes) {
        WriteFileBytes(path, bytes.b);
        EXPECT_TRUE(platform::BeginWorkspaceRead(path.c_str()));
        const int r = p.Load();
        platform::EndWorkspaceRead();
        return r;
    };
    Bytes head;
    head.F32(9).F32(9).I32(1).F32(0).F32(0);
    EXPECT_EQ(load(Bytes().F32(9).F32(9)), 0);  // short
    // A key count the file cannot hold is refused before anything is allocated for it.
    EXPECT_EQ(load(Bytes(head).I32(0x7FFFFFFF)), 0);
    EXPECT_EQ(load(Bytes(head).I32(0)), 0);
    EXPECT_EQ(load(Bytes(head).I32(-3)), 0);
    // One whole key but frames beyond any envelope.
    Bytes huge = head;
    huge.I32(1).F32(0).F32(1).F32(0).F32(0).F32(0).F32(0).F32(0).I32(1).U8(0);
    huge.F32(0).F32(1).F32(1).F32(-1).F32(0).F32(0).I32(0).I32(2000000000).U8(0).U8(1);
    EXPECT_EQ(load(huge), 0);
    EXPECT_EQ(p.value, 3.0f);
    EXPECT_EQ(p.envelope, kept);
    EXPECT_EQ(p.envelope->frames, 10);
}

}  // namespace
