// The plug-ins manager and the customise dialogs on the headless dialogs.
#include "plugins/manager.h"

#include <string>
#include <vector>

#include "fluid/fluido.h"
#include "platform/file_dialog.h"
#include "plugin_fixture.h"
#include "plugins/class_buttons.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"

namespace {

using namespace plugins_manager;

std::vector<int> Table(int kind) { return std::vector<int>(ClassButtonTable(kind), ClassButtonTable(kind) + kClassButtons); }

int g_buttons_shown = 0;
int g_added_kind = 0;

class ManagerTest : public PluginTest {
protected:
    void SetUp() override {
        PluginTest::SetUp();
        g_buttons_shown = 0;
        g_added_kind = 0;
        SetClassButtonsHook([] { ++g_buttons_shown; });
        SetAddedHook([](int kind) { g_added_kind = kind; });
        platform::ClearOpenFileAnswers();
    }
    void TearDown() override {
        DestroyWindows();
        SetClassButtonsHook(nullptr);
        SetAddedHook(nullptr);
        PluginTest::TearDown();
    }
};

TEST_F(ManagerTest, TheReportListsEveryLibraryItsRefusalsAndItsClasses) {
    Install(PLUGIN_GOOD, "a_good.so");
    Install(PLUGIN_ALL_REJECTED, "f_rejected.so");
    ASSERT_TRUE(ScanPlugins());
    const std::string expected =
        "\r\nA_GOOD.SO   version 1.25\r\n\r\n"
        "  [ 1]                 Wind -  [Daemon] v1.50 - test build - T - id 3\r\n"
        "  [ 2]             Fountain - [Emitter] v1.50 - test build - T - id 101\r\n"
        "  [ 3]                Sheet - [Emitter] v1.50 - test build - T - id 102\r\n"
        "\r\nF_REJECTED.SO   version 0.50\r\n\r\n"
        "\tClass could not be loaded due to:\r\n\tUnknown class id\r\n\r\n"
        "\tClass could not be loaded due to:\r\n\tDuplicated class id 3\r\n\r\n"
        "\tClass could not be loaded due to:\r\n\tUnknown class id\r\n\r\n";
    EXPECT_EQ(PluginsReport(), expected);

    // The manager shows it with the directory it came from.
    platform::Dialog* d = OpenManager();
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetText(kIdReport), expected);
    EXPECT_EQ(d->GetText(kIdDirectory), dir.string());
    const platform::Rect report = d->ControlRect(kIdReport), window = d->WindowRect();
    EXPECT_EQ(report.width, window.width - 20);
    EXPECT_EQ(report.height, window.height - 100);
}

