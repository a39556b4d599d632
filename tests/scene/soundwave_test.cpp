#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "byte_builder.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "scene/audio_window.h"
#include "scene/envelope.h"
#include "scene/simulation_state.h"
#include "scene/soundwave.h"
#include "scene_fixture.h"

namespace {

struct WavSpec {
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 8000;
    uint16_t bits = 8;
    uint32_t fmt_size = 16;
};

// A WAV file: RIFF/WAVE, a "fmt " chunk, then a "data" chunk holding data.
Bytes Wav(const WavSpec& s, const std::vector<uint8_t>& data) {
    Bytes fmt;
    fmt.U16(s.tag).U16(s.channels).U32(s.rate);
    fmt.U32(s.rate * s.channels * (s.bits / 8)).U16(static_cast<uint16_t>(s.channels * s.bits / 8));
    fmt.U16(s.bits);
    fmt.b.resize(s.fmt_size, 0);
    Bytes body;
    body.Text("WAVE").Text("fmt ").U32(s.fmt_size).Append(fmt);
    body.Text("data").U32(static_cast<uint32_t>(data.size()));
    body.b.insert(body.b.end(), data.begin(), data.end());
    if (data.size() % 2) body.U8(0);
    return Bytes().Text("RIFF").U32(static_cast<uint32_t>(body.size())).Append(body);
}

// Block b of `block` 8-bit samples swings b + 1 either side of 127, so its loudness is b + 1.
std::vector<uint8_t> Blocks(int count, int block) {
    std::vector<uint8_t> data(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        const int swing = i / block + 1;
        data[static_cast<size_t>(i)] = static_cast<uint8_t>(i % 2 ? 127 - swing : 127 + swing);
    }
    return data;
}

class SoundTest : public SceneTest {
protected:
    std::string Write(const char* name, const Bytes& bytes) {
        const std::string path = dir.File(name);
        WriteFileBytes(path, bytes.b);
        return path;
    }
    TempDir dir;
};

TEST_F(SoundTest, AStereoFileIsRefusedAndTheEnvelopeKeepsEverything) {
    Envelope env(60, 2.0f, 0, 0);
    env.InsertKey(20.0f, 7.0f);
    const std::string mono = Write("mono.wav", Wav({}, Blocks(4000, 100)));
    ASSERT_TRUE(LoadEnvelopeAudio(&env, mono.c_str()));
    SoundWave* earlier = env.audio;
    env.InsertKey(5.0f, 1.0f);
    const int keys = env.KeyCount();
    const float sample = env.samples[40].y;

    WavSpec stereo;
    stereo.channels = 2;
    const std::string path = Write("stereo.wav", Wav(stereo, Blocks(8000, 100)));
    EXPECT_FALSE(LoadEnvelopeAudio(&env, path.c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(),
              "Sorry. Stereo format is not accepted. Please convert to mono.");
    EXPECT_EQ(env.audio, earlier);
    EXPECT_EQ((std::vector<float>{float(env.frames), float(env.KeyCount()), env.samples[40].y}),
              (std::vector<float>{15, float(keys), sample}));

    SoundWave w;
    EXPECT_FALSE(w.LoadWave(path.c_str()));
    EXPECT_EQ(w.samples, nullptr);
    EXPECT_EQ((std::vector<int>{w.stereo, w.count}), (std::vector<int>{1, 0}));
}

TEST_F(SoundTest, OneSecondAt8000HzGivesThirtyFramesAndStep66) {
    std::vector<uint8_t> data(8000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = static_cast<uint8_t>(i % 200);
    const std::string path = Write("tone.wav", Wav({}, data));
    Envelope env(60, 3.0f, 0, 0);
    env.InsertKey(10.0f, 9.0f);
    ASSERT_TRUE(LoadEnvelopeAudio(&env, path.c_str()));

    ASSERT_NE(env.audio, nullptr);
    EXPECT_STREQ(env.audio->file, path.c_str());
    const SoundWave& a = *env.audio;
    EXPECT_EQ((std::vector<int>{a.bits, a.rate, a.count, a.SampleAt(0), a.SampleAt(7999), AudioStep(a)}),
              (std::vector<int>{8, 8000, 8000, 0, 199, 66}));
    // The length of the sound, keys rebuilt as by "Set frames"; loading only shows the sound.
    ASSERT_EQ(env.SampleCount(), 121);
    EXPECT_EQ((std::vector<float>{float(env.frames), float(env.KeyCount()), env.LastKey()->time,
                                  env.LastKey()->value, float(env.use_audio)}),
              (std::vector<float>{30, 2, 30, 3, 0}));

    for (int i = 0; i <= 120; ++i) {
        const int at = (i * 66) % 8000;
        const float loudness = static_cast<float>(std::abs(at % 200 - 127));
        EXPECT_EQ(env.audio_samples[i].x, env.samples[i].x);
        EXPECT_EQ(env.audio_samples[i].z, loudness) << "entry " << i;
        EXPECT_EQ(env.audio_samples[i].y, loudness) << "entry " << i;
    }

    // At 24 frames per second the same sound is 24 frames, read 83 samples apart.
    SetFramesPerSecond(24);
    ASSERT_TRUE(LoadEnvelopeAudio(&env, path.c_str()));
    EXPECT_EQ(env.frames, 24);
    EXPECT_EQ(env.audio_samples[2].z, static_cast<float>(std::abs(166 - 127)));
}

TEST_F(SoundTest, LoudnessIsMeasuredInBlocksAndTheLastBlockOverWhatItHas) {
    // 1050 samples: the last 50 are a block of their own; 1000: the last block is whole.
    for (int count : {1050, 1000}) {
        SoundWave w;
        ASSERT_TRUE(w.LoadWave(Write("a.wav", Wav({}, Blocks(count, 100))).c_str()));
        ASSERT_TRUE(w.FilterSamples(100));
        for (int i = 0; i < count; ++i) ASSERT_EQ(w.filtered[i], static_cast<float>(i / 100 + 1)) << i;
    }
    SoundWave exact;
    ASSERT_TRUE(exact.LoadWave(Write("b.wav", Wav({}, Blocks(1000, 100))).c_str()));
    // Block 1 measures each sample alone; a block longer than the sound measures it whole.
    const struct {
        int block;
        float first, middle, last;
    } blocks[] = {{1, 1, 6, 10}, {5000, 5.5f, 5.5f, 5.5f}, {0, 1, 6, 10}};  // 0 is taken as 1
    for (const auto& b : blocks) {
        ASSERT_TRUE(exact.FilterSamples(b.block));
        EXPECT_EQ((std::vector<float>{exact.filtered[0], exact.filtered[500], exact.filtered[999]}),
                  (std::vector<float>{b.first, b.middle, b.last}))
            << b.block;
    }
}

TEST_F(SoundTest, SixteenBitSamplesAreCentredOn32768) {
    WavSpec s;
    s.bits = 16;
    Bytes data;
    data.U16(0x8000).U16(0).U16(0x7FFF).U16(0xFFFF).U16(100);  // -32768, 0, 32767, -1, 100
    std::vector<uint8_t> raw = data.b;
    raw.push_back(0x55);  // an odd byte at the end is no sample
    SoundWave w;
    ASSERT_TRUE(w.LoadWave(Write("w16.wav", Wav(s, raw)).c_str()));
    EXPECT_EQ(w.bits, 16);
    ASSERT_EQ(w.count, 5);
    EXPECT_EQ((std::vector<int>{w.SampleAt(0), w.SampleAt(1), w.SampleAt(2), w.SampleAt(3),
                                w.SampleAt(4)}),
              (std::vector<int>{0, 32768, 65535, 32767, 32868}));
    ASSERT_TRUE(w.FilterSamples(1));
    EXPECT_EQ((std::vector<float>{w.filtered[0], w.filtered[1], w.filtered[3], w.filtered[4]}),
              (std::vector<float>{32768, 0, 1, 100}));

    // Copies own their samples: both can go.
    SoundWave copy(w);
    EXPECT_NE(copy.samples, w.samples);
    EXPECT_NE(copy.filtered, w.filtered);
    EXPECT_EQ(copy.SampleAt(2), 65535);
    EXPECT_EQ(copy.filtered[4], 100.0f);
}

TEST_F(SoundTest, EveryBrokenFileHasItsMessageAndLoadsNothing) {
    const std::vector<uint8_t> data = Blocks(300, 100);
    auto message = [&](const Bytes& bytes) {
        platform::ClearMessageBoxes();
        SoundWave w;
        EXPECT_FALSE(w.LoadWave(Write("x.wav", bytes).c_str()));
        EXPECT_EQ(w.count, 0);
        EXPECT_EQ(w.samples, nullptr);
        EXPECT_EQ(platform::MessageBoxCount(), 1);
        return platform::LastMessageBoxText();
    };
    const Bytes good = Wav({}, data);

    SoundWave w;
    EXPECT_FALSE(w.LoadWave(dir.File("none.wav").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error: File " + dir.File("none.wav") + " not found");

    EXPECT_EQ(message(Bytes().Text("RIF")), "Cannot read input WAVE file.");
    Bytes not_riff = good;
    not_riff.b[0] = 'X';
    EXPECT_EQ(message(not_riff), "The current input file is not a sound wave file.");
    Bytes avi = good;
    avi.b[8] = 'A';
    EXPECT_EQ(message(avi), "The current input file is not a sound wave file.");
    EXPECT_EQ(message(Bytes().Text("RIFF").U32(4).Text("WAVE")), " Error 1");
    WavSpec short_fmt;
    short_fmt.fmt_size = 14;
    EXPECT_EQ(message(Wav(short_fmt, data)), "Error 2");
    WavSpec float_format;
    float_format.tag = 3;
    EXPECT_EQ(message(Wav(float_format, data)), "Error 5");
    WavSpec deep;
    deep.bits = 24;
    EXPECT_EQ(message(Wav(deep, data)), "Error 5");
    WavSpec no_rate;
    no_rate.rate = 0;
    EXPECT_EQ(message(Wav(no_rate, data)), "Error 5");
    WavSpec silent;
    silent.channels = 0;
    EXPECT_EQ(message(Wav(silent, data)), "Error 5");

    Bytes no_data = Wav({}, {});
    no_data.b.resize(no_data.size() - 8);  // drop the empty data chunk
    no_data.b[4] -= 8;
    EXPECT_EQ(message(no_data), "Error 6");
    EXPECT_EQ(message(Wav({}, {})), "Error 6");  // a data chunk with no sample

    // Samples missing, the headers whole: a cut copy, and one whose RIFF size was mended.
    // Either is refused before a sample is read.
    Bytes cut = good;
    cut.b.resize(cut.size() - 100);
    EXPECT_EQ(message(cut), "LOWPASS_ERROR_CANNOT_READ");
    const Bytes riff_size = Bytes().U32(static_cast<uint32_t>(cut.size() - 8));
    std::copy(riff_size.b.begin(), riff_size.b.end(), cut.b.begin() + 4);
    EXPECT_EQ(message(cut), "LOWPASS_ERROR_CANNOT_READ");
}

TEST_F(SoundTest, ThresholdOffsetScaleAndOversamplingRefillTheAudioTable) {
    Envelope env(10, 0, 0, 0);
    // Without a sound none of the settings does anything.
    SetAudioThreshold(&env, 5);
    EXPECT_FALSE(UseAudioAsGraph(&env));
    EXPECT_EQ(env.use_audio, 0);

    // 480 samples at 480 Hz: one second, 30 frames, one sample per table entry (step 4).
    WavSpec s;
    s.rate = 480;
    ASSERT_TRUE(LoadEnvelopeAudio(&env, Write("q.wav", Wav(s, Blocks(480, 40))).c_str()));
    ASSERT_EQ(env.frames, 30);
    ASSERT_EQ(AudioStep(*env.audio), 4);
    EXPECT_EQ(env.audio_samples[9].y, 1.0f);   // sample 36: 127 + 1 alone
    EXPECT_EQ(env.audio_samples[11].y, 2.0f);  // sample 44: 127 - 2

    SetAudioOversampling(&env, 40);
    EXPECT_EQ(env.audio->oversampling, 40);
    EXPECT_EQ(env.audio_samples[10].y, 2.0f);  // block 1 of 40 samples
    EXPECT_EQ(env.audio_samples[119].y, 12.0f);

    SetAudioOffset(&env, 5);
    SetAudioScale(&env, 2);
    EXPECT_EQ(env.audio_samples[10].y, 14.0f);  // (2 + 5) · 2
    EXPECT_EQ(env.audio_samples[10].z, 2.0f);
    SetAudioThreshold(&env, 8);                 // compared after the offset: 7 < 8
    EXPECT_EQ(env.audio_samples[10].y, 0.0f);
    EXPECT_EQ(env.audio_samples[20].y, 16.0f);  // block 2: 3 + 5 = 8 is not below
    SetAudioScale(&env, -3);
    EXPECT_EQ(env.audio->gain, 0.0f);
    SetAudioScale(&env, 1);
    SetAudioOffset(&env, 0);

    // A threshold above every measured value: all zeros.
    SetAudioThreshold(&env, 1000);
    for (int i = 0; i < env.SampleCount(); ++i) ASSERT_EQ(env.audio_samples[i].y, 0.0f) << i;

    // The value follows the sound only "as a envelope graph".
    SetAudioThreshold(&env, 0);
    EXPECT_EQ(env.DameValor(10.0f / 120), env.samples[11].y);
    EXPECT_TRUE(UseAudioAsGraph(&env));
    EXPECT_EQ(env.DameValor(10.0f / 120), 2.0f);
    UseAudioAsTemplate(&env);
    EXPECT_EQ(env.use_audio, 0);
    UseAudioAsGraph(&env);
    ClearAudioChannel(&env);
    EXPECT_EQ(env.audio, nullptr);
    EXPECT_EQ(env.use_audio, 0);
}

class AudioWindowTest : public SoundTest {
protected:
    void TearDown() override {
        SetWaveFileChooserAnswer(nullptr);
        SoundTest::TearDown();
    }
};

// The fields reach the settings tested above; what is left is the window's own reading of them.
TEST_F(AudioWindowTest, TheWindowLoadsTheSoundAndAppliesEachField) {
    Envelope env(60, 1.0f, 0, 0);
    platform::Dialog* w = OpenAudioWindow(&env, nullptr);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(w->GetText(kIdAudioNote), "(recommended 8-bits mono)");
    EXPECT_FALSE(w->IsEnabled(kIdAudioThreshold));

    platform::ClickControl(w, kIdAudioLoad);  // cancelled: nothing chosen
    EXPECT_EQ(env.audio, nullptr);
    WavSpec s;
    s.rate = 480;
    SetWaveFileChooserAnswer(Write("w.wav", Wav(s, Blocks(480, 40))).c_str());
    platform::ClickControl(w, kIdAudioLoad);
    ASSERT_NE(env.audio, nullptr);
    EXPECT_EQ(w->GetText(kIdAudioFile), "w.wav");
    EXPECT_TRUE(w->IsEnabled(kIdAudioThreshold));

    // Text that is no number keeps the setting; a count below 1 is 1; a negative scale is 0.
    const struct {
        int field;
        const char* typed;
        const char* shown;
    } entries[] = {{kIdAudioOversampling, "40", "40"}, {kIdAudioOversampling, "abc", "40"},
                   {kIdAudioOversampling, "0", "1"},   {kIdAudioScale, "-2", " 0.00"},
                   {kIdAudioOversampling, "40", "40"}, {kIdAudioOffset, "1", "1"},
                   {kIdAudioScale, "3", "3"}};
    for (const auto& e : entries) {
        platform::TypeIntoField(w, e.field, e.typed);
        EXPECT_EQ(w->GetText(e.field), e.shown) << e.typed;
    }
    EXPECT_EQ(env.audio_samples[10].y, 9.0f);  // block 1 of 40 samples: (2 + 1) · 3
    platform::TypeIntoField(w, kIdAudioThreshold, "500");
    EXPECT_EQ(env.audio_samples[10].y, 0.0f);

    platform::ClickControl(w, kIdAudioGraph);
    EXPECT_EQ(env.use_audio, 1);
    platform::ClickControl(w, kIdAudioTemplate);
    EXPECT_EQ(env.use_audio, 0);
    EXPECT_FALSE(w->IsChecked(kIdAudioGraph));
    platform::ClickControl(w, kIdAudioGraph);
    platform::ClickControl(w, kIdAudioClear);
    EXPECT_EQ(env.audio, nullptr);
    EXPECT_EQ(env.use_audio, 0);
    EXPECT_TRUE(w->IsChecked(kIdAudioTemplate));
    EXPECT_FALSE(w->IsEnabled(kIdAudioScale));

    w->Send(platform::kMsgClose, 0, 0);
    EXPECT_FALSE(w->IsOpen());
    platform::DestroyDialog(w);
}

}  // namespace
