#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "io/particle_files.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "scene/axes.h"
#include "scene/scene.h"
#include "scene/simulation_state.h"

namespace {

namespace fs = std::filesystem;

// What a BIN record keeps of a particle, the velocity with its extra velocity.
std::vector<float> Kept(const Particula* p) {
    const Vector v = p->vel + p->extraVel;
    return {p->pos.x, p->pos.y, p->pos.z, v.x, v.y, v.z, p->force.x, p->force.y, p->force.z,
            p->age, p->isolatedTime, p->density, p->pressure, p->mass, p->temperature};
}

const char kAsciiHead[] =
    "#Undaline Particle data file v.1.0\n"
    "#[id] [x] [y] [z] [vx] [vy] [vz] [radius] [density] [pressure]\n";

class ParticleFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        ClearFluidScene();
        platform::ClearMessageBoxes();
        platform::ResetMessages();
        app_dir_ = platform::AppDir();
    }
    void TearDown() override {
        platform::SetAppDir(app_dir_);
        ClearFluidScene();
        ResetScene();
    }

    TempDir dir;
    std::string app_dir_;
};

TEST_F(ParticleFilesTest, AnEmptyFluidWritesTheHeaderAloneAndFiveTextLines) {
    scene_scale = 2.0f;
    tuniversal = 1.5f;
    frame = 7;
    SetFramesPerSecond(25);
    Fluido* f = MakeEmptyFluid();
    f->type = kFluidViscous;
    f->fullViscosity = 1;
    f->h = 0.25f;
    f->pressureMin = -1.0f;
    f->pressureMax = 5.0f;
    f->speedMin = 0.5f;
    f->speedMax = 3.0f;
    f->temperatureMin = 10.0f;
    f->temperatureMax = 90.0f;

    const std::string bin = dir.File("empty.bin");
    ASSERT_TRUE(f->EscribeBin(bin.c_str()));
    Bytes expected;
    expected.U32(0x00FABADA).Text("Empty").Zeros(245).U16(2).F32(2.0f).U8(3).U8(1).U8(0).U8(0);
    expected.F32(1.5f).I32(7).I32(25).I32(0).F32(0.25f);
    for (float s : {-1.0f, 5.0f, 0.0f, 0.5f, 3.0f, 0.0f, 10.0f, 90.0f, 0.0f}) expected.F32(s);
    ASSERT_EQ(expected.size(), 320u);
    EXPECT_EQ(ReadFileBytes(bin), expected.b);

    const std::string asc = dir.File("empty.asc");
    ASSERT_TRUE(f->EscribeAscii(asc.c_str()));
    EXPECT_EQ(ReadFileText(asc),
              std::string(kAsciiHead) + "frame 7\nparticles 0\nmax.particles 0\n");

    const std::string log = platform::LogText();
    EXPECT_NE(log.find("]\r\nSave: " + bin + "\r\n"), std::string::npos);
    EXPECT_NE(log.find("]\r\nSave: " + asc + "\r\n"), std::string::npos);
    EXPECT_EQ(platform::MessageBoxCount(), 0);
    EXPECT_FALSE(fs::exists(bin + ".tmp"));
}

