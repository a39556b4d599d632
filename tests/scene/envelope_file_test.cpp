#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "byte_builder.h"
#include "platform/message_box.h"
#include "scene/envelope.h"
#include "scene/envelope_file.h"
#include "scene/fields.h"
#include "scene_fixture.h"

namespace {

class EnvelopeFileTest : public SceneTest {
protected:
    TempDir dir;
};

void ExpectSameEnvelope(const Envelope& a, const Envelope& b) {
    ASSERT_EQ(a.KeyCount(), b.KeyCount());
    for (const Pcontrol *p = &a.first, *q = &b.first; p && q; p = p->next, q = q->next) {
        auto key = [](const Pcontrol* k) {
            return std::vector<float>{k->time, k->value, k->slope_in, k->slope_out, float(k->type),
                                      float(k->advanced), k->tension, k->continuity, k->bias};
        };
        EXPECT_EQ(key(p), key(q));
    }
    auto fields = [](const Envelope& e) {
        return std::vector<float>{e.view_x0, e.view_x1, e.view_bottom, e.view_top, e.min_value,
                                  e.max_value, float(e.loop), float(e.frames), float(e.show_flag),
                                  float(e.grid)};
    };
    EXPECT_EQ(fields(a), fields(b));
    ASSERT_EQ(a.SampleCount(), b.SampleCount());
    for (int i = 0; i < a.SampleCount(); ++i) {
        EXPECT_EQ(a.samples[i].x, b.samples[i].x);
        EXPECT_EQ(a.samples[i].y, b.samples[i].y);
    }
}

TEST_F(EnvelopeFileTest, AnEnvelopeWrittenToAFileReadsBackEqual) {
    Envelope env(48, 2.0f, -4.0f, kNoLimit);
    Pcontrol* a = env.InsertKey(12.0f, -9.0f);  // below the lower limit: clamped samples
    a->tension = 0.25f;
    a->continuity = -0.5f;
    a->bias = 0.75f;
    a->advanced = 1;
    Pcontrol* b = env.InsertKey(30.0f, 6.0f);
    b->type = kKeyTangent;
    b->slope_in = 1.5f;
    b->slope_out = -2.0f;
    env.LastKey()->type = kKeyLinear;
    env.view_x0 = -3;
    env.view_top = 20;
    env.loop = 1;
    env.show_flag = 1;
    env.grid = 0;
    env.Resample();

    const std::string path = dir.File("curve.env");
    ASSERT_TRUE(SaveEnvelopeFile(path.c_str(), &env));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    const std::vector<uint8_t> bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 8u + 4 + 4 * 33 + 16 + 8 + 10);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + 12),
              Bytes().U32(0xCCDDCCDD).F32(2.0f).I32(4).b);

    Envelope read(5, 0, 0, 0);
    ASSERT_TRUE(LoadEnvelopeFile(path.c_str(), &read));
    ExpectSameEnvelope(read, env);
    EXPECT_EQ(platform::MessageBoxCount(), 0);

    // A save that cannot be made leaves nothing behind.
    const std::string nowhere = dir.File("no/such/dir/curve.env");
    EXPECT_FALSE(SaveEnvelopeFile(nowhere.c_str(), &env));
    EXPECT_FALSE(std::filesystem::exists(nowhere));
    EXPECT_EQ(platform::MessageBoxCount(), 1);
}

TEST_F(EnvelopeFileTest, OtherFilesAreRefusedWithTheirMessageAndChangeNothing) {
    const std::string path = dir.File("other.env");
    Envelope env(10, 1.0f, 0, 0);
    env.InsertKey(5.0f, 3.0f);
    auto refused = [&](const Bytes& bytes, const char* message) {
        WriteFileBytes(path, bytes.b);
        platform::ClearMessageBoxes();
        EXPECT_FALSE(LoadEnvelopeFile(path.c_str(), &env));
        EXPECT_EQ(platform::MessageBoxCount(), 1);
        EXPECT_EQ(platform::LastMessageBoxText(), message);
        EXPECT_EQ(env.KeyCount(), 3);
        EXPECT_EQ(env.frames, 10);
    };
    Bytes record;
    record.I32(2);
    record.F32(0).F32(1).F32(0).F32(0).F32(0).F32(0).F32(0).I32(1).U8(0);
    record.F32(20).F32(1).F32(0).F32(0).F32(0).F32(0).F32(0).I32(1).U8(0);
    record.F32(0).F32(21).F32(2).F32(-2).F32(0).F32(0).I32(0).I32(20).U8(0).U8(1);

    refused(Bytes().U32(0xCCDDCCDD).F32(1.0f).Append(record), "Old envelope file");
    refused(Bytes().U32(0xCCDDCCDE).F32(2.0f).Append(record), "Not a valid envelope file");
    refused(Bytes().Text("RIFF"), "Not a valid envelope file");
    refused(Bytes(), "Not a valid envelope file");
    Bytes cut = Bytes().U32(0xCCDDCCDD).F32(2.0f).Append(record);
    cut.b.resize(cut.b.size() - 1);
    refused(cut, "Not a valid envelope file");
    refused(Bytes().U32(0xCCDDCCDD).F32(2.0f).I32(1 << 30), "Not a valid envelope file");

    platform::ClearMessageBoxes();
    EXPECT_FALSE(LoadEnvelopeFile(dir.File("missing.env").c_str(), &env));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error: File " + dir.File("missing.env") + " not found");

    // The same record under the right header is taken.
    WriteFileBytes(path, Bytes().U32(0xCCDDCCDD).F32(2.0f).Append(record).b);
    ASSERT_TRUE(LoadEnvelopeFile(path.c_str(), &env));
    EXPECT_EQ(env.KeyCount(), 2);
    EXPECT_EQ(env.frames, 20);
    EXPECT_EQ(env.SampleCount(), 81);
    EXPECT_EQ(env.samples[80].y, 1.0f);
}

}  // namespace
