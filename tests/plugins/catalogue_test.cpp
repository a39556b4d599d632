#include <string>
#include <vector>

#include "platform/messages.h"
#include "plugin_fixture.h"

namespace {

using Messages = std::vector<std::string>;

TEST_F(PluginTest, AScanCataloguesEveryReadableLibraryInNameOrder) {
    std::string good = Install(PLUGIN_GOOD, "a_good.so");
    std::string first = Install(PLUGIN_DUP_FIRST, "b_vortex.so");
    std::string second = Install(PLUGIN_DUP_SECOND, "c_vortex.so");
    std::string unknown = Install(PLUGIN_UNKNOWN_KIND, "d_unknown.so");
    Install(PLUGIN_MISSING_EXPORT, "e_missing.so");
    std::string rejected = Install(PLUGIN_ALL_REJECTED, "f_rejected.so");
    WriteFileText(dir / "g_broken.so", "not a library at all");
    WriteFileText(dir / "notes.txt", "ignored");

    ASSERT_TRUE(ScanPlugins());
    // The library without ExDllVersion and the file that is no library are left out.
    ASSERT_EQ(PluginLibraryCount(), 5);
    const char* order[] = {"a_good.so", "b_vortex.so", "c_vortex.so", "d_unknown.so",
                           "f_rejected.so"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(PluginLibraryAt(i)->file, order[i]);
    EXPECT_EQ(PluginLibraryAt(5), nullptr);

    const PluginLibrary* lib = PluginLibraryAt(0);
    EXPECT_FLOAT_EQ(lib->version, 1.25f);
    EXPECT_EQ(lib->info.name, "a_good.so");
    EXPECT_EQ(lib->info.size, fs::file_size(good));
    ASSERT_EQ(lib->classes.size(), 3u);
    const PluginClass& wind = lib->classes[0];
    EXPECT_EQ((std::vector<std::string>{wind.name, wind.label, wind.description, wind.details,
                                        wind.stamp}),
              (std::vector<std::string>{"Wind", "Wind", "A class the tests load.", "test build", "T"}));
    EXPECT_EQ((std::vector<float>{float(wind.kind), float(wind.class_id), wind.version}),
              (std::vector<float>{kClassDaemon, 3, 1.5f}));
    EXPECT_EQ(lib->classes[2].class_id, 102);
    EXPECT_EQ(lib->classes[2].index, 2);
    EXPECT_TRUE(lib->rejected.empty());

    // Two libraries claim class 7: the first scanned keeps it.
    EXPECT_EQ(PluginLibraryAt(1)->classes.size(), 1u);
    EXPECT_STREQ(PluginLibraryAt(1)->classes[0].name, "Vortex");
    EXPECT_EQ(PluginLibraryAt(2)->rejected, Messages{"Duplicated class id 7"});
    ASSERT_EQ(PluginLibraryAt(2)->classes.size(), 1u);
    EXPECT_EQ(PluginLibraryAt(2)->classes[0].class_id, 8);
    EXPECT_EQ(PluginLibraryAt(2)->classes[0].index, 1);  // its place in the library

    EXPECT_EQ(PluginLibraryAt(3)->rejected, Messages{"Unknown class id"});
    ASSERT_EQ(PluginLibraryAt(3)->classes.size(), 1u);
    EXPECT_EQ(PluginLibraryAt(3)->classes[0].class_id, 31);

    // Nothing accepted: still a record, with its messages.
    const PluginLibrary* none = PluginLibraryAt(4);
    EXPECT_TRUE(none->classes.empty());
    EXPECT_EQ(none->rejected,
              (Messages{"Unknown class id", "Duplicated class id 3", "Unknown class id"}));

    // A scan leaves every library unloaded.
    for (int i = 0; i < 5; ++i) EXPECT_EQ(PluginLibraryAt(i)->module, nullptr);
    for (const std::string& path : {good, first, second, unknown, rejected}) {
        EXPECT_FALSE(IsLoaded(path)) << path;
    }

    int position = -1;
    EXPECT_EQ(FindPluginClass(8, &position), PluginLibraryAt(2));
    EXPECT_EQ(position, 0);
    EXPECT_EQ(FindPluginClass(7), PluginLibraryAt(1));
    EXPECT_EQ(FindPluginClass(30), nullptr);  // refused classes cannot be found
    EXPECT_EQ(FindPluginClass(40), nullptr);  // nor those of a library left out

    // A rescan replaces the catalogue: a directory without libraries (a directory named like
    // one does not count) leaves it empty, and a missing directory is no failure.
    for (const std::string& path : {good, first, second, unknown, rejected}) fs::remove(path);
    fs::remove(dir / "e_missing.so");
    fs::remove(dir / "g_broken.so");
    fs::create_directory(dir / "folder.so");
    EXPECT_FALSE(ScanPlugins());
    EXPECT_EQ(PluginLibraryCount(), 0);
    EXPECT_EQ(FindPluginClass(3), nullptr);
    SetPluginsDirectory((dir / "nowhere").string());
    EXPECT_TRUE(ScanPlugins());
    EXPECT_EQ(PluginLibraryCount(), 0);
}

// A partial copy of a library would fault inside the loader; it is skipped with a warning.
TEST_F(PluginTest, CutAndIncompleteLibrariesAreLeftOutWithoutHarm) {
    Install(PLUGIN_GOOD, "a_good.so");
    Install(PLUGIN_NO_CLASS_DESC, "b_no_desc.so");
    const std::string whole = ReadFileText(PLUGIN_GOOD);
    const size_t cuts[] = {0, 40, 100, whole.size() / 2, whole.size() - 1};
    for (size_t cut : cuts) {
        WriteFileText(dir / ("cut_" + std::to_string(cut) + ".so"), whole.substr(0, cut));
    }
    platform::ResetMessages();
    ASSERT_TRUE(ScanPlugins());
    ASSERT_EQ(PluginLibraryCount(), 1);
    EXPECT_STREQ(PluginLibraryAt(0)->file, "a_good.so");
    for (size_t cut : cuts) {
        EXPECT_NE(platform::LogText().find(" Plug-in cut_" + std::to_string(cut) + ".so skipped: "),
                  std::string::npos)
            << cut;
    }

    // The file changed since the scan into one without ExClassDesc: refused, never called.
    Install(PLUGIN_NO_CLASS_DESC, "a_good.so");
    EXPECT_EQ(ActivatePluginClass(3), -1);
    EXPECT_EQ(platform::LastMessageBoxText(), kMsgLibraryNotFound);
}

}  // namespace