// Both kinds of record in list order and in the platform's axis order; only BIN is scaled.
TEST_F(ParticleFilesTest, BinRecordsFollowTheAxisOrderAndTheScale) {
    ApplyPlatform(kPlatformMax);  // AX, AY, AZ = 0, 2, 1
    scene_scale = 2.0f;
    frame = 12;
    Fluido* f = MakeEmptyFluid();
    f->h = 0.2f;
    Particula* p = f->CreaParticula(Vector(4, 2, 6), Vector(2, 0, 0));
    p->extraVel = Vector(0, 0, 4);
    p->force = Vector(1, 2, 3);
    p->age = 0.5f;
    p->isolatedTime = 0.25f;
    p->density = 999.0f;
    p->pressure = 3.0f;
    p->mass = 0.45f;
    p->temperature = 20.0f;
    p->altPos = Vector(7, 8, 9);
    f->RemoveParticula(f->CreaParticula(Vector(), Vector()));
    Particula* c = f->CreaParticula(Vector(-1, 0, 0.0625f), Vector(0, 0, 0));
    c->density = 12.5f;
    c->pressure = 0;

    const std::string asc = dir.File("two.asc");
    ASSERT_TRUE(f->EscribeAscii(asc.c_str()));
    EXPECT_EQ(ReadFileText(asc), std::string(kAsciiHead) +
                                     "frame 12\nparticles 2\nmax.particles 3\n"
                                     "3 -1.000 0.062 0.000 0.000 0.000 0.000 0.200 12.500 0.000\n"
                                     "1 4.000 6.000 2.000 2.000 4.000 0.000 0.200 999.000 3.000\n");

    const std::string bin = dir.File("two.bin");
    ASSERT_TRUE(f->EscribeBin(bin.c_str()));
    std::vector<uint8_t> bytes = ReadFileBytes(bin);
    ASSERT_EQ(bytes.size(), 320u + 2 * 68);
    Bytes count;
    count.I32(2);
    EXPECT_TRUE(std::equal(count.b.begin(), count.b.end(), bytes.begin() + 276));
    Bytes record;
    record.F32(2).F32(3).F32(1);  // position / 2: x, z, y
    record.F32(1).F32(2).F32(0);  // (vel + extraVel) / 2
    record.F32(1).F32(3).F32(2);  // force, unscaled
    record.F32(0.5f).F32(0.25f).F32(0.2f).F32(999).F32(3).F32(0.45f).F32(20).I32(1);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 388, bytes.end()), record.b);

    // The alternative position is written as it is, without the scale.
    f->useAltPos = 1;
    ASSERT_TRUE(f->EscribeBin(bin.c_str()));
    bytes = ReadFileBytes(bin);
    Bytes alt;
    alt.F32(7).F32(9).F32(8);
    EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + 388, bytes.begin() + 400), alt.b);
}

TEST_F(ParticleFilesTest, ABinFileReadsBackInReverseOrderWithFreshIds) {
    ApplyPlatform(kPlatformMax);
    scene_scale = 2.0f;
    Fluido* source = MakeEmptyFluid(kFluidElastic);
    source->fullViscosity = 1;
    source->h = 0.125f;
    source->pressureMax = 7.0f;
    source->temperatureMin = -3.0f;
    for (int i = 1; i <= 3; ++i) {
        Particula* p = source->CreaParticula(Vector(i, 2.0f * i, -0.5f * i), Vector(0, i, 0));
        p->extraVel = Vector(0.25f, 0, 0);
        p->force = Vector(i, 0, -i);
        p->age = 0.1f * i;
        p->isolatedTime = 0.5f * i;
        p->density = 900.0f + i;
        p->pressure = 0.75f * i;
        p->mass = 0.45f;
        p->temperature = 30.0f + i;
    }
    const std::string bin = dir.File("round.bin");
    ASSERT_TRUE(source->EscribeBin(bin.c_str()));
    scene_scale = 3.0f;  // a version-2 file brings its own scale

    Fluido* target = MakeEmptyFluid(kFluidGas);
    Particula* old = target->CreaParticula(Vector(), Vector());
    ASSERT_TRUE(target->LoadBinGreg(bin.c_str()));
    EXPECT_EQ((std::vector<float>{float(target->count), float(target->type),
                                  float(target->fullViscosity), target->h, target->cellSize,
                                  target->pressureMax, target->temperatureMin}),
              (std::vector<float>{4, kFluidElastic, 1, 0.125f, 0.25f, 7, -3}));

    std::vector<Particula*> written;
    for (Particula* p = source->First(); p; p = p->next) written.push_back(p);
    Particula* q = target->First();
    for (auto it = written.rbegin(); it != written.rend(); ++it, q = q->next) {
        const Particula* p = *it;
        ASSERT_NE(q, nullptr);
        EXPECT_EQ(Kept(q), Kept(p));
        EXPECT_EQ(q->owner, target);
    }
    EXPECT_EQ(q, old);
    // Ids continue from the fluid's own count, in the order the file is read.
    EXPECT_EQ(target->First()->id, 4);
    EXPECT_EQ(old->id, 1);

    ASSERT_TRUE(target->LoadBinGreg(bin.c_str()));
    EXPECT_EQ(target->count, 7);
    EXPECT_EQ(target->serial, 7);
    EXPECT_EQ(target->First()->id, 7);

    // Version 1: the scene's scale instead of the file's.
    std::vector<uint8_t> bytes = ReadFileBytes(bin);
    bytes[254] = 1;
    WriteFileBytes(bin, bytes);
    ASSERT_TRUE(target->LoadBinGreg(bin.c_str()));
    EXPECT_EQ(target->First()->pos.x, written.back()->pos.x * 1.5f);
}

