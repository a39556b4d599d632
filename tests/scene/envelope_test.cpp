#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <utility>
#include <vector>

#include "platform/dialog.h"
#include "platform/message_box.h"
#include "scene/envelope.h"
#include "scene/envelope_editor.h"
#include "scene/fields.h"
#include "scene/simulation_state.h"
#include "scene_fixture.h"

namespace {

using EnvelopeTest = SceneTest;

// The cubic Hermite curve through v0, v1 with end tangents m0, m1 (per unit of u).
double Hermite(double v0, double v1, double m0, double m1, double u) {
    const double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * v0 + (3 * u2 - 2 * u3) * v1 + (u3 - 2 * u2 + u) * m0 +
           (u3 - u2) * m1;
}

std::vector<float> KeyTimes(const Envelope& env) {
    std::vector<float> times;
    const Pcontrol* prev = nullptr;
    for (const Pcontrol* p = &env.first; p; p = p->next) {
        EXPECT_EQ(p->prev, prev) << "back link of the key at " << p->time;
        times.push_back(p->time);
        prev = p;
    }
    return times;
}

// A straight ramp y = x over frames, through a Linear last key.
void MakeRamp(Envelope* env) {
    Pcontrol* last = env->LastKey();
    last->value = static_cast<float>(env->frames);
    last->type = kKeyLinear;
    env->Resample();
}

TEST_F(EnvelopeTest, NewEnvelopeHasTwoKeysAndFourSamplesPerFrameAllAtTheValue) {
    Envelope env(60, 5.0f, -1.0f, 666.0f);
    ASSERT_EQ(env.SampleCount(), 241);
    for (int i = 0; i < 241; ++i) {
        EXPECT_EQ(env.samples[i].x, i / 4.0f);
        EXPECT_EQ(env.samples[i].y, 5.0f);
        EXPECT_EQ(env.samples[i].z, 0.0f);
        EXPECT_EQ(env.audio_samples[i].y, 0.0f);
    }
    EXPECT_EQ(KeyTimes(env), (std::vector<float>{0, 60}));
    EXPECT_EQ(env.audio, nullptr);
    EXPECT_EQ((std::vector<float>{env.LastKey()->value, float(env.first.type),
                                  float(env.LastKey()->type), env.view_x0, env.view_x1,
                                  env.view_bottom, env.view_top, env.min_value, env.max_value,
                                  float(env.loop), float(env.grid), float(env.use_audio),
                                  float(env.show_flag),
                                  float(env.editor_state[0] | env.editor_state[1] |
                                        env.editor_state[2] | env.editor_state[3])}),
              (std::vector<float>{5, kKeySmooth, kKeySmooth, 0, 61, -10, 10, -1, 666, 0, 1, 0, 0, 0}));

    // A negative value still gives a view around it.
    Envelope negative(10, -3.0f, 0, 0);
    EXPECT_EQ(negative.view_bottom, -6.0f);
    EXPECT_EQ(negative.view_top, 6.0f);
    EXPECT_EQ(negative.SampleCount(), 41);
}

TEST_F(EnvelopeTest, ReadingIndexesFourSamplesPerFrameFromOneWrapsOrHolds) {
    Envelope env(60, 0, 0, 0);
    MakeRamp(&env);  // sample i holds i / 4
    ASSERT_FLOAT_EQ(env.samples[1].y, 0.25f);

    EXPECT_FLOAT_EQ(env.DameValor(0.0f), 0.25f);   // sample 1, not sample 0
    EXPECT_FLOAT_EQ(env.DameValor(1.0f), 30.25f);  // 30·1·4 + 1 = 121
    EXPECT_FLOAT_EQ(env.DameValor(2.0f), 60.0f);   // 241 is past the end: the last sample
    EXPECT_FLOAT_EQ(env.DameValor(100.0f), 60.0f);
    EXPECT_FLOAT_EQ(env.DameValor(-1.0f), 0.0f);   // before the start: the first sample

    env.loop = 1;
    EXPECT_FLOAT_EQ(env.DameValor(2.0f), 0.0f);    // 241 mod 241
    EXPECT_FLOAT_EQ(env.DameValor(2.5f), 15.0f);   // 301 mod 241 = 60
    EXPECT_FLOAT_EQ(env.DameValor(1.0f), 30.25f);  // inside, looping changes nothing

    SetFramesPerSecond(24);
    EXPECT_FLOAT_EQ(env.DameValor(1.0f), 24.25f);  // 24·1·4 + 1 = 97

    // Driven by a sound, reading takes the audio table.
    env.audio_samples[97].y = -7.0f;
    env.use_audio = 1;
    EXPECT_FLOAT_EQ(env.DameValor(1.0f), -7.0f);
}

TEST_F(EnvelopeTest, SamplesAreClampedByEachLimitUnlessTheLimitsAreEqual) {
    auto ramp = [](float min, float max) {
        Envelope* env = new Envelope(20, -10.0f, min, max);
        env->LastKey()->value = 10.0f;
        env->LastKey()->type = kKeyLinear;
        env->Resample();
        return env;
    };
    auto lowest_highest = [](const Envelope& env) {
        float lo = env.samples[0].y, hi = lo;
        for (int i = 0; i < env.SampleCount(); ++i) {
            lo = std::min(lo, env.samples[i].y);
            hi = std::max(hi, env.samples[i].y);
        }
        return std::pair<float, float>(lo, hi);
    };
    const struct {
        float min, max, lowest, highest;
    } cases[] = {{0, 0, -10, 10}, {3, 3, -10, 10}, {-5, kNoLimit, -5, 10}, {kNoLimit, 5, -10, 5},
                 {-2, 4, -2, 4}};
    for (const auto& c : cases) {
        std::unique_ptr<Envelope> env(ramp(c.min, c.max));
        EXPECT_EQ(lowest_highest(*env), std::make_pair(c.lowest, c.highest)) << c.min << " " << c.max;
        EXPECT_FLOAT_EQ(env->samples[40].y, 0.0f);  // the middle is left alone
    }
}

TEST_F(EnvelopeTest, TwoSmoothKeysGiveAStraightLineAndALinearKeyToo) {
    Envelope env(40, 1.0f, 0, 0);
    env.LastKey()->value = 9.0f;
    env.Resample();
    for (int i = 0; i <= 160; ++i) {
        EXPECT_NEAR(env.samples[i].y, 1.0f + 8.0f * i / 160.0f, 1e-5f) << "sample " << i;
    }
    // A Linear key in the middle makes both segments straight lines, whatever comes after.
    Pcontrol* mid = env.InsertKey(10.0f, 5.0f);
    ASSERT_NE(mid, nullptr);
    mid->type = kKeyLinear;
    env.Resample();
    EXPECT_NEAR(env.samples[20].y, 3.0f, 1e-5f);  // x = 5, halfway from 1 to 5
    EXPECT_NEAR(env.samples[40].y, 5.0f, 1e-5f);
}

TEST_F(EnvelopeTest, TangentSegmentFollowsTheCubicWithTheKeysSlopesAtBothEnds) {
    Envelope env(20, 0.0f, 0, 0);
    env.first.type = kKeyTangent;
    env.first.slope_out = 2.0f;
    Pcontrol* last = env.LastKey();
    last->value = 10.0f;
    last->slope_in = -1.0f;  // a Smooth key next to a Tangent one still gives its slope
    env.Resample();
    for (int i = 0; i <= 80; ++i) {
        const double u = i / 80.0;
        EXPECT_NEAR(env.samples[i].y, Hermite(0, 10, 2.0 * 20, -1.0 * 20, u), 1e-4)
            << "sample " << i;
    }
    EXPECT_NEAR(env.samples[40].y, 12.5f, 1e-4f);
    // The slopes at both ends, per frame, from the first and last quarter-frame steps.
    EXPECT_NEAR((env.samples[1].y - env.samples[0].y) / 0.25f, 2.0f, 0.03f);
    EXPECT_NEAR((env.samples[80].y - env.samples[79].y) / 0.25f, -1.0f, 0.03f);

    // Far from frame 0 and only one frame long, the segment is just as exact.
    Envelope far(1001, 0.0f, 0, 0);
    Pcontrol* k = far.InsertKey(1000.0f, 5.0f);
    k->type = kKeyTangent;
    k->slope_out = 3.0f;
    far.LastKey()->value = 6.0f;
    far.LastKey()->slope_in = 0.0f;
    far.Resample();
    for (int i = 4000; i <= 4004; ++i) {
        const double u = (i - 4000) / 4.0;
        EXPECT_NEAR(far.samples[i].y, Hermite(5, 6, 3, 0, u), 1e-4) << "sample " << i;
    }
}

TEST_F(EnvelopeTest, SplineControlsShapeTheCurveAsWorkedOutByHand) {
    // Keys (0, 0), (10, 10), (30, 0); the middle key has tension 0.5, bias 0.5.
    Envelope env(30, 0.0f, 0, 0);
    Pcontrol* mid = env.InsertKey(10.0f, 10.0f);
    SetKeySplineControls(&env, mid, 0.5f, 0.0f, 0.5f);
    EXPECT_EQ(mid->advanced, 1);
    // First segment: outgoing tangent at the first key (2 · 10 · 0.5) = 10; incoming at the
    // middle key (0.25 · (0 − 10) + 0.75 · 10) · 10/30 = 5/3.
    //   x = 2.5 (u = 0.25): 0.15625·10 + 0.140625·10 − 0.046875·5/3 = 2.890625
    //   x = 5   (u = 0.5):  0.5·10 + 0.125·10 − 0.125·5/3           = 6.0416667
    EXPECT_NEAR(env.samples[10].y, 2.890625f, 1e-4f);
    EXPECT_NEAR(env.samples[20].y, 6.0416667f, 1e-4f);
    // Second segment: outgoing at the middle key (0.75 · 10 + 0.25 · (−10)) · 20/30 = 10/3;
    // incoming at the last key (2 · (−10) · 0.5) = −10.
    //   x = 20 (u = 0.5): 0.5·10 + 0.125·10/3 + 0.125·10 = 6.6666667
    EXPECT_NEAR(env.samples[80].y, 6.6666667f, 1e-4f);
    EXPECT_NEAR(env.samples[40].y, 10.0f, 1e-5f);  // through the key itself

    // Continuity 0.5 alone. First segment: incoming at the middle key
    // (1.5 · (0 − 10) + 0.5 · 10) · 10/30 = −10/3, so at x = 5: 5 + 0.125·10 + 0.125·10/3.
    // Second: outgoing at the middle key (1.5 · 10 + 0.5 · (−10)) · 20/30 = 20/3, so at
    // x = 20: 5 + 0.125·20/3 + 0.125·10.
    SetKeySplineControls(&env, mid, 0.0f, 0.5f, 0.0f);
    EXPECT_NEAR(env.samples[20].y, 6.6666667f, 1e-4f);
    EXPECT_NEAR(env.samples[80].y, 7.0833333f, 1e-4f);

    // Choosing Smooth clears "Advanced" only: the controls, and so the curve, stay.
    SetKeyType(&env, mid, kKeySmooth);
    EXPECT_EQ(mid->advanced, 0);
    EXPECT_EQ(mid->continuity, 0.5f);
    EXPECT_NEAR(env.samples[20].y, 6.6666667f, 1e-4f);
}

TEST_F(EnvelopeTest, KeysAreInsertedInTimeOrderAndTheEndsStay) {
    Envelope env(40, 1.0f, 0, 0);
    EXPECT_EQ(env.InsertKey(0.0f, 3.0f), nullptr);   // not after the first key
    EXPECT_EQ(env.InsertKey(-5.0f, 3.0f), nullptr);
    Pcontrol* k20 = env.InsertKey(20.0f, 2.0f);
    Pcontrol* k10 = env.InsertKey(10.0f, 3.0f);
    Pcontrol* k30 = env.InsertKey(30.0f, 4.0f);
    Pcontrol* k50 = env.InsertKey(50.0f, 5.0f);      // beyond every key: appended, now last
    EXPECT_EQ(KeyTimes(env), (std::vector<float>{0, 10, 20, 30, 40, 50}));
    EXPECT_EQ(env.LastKey(), k50);
    EXPECT_EQ(k10->type, kKeySmooth);
    EXPECT_EQ(env.KeyCount(), 6);
    // Re-sampled at once: the curve now spans 0..50 and passes through the new key.
    EXPECT_NEAR(env.samples[160].y, 5.0f, 1e-5f);
    EXPECT_NEAR(env.samples[32].y, 3.0f, 1e-5f);  // x = 10

    EXPECT_FALSE(env.RemoveKey(&env.first));
    EXPECT_FALSE(env.RemoveKey(k50));
    Pcontrol stranger(25.0f, 0.0f);
    EXPECT_FALSE(env.RemoveKey(&stranger));
    EXPECT_TRUE(env.RemoveKey(k20));
    EXPECT_TRUE(env.RemoveKey(k10));
    EXPECT_EQ(KeyTimes(env), (std::vector<float>{0, 30, 40, 50}));
    EXPECT_TRUE(env.RemoveKey(k30));
    EXPECT_EQ(KeyTimes(env), (std::vector<float>{0, 40, 50}));

    // The editor's "Create key" ignores a time beyond the envelope's frames.
    EXPECT_EQ(CreateKeyAtCursor(&env, 41.0f, 1.0f), nullptr);
    EXPECT_NE(CreateKeyAtCursor(&env, 40.0f, 1.0f), nullptr);
}

TEST_F(EnvelopeTest, SetFramesAsksAndOnYesRebuildsKeysTablesAndView) {
    constexpr int kFramesField = 7;
    const platform::ControlTemplate controls[] = {
        {kFramesField, platform::ControlKind::Edit, "90", 0, 0, 30, 12, platform::kStyleNumber}};
    const platform::DialogTemplate editor_tmpl = {"Envelope", 100, 100, controls, 1};
    platform::Dialog* editor = platform::CreateDialog(&editor_tmpl, nullptr, nullptr);

    Envelope env(60, 2.0f, 0, 0);
    env.InsertKey(30.0f, 8.0f);
    env.view_x1 = 500.0f;

    platform::QueueMessageBoxAnswer(platform::kAnswerNo);
    EXPECT_FALSE(AskSetFrames(&env, 90, editor, kFramesField));
    EXPECT_EQ(platform::LastMessageBoxText(),
              "This will remove existing information.\nDo you want to continue?");
    EXPECT_EQ(editor->GetText(kFramesField), "60");
    EXPECT_EQ(env.frames, 60);
    EXPECT_EQ(env.KeyCount(), 3);

    platform::QueueMessageBoxAnswer(platform::kAnswerYes);
    EXPECT_TRUE(AskSetFrames(&env, 90, editor, kFramesField));
    EXPECT_EQ(env.frames, 90);
    EXPECT_EQ(KeyTimes(env), (std::vector<float>{0, 90}));
    EXPECT_EQ(env.LastKey()->value, 2.0f);
    ASSERT_EQ(env.SampleCount(), 361);
    EXPECT_EQ(
        (std::vector<float>{env.samples[360].x, env.samples[180].y, env.view_x1, env.view_top}),
        (std::vector<float>{90, 2, 91, 4}));

    // A length that cannot be is refused without asking.
    const int boxes = platform::MessageBoxCount();
    EXPECT_FALSE(AskSetFrames(&env, -1, editor, kFramesField));
    EXPECT_EQ(platform::MessageBoxCount(), boxes);
    EXPECT_EQ(editor->GetText(kFramesField), "90");
    platform::DestroyDialog(editor);
}

TEST_F(EnvelopeTest, EditorViewFitsTheSamplesAndHitsKeysAndSlopeHandles) {
    Envelope env(20, 0.0f, 0, 0);
    Pcontrol* mid = env.InsertKey(10.0f, 4.0f);
    FitViewToSamples(&env);
    EXPECT_EQ((std::vector<float>{env.view_x0, env.view_x1, env.view_bottom}),
              (std::vector<float>{0, 20, 0}));
    EXPECT_NEAR(env.view_top, 4.0f, 1e-4f);

    // A 200 × 100 pixel area showing frames −10..30 and values −5..5: 5 px per frame, 10 px
    // per unit of value.
    env.view_x0 = -10;
    env.view_x1 = 30;
    env.view_bottom = -5;
    env.view_top = 5;
    EnvelopeHit hit = HitTestEnvelope(&env, 100 + 7, 10 - 7, 200, 100);  // key (10, 4)
    EXPECT_EQ(hit.part, kHitKey);
    EXPECT_EQ(hit.key, mid);
    EXPECT_EQ(HitTestEnvelope(&env, 100 + 9, 10, 200, 100).part, kHitNothing);
    // Handles only for Tangent keys: before at (0, 4 − 10·0.5), after at (20, 4 + 10·0.1).
    mid->slope_in = 0.5f;
    mid->slope_out = 0.1f;
    EXPECT_EQ(HitTestEnvelope(&env, 50, 60, 200, 100).part, kHitNothing);
    SetKeyType(&env, mid, kKeyTangent);
    hit = HitTestEnvelope(&env, 50, 60, 200, 100);
    EXPECT_EQ(hit.part, kHitSlopeIn);
    EXPECT_EQ(hit.key, mid);
    EXPECT_EQ(HitTestEnvelope(&env, 150, 0, 200, 100).part, kHitSlopeOut);
    EXPECT_EQ(HitTestEnvelope(&env, 50, 0, 0, 100).part, kHitNothing);
}

TEST_F(EnvelopeTest, DegenerateKeysNeverBreakSampling) {
    // Frames 0: one sample, both keys at 0.
    Envelope zero(0, 3.0f, 0, 0);
    ASSERT_EQ(zero.SampleCount(), 1);
    EXPECT_EQ(zero.samples[0].y, 3.0f);
    EXPECT_EQ(zero.DameValor(5.0f), 3.0f);
    // A key at the same time as the last one, and a Tangent pair of them.
    Envelope env(10, 1.0f, 0, 0);
    Pcontrol* twin = env.InsertKey(10.0f, 7.0f);
    twin->type = kKeyTangent;
    env.Resample();
    for (int i = 0; i < env.SampleCount(); ++i) EXPECT_TRUE(std::isfinite(env.samples[i].y));
    // An envelope with no tables reads its first key.
    Envelope empty;
    EXPECT_EQ(empty.SampleCount(), 0);
    EXPECT_EQ(empty.DameValor(1.0f), 0.0f);
}

}  // namespace
