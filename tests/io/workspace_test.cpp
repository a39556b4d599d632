#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <unistd.h>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "fluid_scenes.h"
#include "io/class_lookup.h"
#include "io/workspace.h"
#include "platform/message_box.h"
#include "platform/workspace_file.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/envelope.h"
#include "scene/scene.h"
#include "scene/simulation_state.h"
#include "scene/view_settings.h"

namespace {

namespace fs = std::filesystem;

struct Breeze : Daemon {
    int Save() override {
        return Nodo::Save() && platform::WriteF32(strength) && platform::WriteI32(gusts);
    }
    int Load() override {
        return Nodo::Load() && platform::ReadF32(&strength) && platform::ReadI32(&gusts);
    }
    float strength = 1.0f;
    int32_t gusts = 0;
};

class BreezeClass final : public Descriptor {
public:
    BreezeClass(int id, const char* n) {
        kind = kClassDaemon;
        class_id = id;
        std::strcpy(name, n);
    }
    Nodo* Create() override { return new Breeze; }
};
BreezeClass g_breeze(9301, "Breeze");
BreezeClass g_gust(9302, "Gust");

std::string ReadAll(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        platform::ClearMessageBoxes();
        RegisterSupportClasses();
        RegisterInProcessClass(&g_breeze);
        RegisterInProcessClass(&g_gust);
        dir = fs::temp_directory_path() / ("undaline_ws_test_" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override {
        ResetScene();
        ResetViewSettings();
        RegisterInProcessClass(&g_breeze);
        fs::remove_all(dir);
    }
    std::string Path(const char* name) { return (dir / name).string(); }

    // A scene with a little of everything a workspace keeps.
    void BuildScene() {
        BlockSpec spec;
        spec.nx = 3;
        spec.ny = 2;
        spec.nz = 2;
        spec.spacing = 0.06f;
        Fluido* jelly = MakeBlockFluid(spec, kFluidElastic);
        jelly->autoRepulsion = 1;
        jelly->killByAge = 1;
        jelly->lifeTime = 9.5f;
        std::strcpy(jelly->outDir, "renders/jelly");
        jelly->viscosity.envelope = new Envelope(40, 15.0f, 0.0f, 0.0f);
        jelly->viscosity.animated = 1;
        Fluido* water = MakeEmptyFluid();
        water->CreaParticula(Vector(1, 2, 3), Vector(0, -1, 0))->frozen = 7;
        for (int i = 0; i < 3; ++i) StepFluids(0.001f);

        Breeze* a = static_cast<Breeze*>(CreaDaemon(&g_breeze));
        Breeze* b = static_cast<Breeze*>(CreaDaemon(&g_gust));
        a->strength = 2.5f;
        a->pos.Set(1, 0, 0);
        b->gusts = 4;
        b->enabled = 0;
        LinkDaemon(jelly, b);
        LinkDaemon(jelly, a);
        LinkDaemon(water, a);
        LinkFluid(water, jelly);

        SetSimulationFps(25);
        sim_settings.max_frames_on = true;
        sim_settings.max_frames = 77;
        sim_settings.time_step_factor = 0.75f;
        std::strcpy(sim_settings.backup_file, "backup.ulw");
        camera.azimuth = 123;
        camera.zoom[1] = 4.5f;
        view_settings.view_grid = 0;
        std::strcpy(view_settings.message, "take 3");
        tuniversal = 0.5f;
        frame = 12;
    }
    fs::path dir;
};

TEST_F(WorkspaceTest, ASavedSceneLoadsBackAndSavesToTheSameBytes) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    ResetScene();
    ResetViewSettings();
    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));

    ASSERT_EQ(CountFluids(), 2);
    Fluido* jelly = rootflow;
    Fluido* water = jelly->next;
    EXPECT_EQ(jelly->count, 12);
    EXPECT_EQ(jelly->type, kFluidElastic);
    EXPECT_EQ(jelly->lifeTime, 9.5f);
    EXPECT_STREQ(jelly->outDir, "renders/jelly");
    EXPECT_TRUE(jelly->viscosity.animated);
    ASSERT_NE(jelly->viscosity.envelope, nullptr);
    EXPECT_EQ(jelly->viscosity.envelope->frames, 40);
    EXPECT_NE(jelly->First()->springs, nullptr);
    EXPECT_EQ(water->First()->frozen, 7);
    EXPECT_EQ(water->First()->pos.y, 2.0f);
    ASSERT_EQ(CountDaemons(), 2);
    Breeze* a = static_cast<Breeze*>(FirstDaemon());
    Breeze* b = static_cast<Breeze*>(NextDaemon(a));
    EXPECT_EQ(a->strength, 2.5f);
    EXPECT_EQ(a->pos.x, 1.0f);
    EXPECT_EQ(b->gusts, 4);
    EXPECT_EQ(b->enabled, 0);
    ASSERT_EQ(jelly->numDaemons, 2);
    EXPECT_EQ(jelly->daemons[0], b);
    EXPECT_EQ(jelly->daemons[1], a);
    ASSERT_EQ(water->numLinkedFluids, 1);
    EXPECT_EQ(water->linkedFluids[0], jelly);
    EXPECT_EQ(FramesPerSecond(), 25);
    EXPECT_EQ(sim_settings.max_frames, 77);
    EXPECT_EQ(camera.azimuth, 123);
    EXPECT_STREQ(view_settings.message, "take 3");
    EXPECT_EQ(frame, 12);
    EXPECT_EQ(tuniversal, 0.5f);

    ASSERT_TRUE(SaveWorkspace(Path("b.ulw").c_str()));
    EXPECT_EQ(ReadAll(Path("a.ulw")), ReadAll(Path("b.ulw")));
}