TEST_F(ParticleFilesTest, BrokenFilesAreRefusedAndTheFluidStaysAsItWas) {
    Fluido* source = MakeEmptyFluid();
    source->CreaParticula(Vector(1, 1, 1), Vector(0, 0, 0));
    source->CreaParticula(Vector(2, 2, 2), Vector(0, 0, 0));
    const std::string good = dir.File("good.bin");
    ASSERT_TRUE(source->EscribeBin(good.c_str()));
    const std::vector<uint8_t> bytes = ReadFileBytes(good);
    ASSERT_EQ(bytes.size(), 320u + 2 * 68u);

    auto with_i32 = [&](size_t at, int32_t v) {
        std::vector<uint8_t> b = bytes;
        Bytes value;
        value.I32(v);
        std::copy(value.b.begin(), value.b.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    auto with_f32 = [&](size_t at, float v) { return with_i32(at, std::bit_cast<int32_t>(v)); };
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
    };
    std::vector<Case> cases = {
        {"last record cut short", std::vector<uint8_t>(bytes.begin(), bytes.end() - 1)},
        {"header cut short", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 100)},
        {"negative count", with_i32(276, -1)},
        {"count beyond any file", with_i32(276, 0x7FFFFFFF)},
        {"position not a number", with_f32(320, nan)},
        {"velocity infinite", with_f32(320 + 68 + 16, inf)},
        {"radius zero", with_f32(320 + 68 + 44, 0.0f)},
        {"radius beyond any fluid", with_f32(320 + 44, 1e30f)},
        {"mass beyond any fluid", with_f32(320 + 56, 1e37f)},  // an infinite density
        {"mass zero", with_f32(320 + 68 + 56, 0.0f)},
        {"unknown fluid type", with_i32(260, 9)},
        {"scale zero", with_f32(256, 0.0f)},
        {"smoothing length not a number", with_f32(280, nan)},
    };
    // A fluid holding one particle, to show that a refused file changes nothing.
    Fluido* target = MakeEmptyFluid(kFluidGas);
    target->h = 0.3f;
    target->CreaParticula(Vector(9, 9, 9), Vector(0, 0, 0));
    selflow = target;
    auto state = [target] {
        return std::vector<float>{float(target->count), float(target->serial), float(target->type),
                                  target->h, target->First() ? target->First()->pos.x : -1};
    };
    const std::vector<float> untouched = {1, 1, kFluidGas, 0.3f, 9};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string path = dir.File("broken.bin");
        WriteFileBytes(path, c.bytes);
        platform::ClearMessageBoxes();
        EXPECT_FALSE(LoadBinIntoSelectedFluid(path.c_str()));
        EXPECT_EQ(platform::MessageBoxCount(), 1);
        EXPECT_EQ(platform::LastMessageBoxText(), "Error reading file");
        EXPECT_EQ(state(), untouched);
    }

    platform::ClearMessageBoxes();
    EXPECT_FALSE(LoadBinIntoSelectedFluid(dir.File("missing.bin").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error reading file");
    EXPECT_EQ(state(), untouched);

    // Bytes after the last record are not the reader's business.
    std::vector<uint8_t> longer = with_i32(276, 1);
    WriteFileBytes(dir.File("longer.bin"), longer);
    EXPECT_TRUE(LoadBinIntoSelectedFluid(dir.File("longer.bin").c_str()));
    EXPECT_EQ(target->count, 2);

    selflow = nullptr;
    platform::ClearMessageBoxes();
    EXPECT_FALSE(LoadBinIntoSelectedFluid(good.c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Please create or select a fluid before");
}

TEST_F(ParticleFilesTest, AFileThatCannotBeWrittenIsReportedAndNothingIsLogged) {
    Fluido* f = MakeEmptyFluid();
    f->CreaParticula(Vector(), Vector());
    const std::string bin = (dir.path() / "no" / "such.bin").string();
    const std::string asc = (dir.path() / "no" / "such.asc").string();

    EXPECT_FALSE(f->EscribeBin(bin.c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "File write error: " + bin);
    EXPECT_FALSE(f->EscribeAscii(asc.c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "File write error: " + asc);
    EXPECT_EQ(platform::MessageBoxCount(), 2);
    EXPECT_EQ(platform::LogText().find("Save:"), std::string::npos);

    platform::ClearMessageBoxes();
    selflow = nullptr;
    EXPECT_FALSE(SaveSelectedFluidBin(dir.File("x.bin").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Please create or select a fluid before");
    selflow = f;
    EXPECT_TRUE(SaveSelectedFluidBin(dir.File("x.bin").c_str()));
    EXPECT_EQ(fs::file_size(dir.File("x.bin")), 388u);
}

std::vector<std::string> g_lwo_calls;
bool g_lwo_result = true;
bool RecordLwo(Fluido*, const char* path) {
    g_lwo_calls.push_back(path);
    return g_lwo_result;
}

TEST_F(ParticleFilesTest, AFramesOutputsAreTheOnesTheFluidAsksFor) {
    Fluido* f = MakeEmptyFluid();
    std::strcpy(f->prefix, "P");
    std::strcpy(f->outDir, dir.path().c_str());
    f->CreaParticula(Vector(), Vector());
    frame = 2;

    f->outBin = 1;
    EXPECT_TRUE(WriteFrameParticleFiles(f));
    EXPECT_TRUE(fs::exists(dir.File("P00002.bin")));
    EXPECT_FALSE(fs::exists(dir.File("P00002.asc")));

    f->outBin = 0;
    f->outAscii = 1;
    f->outLwo = 1;  // no LWO writer installed: that output is skipped
    EXPECT_TRUE(WriteFrameParticleFiles(f));
    EXPECT_TRUE(fs::exists(dir.File("P00002.asc")));

    g_lwo_calls.clear();
    g_lwo_result = true;
    ParticleLwoWriter saved = GetParticleLwoWriter();
    SetParticleLwoWriter(RecordLwo);
    EXPECT_TRUE(WriteFrameParticleFiles(f));
    f->onlyFirstLwo = 1;
    EXPECT_TRUE(WriteFrameParticleFiles(f));  // not frame 0: no LWO
    frame = 0;
    g_lwo_result = false;
    EXPECT_FALSE(WriteFrameParticleFiles(f));
    SetParticleLwoWriter(saved);
    EXPECT_EQ(g_lwo_calls, (std::vector<std::string>{dir.File("P002.lwo"), dir.File("P000.lwo")}));
    EXPECT_TRUE(fs::exists(dir.File("P00000.asc")));  // the others are written all the same

    // Names join directory, prefix and the offset frame (its size for LWO); without a
    // directory the program's own, and a Windows path in its Unix form.
    std::strcpy(f->prefix, "Drop");
    f->frameOffset = 10;
    const std::string d = dir.path().string() + "/";
    const struct {
        int frame;
        ParticleFileKind kind;
        std::string name;
    } names[] = {{3, kParticleBin, d + "Drop00013.bin"},  {3, kParticleAscii, d + "Drop00013.asc"},
                 {3, kParticleLwo, d + "Drop013.lwo"},    {-5, kParticleLwo, d + "Drop005.lwo"},
                 {110, kParticleLwo, d + "Drop120.lwo"}, {110, kParticleBin, d + "Drop00120.bin"}};
    for (const auto& n : names) {
        frame = n.frame;
        EXPECT_EQ(ParticleFrameName(f, n.kind), n.name);
    }
    platform::SetAppDir("/opt/undaline");
    f->outDir[0] = '\0';
    EXPECT_EQ(ParticleFrameName(f, kParticleAscii), "/opt/undaline/Drop00120.asc");
    std::strcpy(f->outDir, "C:\\renders\\drop");
    EXPECT_EQ(ParticleFrameName(f, kParticleBin), "/renders/drop/Drop00120.bin");
}

}  // namespace
