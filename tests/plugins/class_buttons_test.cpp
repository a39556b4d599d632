#include "plugins/class_buttons.h"

#include <vector>

#include "fluid/fluido.h"
#include "plugin_fixture.h"
#include "scene/daemon.h"

namespace {

std::vector<int> Buttons(int kind, int* filled) {
    int ids[kClassButtons];
    *filled = FillClassButtons(kind, ids);
    return std::vector<int>(ids, ids + kClassButtons);
}

TEST_F(PluginTest, ClassButtonsTakeTheShippedPlacesOrTheCataloguesOrder) {
    Install(PLUGIN_GOOD, "a_good.so");         // daemon 3, emitters 101 and 102
    Install(PLUGIN_DUP_SECOND, "c_vortex.so"); // daemons 7 and 8
    ASSERT_TRUE(ScanPlugins());
    int filled = 0;
    EXPECT_EQ(Buttons(kClassDaemon, &filled), (std::vector<int>{3, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(filled, 3);
    EXPECT_EQ(Buttons(kClassEmitter, &filled), (std::vector<int>{101, 102, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(filled, 2);

    // Under the shipped library's name the buttons keep their fixed classes, present or not:
    // every daemon button counts, only the emitter buttons whose class exists do.
    fs::rename(dir / "a_good.so", dir / "daemons.so");
    ASSERT_TRUE(ScanPlugins());
    EXPECT_EQ(Buttons(kClassDaemon, &filled), (std::vector<int>{3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12}));
    EXPECT_EQ(filled, 12);
    fs::rename(dir / "daemons.so", dir / "EMITTERS.so");
    ASSERT_TRUE(ScanPlugins());
    const std::vector<int> emitters = Buttons(kClassEmitter, &filled);
    EXPECT_EQ(emitters.front(), 101);
    EXPECT_EQ(emitters.back(), 112);
    EXPECT_EQ(filled, 2);
}

TEST_F(PluginTest, PressingAButtonMakesAnObjectOfItsClass) {
    Install(PLUGIN_GOOD, "a_good.so");
    ASSERT_TRUE(ScanPlugins());
    Fluido* f = PressEmitterButton(102);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(selflow, f);
    EXPECT_EQ(f->emitter->descriptor->class_id, 102);
    Daemon* d = PressDaemonButton(3);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(seldaemon, d);
    EXPECT_EQ(daemon_panel->ListCount(kDaemonList), 1);
    // An empty button, and a class that is not in the catalogue, make nothing.
    EXPECT_EQ(PressDaemonButton(0), nullptr);
    EXPECT_EQ(PressEmitterButton(109), nullptr);
    EXPECT_EQ(rootflow->next, nullptr);
}

}  // namespace