TEST_F(WorkspaceTest, AnEmptySceneHasCountsOfZeroInEverySection) {
    ASSERT_TRUE(SaveWorkspace(Path("empty.ulw").c_str()));
    std::string bytes = ReadAll(Path("empty.ulw"));
    auto count_after = [&](uint32_t tag) {
        const char t[4] = {char(tag & 0xFF), char(tag >> 8 & 0xFF), char(tag >> 16 & 0xFF),
                           char(tag >> 24)};
        size_t at = bytes.find(std::string(t, 4));
        EXPECT_NE(at, std::string::npos);
        int32_t n;
        std::memcpy(&n, bytes.data() + at + 4, 4);
        return n;
    };
    EXPECT_EQ(count_after(kTagObjects), 0);
    EXPECT_EQ(count_after(kTagFluids), 0);
    EXPECT_EQ(count_after(kTagDaemons), 0);
    EXPECT_EQ(count_after(kTagMeshes), 0);
    EXPECT_EQ(bytes.compare(0, 4, "\xA0\xDA\xBA\xFA"), 0);
    EXPECT_EQ(bytes[4], 37);
}

TEST_F(WorkspaceTest, OnlyTheTextOfANameReachesTheFileNotWhatItsBufferHeldBefore) {
    std::strcpy(sim_settings.backup_file, "/a/long/and/private/folder/backup.ulw");
    sim_settings.backup_file[0] = '\0';
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    EXPECT_EQ(ReadAll(Path("a.ulw")).find("private"), std::string::npos);
}

TEST_F(WorkspaceTest, ForeignAndOldFilesAreRefusedAndTheSceneStays) {
    BuildScene();
    { std::ofstream(Path("foreign.ulw"), std::ios::binary) << "PK\x03\x04 not a workspace"; }
    EXPECT_FALSE(LoadWorkspace(Path("foreign.ulw").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "This is not a valid Undaline file");
    EXPECT_EQ(CountFluids(), 2);
    EXPECT_EQ(CountDaemons(), 2);

    const unsigned char old_header[] = {0xA0, 0xDA, 0xBA, 0xFA, 31, 0, 0, 0};
    {
        std::ofstream out(Path("old.ulw"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(old_header), sizeof old_header);
    }
    EXPECT_FALSE(LoadWorkspace(Path("old.ulw").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Obsolete version");
    EXPECT_EQ(CountFluids(), 2);

    EXPECT_FALSE(LoadWorkspace(Path("missing.ulw").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(),
              "Error reading workspace: " + Path("missing.ulw"));
    EXPECT_EQ(frame, 12);
}

TEST_F(WorkspaceTest, ADaemonOfAClassNotLoadedIsSkippedAndTheNextLoads) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    UnregisterInProcessClass(&g_breeze);
    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));
    ASSERT_EQ(CountDaemons(), 1);
    Breeze* gust = static_cast<Breeze*>(FirstDaemon());
    EXPECT_EQ(gust->descriptor, &g_gust);
    EXPECT_EQ(gust->gusts, 4);
    EXPECT_EQ(CountFluids(), 2);
}

TEST_F(WorkspaceTest, TruncatedFilesLoadWhatTheyHoldWithoutHarm) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    std::string bytes = ReadAll(Path("a.ulw"));
    for (size_t cut : {size_t(40), bytes.size() / 3, bytes.size() / 2, bytes.size() - 5}) {
        {
            std::ofstream out(Path("cut.ulw"), std::ios::binary);
            out.write(bytes.data(), static_cast<std::streamsize>(cut));
        }
        EXPECT_TRUE(LoadWorkspace(Path("cut.ulw").c_str()));
        EXPECT_FALSE(platform::WorkspaceFileOpen());
        for (Fluido* f = rootflow; f; f = f->next) EXPECT_TRUE(ValidaLinks(f));
    }
}

TEST_F(WorkspaceTest, AFailedSaveKeepsThePreviousFile) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    std::string before = ReadAll(Path("a.ulw"));
    EXPECT_FALSE(SaveWorkspace((dir / "no" / "such.ulw").string().c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Saving workspace: globalfile error");
    EXPECT_EQ(ReadAll(Path("a.ulw")), before);
}

}  // namespace
