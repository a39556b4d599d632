#include <string>

#include "plugin_fixture.h"
#include "scene/daemon.h"
#include "scene/scene_hooks.h"

namespace {

using InitCount = int (*)();

platform::Dialog* g_fluid_window = nullptr;

TEST_F(PluginTest, ActivatingTwiceGivesTheSameIndexAndCreatesTheWindowOnce) {
    std::string path = Install(PLUGIN_GOOD, "good.so");
    ASSERT_TRUE(ScanPlugins());
    EXPECT_EQ(RegistryLastIndex(), -1);

    ASSERT_EQ(ActivatePluginClass(3), 0);
    Descriptor* wind = RegisteredClass(0);
    ASSERT_NE(wind, nullptr);
    EXPECT_STREQ(wind->name, "Wind");
    EXPECT_NE(PluginLibraryAt(0)->module, nullptr);
    EXPECT_TRUE(IsLoaded(path));
    auto inits = Export<InitCount>("good.so", "TestWindowInits");
    ASSERT_NE(inits, nullptr);
    EXPECT_EQ(inits(), 1);

    // The daemon window: a hidden child of the daemon panel, 2 below control 5138 (bottom 100),
    // with the size of its own template.
    platform::Dialog* window = wind->window;
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Parent(), daemon_panel);
    EXPECT_FALSE(window->IsWindowVisible());
    platform::Rect r = window->WindowRect();
    EXPECT_EQ((std::vector<int>{r.x, r.y, r.width, r.height}), (std::vector<int>{0, 102, 110, 64}));

    EXPECT_EQ(ActivatePluginClass(3), 0);
    EXPECT_EQ(RegistryLastIndex(), 0);
    EXPECT_EQ(wind->window, window);
    EXPECT_EQ(inits(), 1);

    // Emitter windows sit below control 5153 of the emitter panel (bottom 50) ...
    ASSERT_EQ(ActivatePluginClass(101), 1);
    Descriptor* fountain = RegisteredClass(1);
    EXPECT_EQ(fountain->window->Parent(), emitter_panel);
    EXPECT_EQ(fountain->window->WindowRect().y, 52);
    EXPECT_EQ(inits(), 2);

    // ... or, with layout 1, below the fluid parameter window.
    g_fluid_window = platform::CreateDialog(&kEmitterPanel, nullptr, emitter_panel);
    g_fluid_window->MoveWindow(0, 52);  // 300 high: bottom at 352
    FluidHooks hooks;
    hooks.fluid_param_window = [] { return g_fluid_window; };
    SetFluidHooks(hooks);
    ASSERT_EQ(ActivatePluginClass(102), 2);
    EXPECT_EQ(RegisteredClass(2)->window->WindowRect().y, 354);
    SetFluidHooks(FluidHooks{});
    platform::DestroyDialog(g_fluid_window);
    EXPECT_EQ(platform::MessageBoxCount(), 0);
}

TEST_F(PluginTest, ActivationFailuresSayWhyAndChangeNothing) {
    // No catalogue at all.
    SetPluginsDirectory((dir / "nowhere").string());
    ScanPlugins();
    SetPluginsDirectory(dir.string());
    EXPECT_EQ(ActivatePluginClass(3), -1);
    EXPECT_EQ(platform::LastMessageBoxText(), "Error. Descriptor not found in DLL list");

    std::string good = Install(PLUGIN_GOOD, "a_good.so");
    Install(PLUGIN_ALL_REJECTED, "b_rejected.so");
    ASSERT_TRUE(ScanPlugins());
    platform::ClearMessageBoxes();
    EXPECT_EQ(ActivatePluginClass(50), -1);  // refused at the scan
    EXPECT_EQ(platform::LastMessageBoxText(), "Error. Descriptor not found in DLL list");

    // The library went away after the scan.
    fs::rename(good, dir / "moved.so");
    EXPECT_EQ(ActivatePluginClass(3), -1);
    EXPECT_EQ(platform::LastMessageBoxText(), "Unexpected error. DLL not found");

    // Another library took its name: class 101 is not where the catalogue says.
    Install(PLUGIN_DUP_FIRST, "a_good.so");
    EXPECT_EQ(ActivatePluginClass(101), -1);
    EXPECT_EQ(platform::LastMessageBoxText(), "Unexpected error. DLL not found");
    EXPECT_FALSE(IsLoaded(good));
    EXPECT_FALSE(IsLoaded((dir / "a_good.so").string()));
    EXPECT_EQ(PluginLibraryAt(0)->module, nullptr);

    EXPECT_EQ(platform::MessageBoxCount(), 3);
    EXPECT_EQ(RegistryLastIndex(), -1);
}

TEST_F(PluginTest, AClassInUseStaysAndItsLibraryWithIt) {
    std::string path = Install(PLUGIN_GOOD, "good.so");
    ASSERT_TRUE(ScanPlugins());
    Descriptor* wind = RegisteredClass(ActivatePluginClass(3));
    Descriptor* fountain = RegisteredClass(ActivatePluginClass(101));
    Daemon* daemon = NewDaemon(wind);
    ASSERT_NE(daemon, nullptr);
    EXPECT_STREQ(daemon->name, "Wind");
    EXPECT_TRUE(wind->window->IsWindowVisible());

    ReleasePluginClass(wind);
    EXPECT_EQ(RegistryIndexOf(3), 0);
    EXPECT_NE(wind->window, nullptr);

    // The unused class goes; its library stays for the class still registered.
    ReleasePluginClass(fountain);
    EXPECT_EQ(RegistryIndexOf(101), -1);
    EXPECT_EQ(RegistryLastIndex(), 0);
    EXPECT_TRUE(IsLoaded(path));
    EXPECT_NE(PluginLibraryAt(0)->module, nullptr);

    // A rescan and an unload spare it as well, and the class still works.
    ASSERT_TRUE(ScanPlugins());
    EXPECT_EQ(RegisteredClass(0), wind);
    EXPECT_NE(PluginLibraryAt(0)->module, nullptr);  // the new record knows it is loaded
    UnloadAllPlugins();
    EXPECT_EQ(RegistryLastIndex(), 0);
    EXPECT_TRUE(IsLoaded(path));
    Daemon* second = DuplicateDaemon(daemon);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second->name, "Wind 1");

    // Deleting one of its daemons keeps it; once the scene is empty, the class and library go.
    DeleteSelectedDaemon();
    EXPECT_EQ(RegistryLastIndex(), 0);
    ResetScene();
    EXPECT_EQ(RegistryLastIndex(), -1);
    EXPECT_EQ(PluginLibraryAt(0)->module, nullptr);
    EXPECT_FALSE(IsLoaded(path));

    // Activated again, the class makes a new window; unused, an unload takes it away.
    ASSERT_EQ(ActivatePluginClass(3), 0);
    EXPECT_NE(RegisteredClass(0)->window, nullptr);
    ActivatePluginClass(102);
    UnloadAllPlugins();
    EXPECT_EQ(RegistryLastIndex(), -1);
    EXPECT_EQ(PluginLibraryAt(0)->module, nullptr);
    EXPECT_FALSE(IsLoaded(path));
}

}  // namespace
