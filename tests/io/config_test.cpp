#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "io/config.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "scene/axes.h"
#include "scene/preferences.h"
#include "scene/scene.h"

namespace {

class ConfigTest : public ::testing::Test {
protected:
    void SetUp() override {
        saved_app_ = platform::AppDir();
        platform::SetAppDir(dir_.File("app"));
        ResetScene();
        config::ResetConfiguration();
        platform::ResetMessages();
    }
    void TearDown() override {
        platform::SetAppDir(saved_app_);
        config::ResetConfiguration();
    }
    // A file of the default lines, no workspace among them.
    std::string DefaultText() const {
        return "Undaline configuration file\n"
               "Please, don't change the order neither remove the following lines\n"
               "1.600000\n"
               "Platform (1=LW 2=MAX 3=SI 4=MAYA):\n1\n"
               "Background color:\n0.000000 0.000000 0.000000\n"
               "Grid dimension:\n100\n"
               "Grid square:\n1.000000\n"
               "Object back face culling:\n0\n"
               "Display only at frames:\n0\n"
               "Scene scale factor:\n1.000000\n"
               "Plug-ins directory:\ndefault\n"
               "Scene directory:\ndefault\n"
               "Objects directory:\ndefault\n"
               "Numeric controls:\n1 1\n2 0.100000\n"
               "Workspaces:\n";
    }

