#include <gtest/gtest.h>

#include <vector>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

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
    // A file with the default lines up to the numeric controls and these workspace lines.
    std::string DefaultText(const std::string& workspaces = "") const {
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
               "Workspaces:\n" +
               workspaces;
    }

    TempDir dir_;
    std::string saved_app_;
};

TEST_F(ConfigTest, DefaultsAreWrittenInTheFixedLayout) {
    std::string path = dir_.File("undaline.cfg");
    ASSERT_TRUE(config::WriteConfigFile(path.c_str()));
    EXPECT_EQ(ReadFileText(path), DefaultText());
}

TEST_F(ConfigTest, WrittenAndReadBackGivesTheSamePreferencesAndBytes) {
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

    std::string first = dir_.File("first.cfg");
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

TEST_F(ConfigTest, ReadingCapsAndSkipsWhatTheFileCannotHold) {
    struct Case {
        const char* name;
        std::string from, to;
    };
    std::string eleven;
    for (int i = 0; i < 11; ++i) eleven += "/w" + std::to_string(i) + ".ulw\n";
    const Case cases[] = {
        {"grid dimension capped", "Grid dimension:\n100\n", "Grid dimension:\n5000\n"},
        {"grid square capped", "Grid square:\n1.000000\n", "Grid square:\n4000\n"},
        {"upper-case default", "Scene directory:\ndefault\n", "Scene directory:\nDEFAULT\n"},
        {"mixed-case default", "Scene directory:\ndefault\n", "Scene directory:\nDefault\n"},
        {"decimals capped", "2 0.100000\n", "9 0.100000\n"},
        {"eleven workspaces", "Workspaces:\n", "Workspaces:\n" + eleven},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        config::ResetConfiguration();
        std::string text = DefaultText();
        text.replace(text.find(c.from), c.from.size(), c.to);
        std::string path = dir_.File("case.cfg");
        WriteFileText(path, text);
        ASSERT_EQ(config::ReadConfigFile(path.c_str()), config::kConfigRead);
        EXPECT_EQ(prefs.grid_dimension, c.to.find("5000") != std::string::npos ? 1000 : 100);
        EXPECT_EQ(prefs.grid_square, c.to.find("4000") != std::string::npos ? 1000.0f : 1.0f);
        EXPECT_EQ(std::string(scenes_dir), config::DefaultDirectory("scenes"));
        EXPECT_EQ(prefs.decimals, c.to.find("9 0.1") != std::string::npos ? 3 : 2);
        std::string recent[kRecentWorkspaces];
        int n = config::RecentWorkspaces(recent);
        if (c.to.find("/w0.ulw") != std::string::npos) {
            ASSERT_EQ(n, 10);
            EXPECT_EQ(recent[0], "/w9.ulw");  // the last one read is the newest
            EXPECT_EQ(recent[9], "/w0.ulw");
        } else {
            EXPECT_EQ(n, 0);
        }
    }
}

TEST_F(ConfigTest, AFileThatIsNotOursLeavesEveryDefault) {
    std::string base = DefaultText();
    base.replace(base.find("Grid dimension:\n100"), 19, "Grid dimension:\n 77");
    const struct {
        const char* name;
        std::string text;
        config::ReadResult result;
    } cases[] = {
        {"older version", std::string(base).replace(base.find("1.600000"), 8, "1.5"), config::kConfigBroken},
        {"no version line", "Undaline configuration file\nPlease\n", config::kConfigBroken},
        {"empty", "", config::kConfigBroken},
        {"the file as it is", base, config::kConfigRead},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        config::ResetConfiguration();
        std::string path = dir_.File("odd.cfg");
        WriteFileText(path, c.text);
        EXPECT_EQ(config::ReadConfigFile(path.c_str()), c.result);
        EXPECT_EQ(prefs.grid_dimension, c.result == config::kConfigRead ? 77 : 100);
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