TEST_F(ManagerTest, LoadingPluginsWaitsForAnEmptySceneThenRefillsTheButtons) {
    Install(PLUGIN_GOOD, "a_good.so");
    ASSERT_TRUE(ScanPlugins());
    Fluido* f = PressEmitterButton(101);
    ASSERT_NE(f, nullptr);
    Install(PLUGIN_DUP_SECOND, "c_vortex.so");  // daemons 7 and 8, no emitter

    platform::Dialog* d = OpenManager();
    const std::string before = d->GetText(kIdReport);
    platform::ClickControl(d, kIdLoadPlugins);
    EXPECT_EQ(platform::LastMessageBoxText(), kMsgObjectsExist);
    EXPECT_EQ(PluginLibraryCount(), 1);
    EXPECT_EQ(d->GetText(kIdReport), before);
    EXPECT_EQ(g_buttons_shown, 0);

    DeleteFluido(f);
    Daemon* wind = PressDaemonButton(3);
    ASSERT_NE(wind, nullptr);
    EXPECT_FALSE(LoadPlugins(dir.string()));  // a daemon is as much in the way
    DeleteSelectedDaemon();

    // Another directory, chosen in the dialog, holding the daemon library alone.
    const fs::path other = dir / "only_daemons";
    fs::create_directories(other);
    fs::copy_file(dir / "c_vortex.so", other / "c_vortex.so");
    platform::QueueOpenFileAnswer(other.string());
    platform::ClickControl(d, kIdChooseDirectory);
    EXPECT_EQ(d->GetText(kIdDirectory), other.string());
    platform::ClearMessageBoxes();
    platform::ClickControl(d, kIdLoadPlugins);
    EXPECT_EQ(PluginsDirectory(), other.string());
    EXPECT_EQ(PluginLibraryCount(), 1);
    EXPECT_EQ(Table(kClassDaemon), (std::vector<int>{7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Table(kClassEmitter), std::vector<int>(kClassButtons, 0));
    EXPECT_EQ(platform::MessageBoxCount(), 1);
    EXPECT_EQ(platform::LastMessageBoxText(), kMsgNoEmitters);
    EXPECT_EQ(g_buttons_shown, 1);
    EXPECT_NE(d->GetText(kIdReport).find("C_VORTEX.SO"), std::string::npos);
}

TEST_F(ManagerTest, CustomisingAssignsClassesToButtonsAndOnlyCloseKeepsThem) {
    Install(PLUGIN_GOOD, "a_good.so");
    Install(PLUGIN_DUP_SECOND, "c_vortex.so");
    ASSERT_TRUE(ScanPlugins());
    RefillClassButtons(kClassDaemon);
    const std::vector<int> found = {3, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(Table(kClassDaemon), found);

    platform::Dialog* d = OpenCustomise(kClassDaemon);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(d->ListCount(kIdClassList), 3);
    EXPECT_EQ(d->ListText(kIdClassList, 1), "Other vortex");
    EXPECT_EQ(d->GetText(kIdSlot + 2), "Own");
    EXPECT_EQ(d->GetText(kIdSlot + 3), "");
    platform::ClickControl(d, kIdSlot + 1);
    EXPECT_EQ(d->ListSelection(kIdClassList), 1);  // the slot's class
    platform::ClickControl(d, kIdSlot + 3);
    EXPECT_EQ(d->ListSelection(kIdClassList), -1);  // an empty slot
    platform::SelectListItem(d, kIdClassList, 0);
    EXPECT_EQ(Table(kClassDaemon)[3], 3);
    EXPECT_EQ(d->GetText(kIdSlot + 3), "Wind");
    EXPECT_EQ(d->GetText(kIdDescription), "A class the tests load.");
    // The close box and Escape put the assignment back (the interface tests close it both
    // ways); CLOSE keeps what was chosen.
    d->Send(platform::kMsgClose, 0, 0);
    EXPECT_EQ(Table(kClassDaemon), found);
    EXPECT_FALSE(d->IsOpen());
    d = OpenCustomise(kClassDaemon);
    platform::ClickControl(d, kIdSlot);
    platform::SelectListItem(d, kIdClassList, 2);
    // Unselect: a class chosen now is only described, no slot takes it.
    platform::ClickControl(d, kIdUnselect);
    EXPECT_FALSE(d->IsChecked(kIdSlot));
    EXPECT_EQ(d->GetText(kIdDescription), "");
    platform::SelectListItem(d, kIdClassList, 1);
    const int shown_before = g_buttons_shown;
    platform::ClickControl(d, kIdCustomiseClose);
    EXPECT_EQ(Table(kClassDaemon), (std::vector<int>{8, 7, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(g_buttons_shown, shown_before + 1);
}

TEST_F(ManagerTest, AddMakesAnObjectOfTheListedClass) {
    Install(PLUGIN_GOOD, "a_good.so");
    ASSERT_TRUE(ScanPlugins());
    platform::Dialog* d = OpenCustomise(kClassEmitter);
    ASSERT_NE(d, nullptr);
    const int o = kEmitterOffset;
    EXPECT_EQ(d->GetText(kIdAdd + o), "Add emitter");
    platform::ClickControl(d, kIdAdd + o);  // nothing chosen: nothing made
    EXPECT_EQ(rootflow, nullptr);
    platform::SelectListItem(d, kIdClassList + o, 1);  // Sheet
    platform::ClickControl(d, kIdAdd + o);
    ASSERT_NE(rootflow, nullptr);
    EXPECT_EQ(rootflow->emitter->descriptor->class_id, 102);
    EXPECT_EQ(g_added_kind, kClassEmitter);
    platform::ClickControl(d, kIdCustomiseClose + o);
}

}  // namespace