    TempDir dir_;
    std::string saved_app_;
};

TEST_F(ConfigTest, WrittenAndReadBackGivesTheSamePreferencesAndBytes) {
    // The defaults, in the fixed layout.
    std::string first = dir_.File("first.cfg");
    ASSERT_TRUE(config::WriteConfigFile(first.c_str()));
    EXPECT_EQ(ReadFileText(first), DefaultText());

    host_platform = 3;
    background_colour = Vector(0.25f, 0.5f, 1.0f);
    prefs.grid_dimension = 40;
    prefs.grid_square = 0.5f;
    backface_culling = 1;
    prefs.display_only_at_frames = 1;
    scene_scale = 2.5f;
    platform::CopyText(scenes_dir, kConfigPathSize, "/home/an artist/my scenes");
    platform::CopyText(objects_dir, kConfigPathSize, config::DefaultDirectory("OBJECTS").c_str());
    prefs.auto_selection = 0;
    prefs.decimals = 3;
    prefs.scrolling_step = 0.25f;
    for (const char* w : {"/a/one.ulw", "/b/two words.ulw", "/c/three.ulw"}) config::AddRecentWorkspace(w);

    ASSERT_TRUE(config::WriteConfigFile(first.c_str()));
    std::string text = ReadFileText(first);
    // Directories equal to the defaults (whatever their case) are written as "default"; paths
    // end with a NUL before their newline.
    EXPECT_NE(text.find("Objects directory:\ndefault\n"), std::string::npos);
    EXPECT_NE(text.find("Scene directory:\n/home/an artist/my scenes\n"), std::string::npos);
    EXPECT_NE(text.find(std::string("/a/one.ulw\0\n/b/two words.ulw\0\n/c/three.ulw\0\n", 44)),
              std::string::npos);

    config::ResetConfiguration();
    ASSERT_EQ(config::ReadConfigFile(first.c_str()), config::kConfigRead);
    EXPECT_EQ((std::vector<float>{float(host_platform), background_colour.y,
                                  float(prefs.grid_dimension), prefs.grid_square,
                                  float(backface_culling), float(prefs.display_only_at_frames),
                                  scene_scale, float(prefs.auto_selection),
                                  float(prefs.click_hold_drag), float(prefs.decimals),
                                  prefs.scrolling_step}),
              (std::vector<float>{3, 0.5f, 40, 0.5f, 1, 1, 2.5f, 0, 1, 3, 0.25f}));
    EXPECT_STREQ(scenes_dir, "/home/an artist/my scenes");
    EXPECT_EQ(std::string(objects_dir), config::DefaultDirectory("objects"));
    std::string recent[kRecentWorkspaces];
    ASSERT_EQ(config::RecentWorkspaces(recent), 3);
    EXPECT_EQ(recent[0], "/c/three.ulw");
    EXPECT_EQ(recent[2], "/a/one.ulw");

    std::string second = dir_.File("second.cfg");
    ASSERT_TRUE(config::WriteConfigFile(second.c_str()));
    EXPECT_EQ(ReadFileText(second), text);
}

// Values are capped, and a file that is not ours (or not whole) leaves every default. The
// base file's grid of " 77" shows whether anything was read.
TEST_F(ConfigTest, ReadingCapsAndSkipsWhatTheFileCannotHold) {
    std::string base = DefaultText();
    base.replace(base.find("Grid dimension:\n100"), 19, "Grid dimension:\n 77");
    auto with = [&](const std::string& from, const std::string& to) {
        return std::string(base).replace(base.find(from), from.size(), to);
    };
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += "/w" + std::to_string(i) + ".ulw\n";
    const config::ReadResult read = config::kConfigRead, broken = config::kConfigBroken;
    const struct {
        const char* name;
        std::string text;
        config::ReadResult result;
        std::vector<float> grid_square_decimals_recent;
    } cases[] = {
        {"the file as it is", base, read, {77, 1, 2, 0}},
        {"grid dimension capped", with(" 77", "5000"), read, {1000, 1, 2, 0}},
        {"grid square capped", with("Grid square:\n1.000000", "Grid square:\n4000"), read,
         {77, 1000, 2, 0}},
        {"upper-case default", with("Scene directory:\ndefault", "Scene directory:\nDEFAULT"), read,
         {77, 1, 2, 0}},
        {"mixed-case default", with("Scene directory:\ndefault", "Scene directory:\nDefault"), read,
         {77, 1, 2, 0}},
        {"decimals capped", with("2 0.100000", "9 0.100000"), read, {77, 1, 3, 0}},
        {"eleven workspaces", with("Workspaces:\n", "Workspaces:\n" + eleven), read,
         {77, 1, 2, 10}},
        {"older version", with("1.600000", "1.5"), broken, {100, 1, 2, 0}},
        {"cut after two lines", "Undaline configuration file\nPlease\n", broken, {100, 1, 2, 0}},
        {"empty", "", broken, {100, 1, 2, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        config::ResetConfiguration();
        const std::string path = dir_.File("case.cfg");
        WriteFileText(path, c.text);
        EXPECT_EQ(config::ReadConfigFile(path.c_str()), c.result);
        std::string recent[kRecentWorkspaces];
        const int n = config::RecentWorkspaces(recent);
        EXPECT_EQ((std::vector<float>{float(prefs.grid_dimension), prefs.grid_square,
                                      float(prefs.decimals), float(n)}),
                  c.grid_square_decimals_recent);
        EXPECT_EQ(std::string(scenes_dir), config::DefaultDirectory("scenes"));
        if (n == 10) {
            EXPECT_EQ(recent[0], "/w9.ulw");  // the last one read is the newest
            EXPECT_EQ(recent[9], "/w0.ulw");
        }
    }
    EXPECT_EQ(config::ReadConfigFile(dir_.File("none.cfg").c_str()), config::kConfigMissing);
}

TEST_F(ConfigTest, StartUpCorrectsTheScaleAndAnUnknownPlatform) {
    std::string text = DefaultText();
    text.replace(text.find("Scene scale factor:\n1.000000"), 28, "Scene scale factor:\n-2");
    text.replace(text.find("MAYA):\n1"), 8, "MAYA):\n9");
    std::string path = dir_.File("bad.cfg");
    WriteFileText(path, text);
    ASSERT_EQ(config::ReadConfigFile(path.c_str()), config::kConfigRead);
    EXPECT_EQ(scene_scale, -2.0f);
    config::ApplyConfiguration();
    EXPECT_EQ(scene_scale, 1.0f);
    EXPECT_EQ(host_platform, kPlatformLightwave);
    EXPECT_NE(platform::LogText().find("Error in scale scene. Control is reset to 1.0"), std::string::npos);
}

TEST_F(ConfigTest, AFailedWriteSaysSoAndLeavesTheOldFile) {
    std::string path = dir_.File("keep.cfg");
    WriteFileText(path, "old");
    std::filesystem::create_directories(dir_.File("blocked"));
    std::string blocked = dir_.File("blocked/sub/undaline.cfg");
    EXPECT_FALSE(config::WriteConfigFile(blocked.c_str()));
    EXPECT_NE(platform::LogText().find("Error writing configuration file"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(blocked));
    EXPECT_EQ(ReadFileText(path), "old");
}

TEST_F(ConfigTest, TheRingKeepsTenNewestFirstWithoutRepeats) {
    for (int i = 0; i < 12; ++i) config::AddRecentWorkspace(("/s" + std::to_string(i) + ".ulw").c_str());
    config::AddRecentWorkspace("/s5.ulw");
    std::string recent[kRecentWorkspaces];
    ASSERT_EQ(config::RecentWorkspaces(recent), 10);
    EXPECT_EQ(recent[0], "/s5.ulw");
    EXPECT_EQ(recent[1], "/s11.ulw");
    EXPECT_EQ(recent[9], "/s2.ulw");  // s0 and s1 fell out of the ring
}

}  // namespace
