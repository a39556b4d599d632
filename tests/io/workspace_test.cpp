#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>


#include "byte_builder.h"
#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "fluid_scenes.h"
#include "io/class_lookup.h"
#include "io/workspace.h"
#include "node_class.h"
#include "platform/message_box.h"
#include "platform/workspace_file.h"
#include "scene/daemon.h"
#include "scene/axes.h"
#include "scene/creador.h"
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

ClassOf<Breeze> g_breeze(kClassDaemon, 9301, "Breeze");
ClassOf<Breeze> g_gust(kClassDaemon, 9302, "Gust");
ClassOf<Breeze> g_gale(kClassDaemon, 9303, "Gale");

class WorkspaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        platform::ClearMessageBoxes();
        RegisterSupportClasses();
        RegisterInProcessClass(&g_breeze);
        RegisterInProcessClass(&g_gust);
        RegisterInProcessClass(&g_gale);
    }
    void TearDown() override {
        ResetScene();
        ResetViewSettings();
        RegisterInProcessClass(&g_breeze);
    }
    std::string Path(const char* name) { return scratch.File(name); }

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
    TempDir scratch;
    const fs::path dir = scratch.path();
};

TEST_F(WorkspaceTest, ASavedSceneLoadsBackAndSavesToTheSameBytes) {
    BuildScene();
    scene_scale = 1.5f;
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    ResetScene();
    ResetViewSettings();
    static std::string shown;
    GetWorkspaceHooks().scale_factor = [](const char* text) { shown = text; };
    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));
    GetWorkspaceHooks().scale_factor = nullptr;
    EXPECT_EQ(shown, " 1.50");  // the scale factor is shown after a load

    // A field neither written nor read would still save to the same bytes: these catch it.
    ASSERT_EQ(CountFluids(), 2);
    ASSERT_EQ(CountDaemons(), 2);
    Fluido* jelly = rootflow;
    Fluido* water = jelly->next;
    Breeze* a = static_cast<Breeze*>(FirstDaemon());
    Breeze* b = static_cast<Breeze*>(NextDaemon(a));
    ASSERT_NE(jelly->viscosity.envelope, nullptr);
    EXPECT_EQ((std::vector<float>{float(jelly->count), float(jelly->type), jelly->lifeTime,
                                  float(jelly->viscosity.animated),
                                  float(jelly->viscosity.envelope->frames),
                                  float(water->First()->frozen), water->First()->pos.y, a->strength,
                                  a->pos.x, float(b->gusts), float(b->enabled),
                                  float(FramesPerSecond()), float(sim_settings.max_frames),
                                  float(camera.azimuth), float(frame), tuniversal}),
              (std::vector<float>{12, kFluidElastic, 9.5f, 1, 40, 7, 2, 2.5f, 1, 4, 0, 25, 77, 123,
                                  12, 0.5f}));
    EXPECT_STREQ(jelly->outDir, "renders/jelly");
    EXPECT_STREQ(view_settings.message, "take 3");
    EXPECT_NE(jelly->First()->springs, nullptr);
    EXPECT_EQ(std::vector<Daemon*>(jelly->daemons, jelly->daemons + jelly->numDaemons),
              (std::vector<Daemon*>{b, a}));
    EXPECT_EQ(std::vector<Fluido*>(water->linkedFluids, water->linkedFluids + water->numLinkedFluids),
              std::vector<Fluido*>{jelly});

    ASSERT_TRUE(SaveWorkspace(Path("b.ulw").c_str()));
    EXPECT_EQ(ReadFileText(Path("a.ulw")), ReadFileText(Path("b.ulw")));

    // A save that fails keeps the previous file.
    EXPECT_FALSE(SaveWorkspace((dir / "no" / "such.ulw").string().c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Saving workspace: globalfile error");
    EXPECT_EQ(ReadFileText(Path("a.ulw")), ReadFileText(Path("b.ulw")));
}

TEST_F(WorkspaceTest, AnEmptySceneHasCountsOfZeroInEverySection) {
    ASSERT_TRUE(SaveWorkspace(Path("empty.ulw").c_str()));
    std::string bytes = ReadFileText(Path("empty.ulw"));
    auto count_after = [&](uint32_t tag) {
        const char t[4] = {char(tag & 0xFF), char(tag >> 8 & 0xFF), char(tag >> 16 & 0xFF),
                           char(tag >> 24)};
        size_t at = bytes.find(std::string(t, 4));
        EXPECT_NE(at, std::string::npos);
        int32_t n;
        std::memcpy(&n, bytes.data() + at + 4, 4);
        return n;
    };
    for (uint32_t tag : {kTagObjects, kTagFluids, kTagDaemons, kTagMeshes}) {
        EXPECT_EQ(count_after(tag), 0) << tag;
    }
    EXPECT_EQ(bytes.compare(0, 4, "\xA0\xDA\xBA\xFA"), 0);
    EXPECT_EQ(bytes[4], 37);
}

TEST_F(WorkspaceTest, OnlyTheTextOfANameReachesTheFileNotWhatItsBufferHeldBefore) {
    std::strcpy(sim_settings.backup_file, "/a/long/and/private/folder/backup.ulw");
    sim_settings.backup_file[0] = '\0';
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    EXPECT_EQ(ReadFileText(Path("a.ulw")).find("private"), std::string::npos);
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

// A file that fails anywhere is refused whole, with its section's message, and the scene
// from before the load is still there, byte for byte.
TEST_F(WorkspaceTest, BrokenFilesAreRefusedAndTheSceneBeforeStays) {
    BuildScene();
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    const std::string bytes = ReadFileText(Path("a.ulw"));
    auto put_i32 = [](std::string b, size_t at, int32_t v) {
        std::memcpy(b.data() + at, &v, 4);
        return b;
    };
    auto after_tag = [&](uint32_t tag) {
        return bytes.find(std::string(reinterpret_cast<const char*>(&tag), 4)) + 4;
    };
    const size_t settings = after_tag(kTagSettings);
    const struct {
        std::string file;
        std::string message;
    } cases[] = {
        {"PK\x03\x04 not a workspace", "This is not a valid Undaline file"},
        {std::string("\xA0\xDA\xBA\xFA\x1F\0\0\0", 8), "Obsolete version"},
        {bytes.substr(0, 40), "Error reading scene data chunk"},
        {bytes.substr(0, bytes.size() / 3), ""},  // inside a fluid record: its own message
        {bytes.substr(0, bytes.size() / 2), ""},
        {bytes.substr(0, bytes.size() - 5), "Error reading window data chunk"},
        {put_i32(bytes, 4, 38),
         "This workspace was saved by a newer version of Undaline (file version 38); this "
         "version reads files up to version 37"},
        {put_i32(bytes, settings, 1 << 30),
         "Frame rate out of range: 1073741824 frames per second (1 to 10000)"},
        {put_i32(bytes, settings, 0), "Frame rate out of range: 0 frames per second (1 to 10000)"},
        {put_i32(bytes, settings + 12, 0), "Error reading settings data chunk"},  // smallest step
        {put_i32(bytes, after_tag(kTagFluids), 1000), "Error reading fluid data chunk"},
    };
    for (const auto& c : cases) {
        WriteFileText(Path("bad.ulw"), c.file);
        EXPECT_FALSE(LoadWorkspace(Path("bad.ulw").c_str())) << c.message;
        if (!c.message.empty()) {
            EXPECT_EQ(platform::LastMessageBoxText(), c.message);
        }
        EXPECT_FALSE(platform::WorkspaceFileOpen());
        ASSERT_TRUE(SaveWorkspace(Path("b.ulw").c_str()));
        EXPECT_TRUE(ReadFileText(Path("b.ulw")) == bytes) << c.message;
    }
    EXPECT_FALSE(LoadWorkspace(Path("missing.ulw").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error reading workspace: " + Path("missing.ulw"));
    EXPECT_EQ(frame, 12);
}

// Positions in the file name items of the file; a record passed over names nothing.
TEST_F(WorkspaceTest, LinksFindTheirItemsWhenRecordsBeforeThemArePassedOver) {
    ClassOf<Creador> lost(kClassEmitter, 9310, "Lost");
    RegisterInProcessClass(&lost);
    Fluido* gone = CreaFluido(&lost);
    Fluido* water = MakeEmptyFluid();
    Fluido* jelly = MakeEmptyFluid();
    Daemon* unknown = CreaDaemon(&g_breeze);
    Daemon* ground = CreaDaemon(&g_gust);
    Daemon* kill = CreaDaemon(&g_gale);
    LinkDaemon(gone, kill);
    LinkFluid(gone, jelly);
    LinkDaemon(water, ground);
    LinkDaemon(jelly, unknown);
    LinkDaemon(jelly, kill);
    LinkFluid(jelly, water);
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    ResetScene();
    UnregisterInProcessClass(&lost);
    UnregisterInProcessClass(&g_breeze);

    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));
    EXPECT_EQ(platform::LastMessageBoxText(), "Error loading fluid");
    ASSERT_EQ(CountFluids(), 2);
    ASSERT_EQ(CountDaemons(), 2);
    water = rootflow;
    jelly = water->next;
    ground = FirstDaemon();
    kill = NextDaemon(ground);
    EXPECT_EQ(kill->descriptor, &g_gale);
    ASSERT_EQ(water->numDaemons, 1);
    EXPECT_EQ(water->daemons[0], ground);
    EXPECT_EQ(water->numLinkedFluids, 0);
    ASSERT_EQ(jelly->numDaemons, 1);
    EXPECT_EQ(jelly->daemons[0], kill);
    ASSERT_EQ(jelly->numLinkedFluids, 1);
    EXPECT_EQ(jelly->linkedFluids[0], water);
}

// Each envelope may be long, but a file cannot make every one of them as long as that.
TEST_F(WorkspaceTest, EnvelopesShareOneBudgetOfFrames) {
    for (int frames : {4321, 4322}) {
        Fluido* f = MakeEmptyFluid();
        f->viscosity.envelope = new Envelope(frames, 15.0f, 0.0f, 0.0f);
        f->viscosity.animated = 1;
    }
    ASSERT_TRUE(SaveWorkspace(Path("a.ulw").c_str()));
    std::string bytes = ReadFileText(Path("a.ulw"));
    ResetScene();
    for (int32_t frames : {4321, 4322}) {
        const size_t at = bytes.find(std::string(reinterpret_cast<const char*>(&frames), 4));
        ASSERT_NE(at, std::string::npos);
        const int32_t longer = 600000;  // within one envelope's limit, not within two
        std::memcpy(bytes.data() + at, &longer, 4);
    }
    WriteFileText(Path("long.ulw"), bytes);
    EXPECT_FALSE(LoadWorkspace(Path("long.ulw").c_str()));
    EXPECT_EQ(platform::MessageBoxCount(), 2);  // the budget, then the fluid it was part of
    EXPECT_EQ(CountFluids(), 0);
    ASSERT_TRUE(LoadWorkspace(Path("a.ulw").c_str()));
    EXPECT_EQ(rootflow->next->viscosity.envelope->frames, 4322);
}

}  // namespace
