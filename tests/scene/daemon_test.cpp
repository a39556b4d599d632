#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platform/dialog.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/scene_hooks.h"
#include "scene/undo.h"
#include "plugin_classes.h"
#include "scene_fixture.h"

namespace {

using platform::ControlKind;
using testing_classes::Called;
using testing_classes::Calls;
using testing_classes::FakeFluids;
using testing_classes::TestClass;

constexpr int kList = 5200;

const platform::ControlTemplate kPanelControls[] = {
    {kList, ControlKind::ListBox, "", 0, 0, 100, 80, 0},
    {kIdDaemonWindowAnchor, ControlKind::Static, "", 0, 90, 100, 10, 0},
};
const platform::DialogTemplate kPanel = {"Daemons", 120, 300, kPanelControls, 2};

std::vector<Descriptor*> g_released;
int g_display_mode = 0;

class DaemonTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        FakeFluids::Install();
        Calls().clear();
        g_released.clear();
        ClassRegistryHooks hooks;
        hooks.release = [](Descriptor* d) { g_released.push_back(d); };
        SetClassRegistryHooks(hooks);
        platform::SetDisplayModeHook([](int mode) { g_display_mode = mode; });
        panel = platform::CreateDialog(&kPanel, ProcesaDaemonPanel, nullptr);
        SetDaemonPanel(panel, kList);
    }
    void TearDown() override {
        SceneTest::TearDown();
        SetDaemonPanel(nullptr, 0);
        platform::DestroyDialog(panel);
        SetClassRegistryHooks(ClassRegistryHooks{});
        platform::SetDisplayModeHook(nullptr);
        FakeFluids::Remove();
    }
    // A menu command reaches the panel's procedure as a command without a control.
    void MenuCommand(int id) { panel->Send(platform::kMsgCommand, platform::MakeCommand(id, 0), 0); }
    // A scene with exactly one fluid.
    void fluids_one() { FakeFluids::Get().listed = {{1, nullptr}}; }
    std::string Item(int i) const { return panel->ListText(kList, i); }
    int Selection() const { return panel->ListSelection(kList); }

    platform::Dialog* panel = nullptr;
    TestClass wind{kClassDaemon, 3, "Wind"};
    TestClass gravity{kClassDaemon, 1, "Gravity"};
};

TEST_F(DaemonTest, DaemonsOfAClassAreNumberedAfterTheFirst) {
    Daemon* w0 = CreaDaemon(&wind);
    Daemon* g0 = CreaDaemon(&gravity);
    Daemon* w1 = CreaDaemon(&wind);
    Daemon* w2 = CreaDaemon(&wind);
    EXPECT_STREQ(w0->name, "Wind");
    EXPECT_STREQ(w1->name, "Wind 1");
    EXPECT_STREQ(w2->name, "Wind 2");
    EXPECT_STREQ(g0->name, "Gravity");
    EXPECT_EQ(w0->kind, kKindDaemon);
    EXPECT_EQ(w1->descriptor, &wind);
    // Appended in creation order.
    EXPECT_EQ(FirstDaemon(), w0);
    EXPECT_EQ(NextDaemon(w0), g0);
    EXPECT_EQ(NextDaemon(w2), nullptr);
    EXPECT_EQ(CountDaemons(), 4);

    // With Wind 1 gone, two of the class remain; "Wind 2" is taken, so the next free number.
    delete w1;
    EXPECT_STREQ(CreaDaemon(&wind)->name, "Wind 3");

    // A class whose Create gives an emitter gives no daemon.
    TestClass odd(kClassDaemon, 9, "Odd");
    odd.give_wrong_kind = true;
    EXPECT_EQ(CreaDaemon(&odd), nullptr);
    EXPECT_EQ(CountDaemons(), 4);

    // A class name filling its 50 bytes without a terminator: every suffix is cut away, and
    // the numbering still ends.
    TestClass longer(kClassDaemon, 12, "");
    std::memset(longer.name, 'n', sizeof longer.name);
    EXPECT_EQ(std::strlen(CreaDaemon(&longer)->name), 49u);
    EXPECT_EQ(std::strlen(CreaDaemon(&longer)->name), 49u);
    EXPECT_NE(CreaDaemon(&longer), nullptr);
}

// Adding lists, selects, shows and records the daemon; selecting an item swaps the windows back.
TEST_F(DaemonTest, AddingListsSelectsShowsAndRecordsTheDaemon) {
    ApplyPlatform(kPlatformLightwave);
    fluids_one();
    int undo_before = UndoSize();
    Daemon* w = NewDaemon(&wind);
    ASSERT_NE(w, nullptr);
    EXPECT_EQ(Item(0), "Wind");
    EXPECT_EQ(DaemonOfItem(0), w);
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(seldaemon, w);
    EXPECT_EQ(w->listed, 1);
    EXPECT_EQ(UndoSize(), undo_before + 2);
    EXPECT_TRUE(wind.window->IsWindowVisible());
    EXPECT_EQ(FakeFluids::Get().assigned, std::vector<Daemon*>{w});  // the only fluid gets it

    // The next one hides the first class's window; a disabled one is marked.
    FakeFluids::Get().listed.push_back({2, nullptr});  // now two fluids: no assignment
    Daemon* g = CreaDaemon(&gravity);
    g->enabled = 0;
    g->display = kDisplayFlat;
    AddDaemonToPanel(g);
    EXPECT_EQ(Item(1), "Gravity (OFF)");
    EXPECT_EQ(Selection(), 1);
    EXPECT_FALSE(wind.window->IsWindowVisible());
    EXPECT_TRUE(gravity.window->IsWindowVisible());
    EXPECT_EQ(g_display_mode, kDisplayFlat);
    EXPECT_EQ(FakeFluids::Get().assigned.size(), 1u);
    FakeFluids::Get().listed.clear();
    // Adding the same daemon again does not list it twice.
    AddDaemonToPanel(g);
    EXPECT_EQ(panel->ListCount(kList), 2);

    NewDaemon(&wind);  // a second wind: one window serves both and shows the selected one
    w->pos.Set(1.5f, 0.0f, 0.0f);
    Calls().clear();
    platform::SelectListItem(panel, kList, 0);
    EXPECT_EQ(seldaemon, w);
    EXPECT_EQ(selnodo, w);
    EXPECT_TRUE(wind.window->IsWindowVisible());
    EXPECT_FALSE(gravity.window->IsWindowVisible());
    EXPECT_TRUE(Called("SetParameterBlock Wind"));
    EXPECT_EQ(wind.window->GetText(kIdPosX), " 1.50");
}

TEST_F(DaemonTest, EnableAndRenameChangeTheListTextInPlace) {
    Daemon* w = NewDaemon(&wind);
    NewDaemon(&gravity);
    platform::SelectListItem(panel, kList, 0);
    EXPECT_TRUE(DaemonEnableChecked());
    MenuCommand(kCmdDaemonEnable);
    EXPECT_EQ(w->enabled, 0);
    EXPECT_FALSE(DaemonEnableChecked());
    EXPECT_EQ(Item(0), "Wind (OFF)");
    EXPECT_EQ(DaemonOfItem(0), w);  // keeps its place and its data
    EXPECT_EQ(Selection(), 0);

    RenameDaemonItem(0, "North wind");
    EXPECT_STREQ(w->name, "North wind");
    EXPECT_EQ(Item(0), "North wind (OFF)");
    RenameDaemonItem(0, std::string(80, 'a').c_str());
    EXPECT_EQ(std::string(w->name), std::string(49, 'a'));
    RenameDaemonItem(5, "nobody");  // no such item
    EXPECT_EQ(panel->ListCount(kList), 2);

    MenuCommand(kCmdDaemonEnable);
    EXPECT_EQ(w->enabled, 1);
    EXPECT_EQ(Item(0), std::string(49, 'a'));
}

TEST_F(DaemonTest, DeletingSelectsThePredecessorOrElseTheSuccessor) {
    fluids_one();
    Daemon* a = NewDaemon(&wind);
    NewDaemon(&gravity);
    Daemon* c = NewDaemon(&wind);
    ASSERT_EQ(FakeFluids::Get().assigned.size(), 3u);

    platform::SelectListItem(panel, kList, 1);
    DeleteSelectedDaemon();
    EXPECT_EQ(seldaemon, a);
    EXPECT_EQ(selnodo, a);
    EXPECT_EQ(Selection(), 0);
    EXPECT_EQ(Item(1), "Wind 1");
    EXPECT_EQ(FakeFluids::Get().assigned, (std::vector<Daemon*>{a, c}));  // withdrawn
    EXPECT_EQ(g_released, std::vector<Descriptor*>{&gravity});
    EXPECT_FALSE(gravity.window->IsWindowVisible());
    EXPECT_TRUE(wind.window->IsWindowVisible());

    platform::SelectListItem(panel, kList, 0);
    DeleteSelectedDaemon();  // the first: its successor
    EXPECT_EQ(seldaemon, c);
    EXPECT_EQ(Selection(), 0);

    DeleteSelectedDaemon();  // the only one: nothing
    EXPECT_EQ(seldaemon, nullptr);
    EXPECT_EQ(selnodo, nullptr);
    EXPECT_EQ(panel->ListCount(kList), 0);
    EXPECT_EQ(root.next, nullptr);
    DeleteSelectedDaemon();  // nothing left to delete
    EXPECT_EQ(g_released.size(), 3u);

    // Deleting all empties the list and the selection, and releases each class once.
    g_released.clear();
    NewDaemon(&wind);
    NewDaemon(&gravity);
    NewDaemon(&wind);
    Nodo other;
    selnodo = &other;
    DeleteAllDaemons();
    EXPECT_EQ(root.next, nullptr);
    EXPECT_EQ(panel->ListCount(kList), 0);
    EXPECT_EQ(seldaemon, nullptr);
    EXPECT_EQ(selnodo, nullptr);
    EXPECT_FALSE(wind.window->IsWindowVisible());
    EXPECT_EQ(g_released.size(), 2u);

    // A reset empties the panel too.
    NewDaemon(&wind);
    ResetScene();
    EXPECT_EQ(panel->ListCount(kList), 0);
    EXPECT_EQ(seldaemon, nullptr);
}

TEST_F(DaemonTest, DuplicatesCopyTheSourceAndTheArrayVariantPlacesThem) {
    Daemon* w = NewDaemon(&wind);
    w->pos.Set(1, 2, 3);
    w->scale.Set(2, 2, 2);
    w->display = kDisplaySmooth;
    w->UpdateMatrix();
    Daemon* copy = DuplicateDaemon(w);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy->name, "Wind 1");
    EXPECT_EQ(copy->descriptor, &wind);
    EXPECT_EQ(copy->pos.y, 2);
    EXPECT_EQ(copy->display, kDisplaySmooth);
    EXPECT_TRUE(Called("Copy"));
    EXPECT_EQ(Item(1), "Wind 1");
    EXPECT_EQ(seldaemon, copy);

    Daemon* placed = DuplicateDaemonAt(w, Vector(10, 0, 0), Vector(0, 90, 0));
    ASSERT_NE(placed, nullptr);
    EXPECT_STREQ(placed->name, "Wind 2");
    EXPECT_EQ(placed->scale.x, 2);
    ExpectNear(placed->matrix.GetTranslation(), 10, 0, 0);
    ExpectNear(placed->matrix * Vector(0, 0, 1), 12, 0, 0);  // scaled by 2, turned by 90
    EXPECT_EQ(DuplicateDaemon(nullptr), nullptr);
}

TEST_F(DaemonTest, MovingAndRotatingShowInTheWindowAndKeepTheLink) {
    Daemon* d = NewDaemon(&wind);
    flag_plane = kMoveX;
    Calls().clear();
    d->Move(Vector(2, 7, 7));
    EXPECT_EQ(d->pos.x, 2);
    EXPECT_EQ(d->pos.y, 0);
    EXPECT_EQ(wind.window->GetText(kIdPosX), " 2.00");
    EXPECT_TRUE(Called("CalculaDependientes"));

    d->Rotate(90);
    EXPECT_EQ(d->rot.x, 90);
    EXPECT_EQ(wind.window->GetText(kIdRotX), "90.00");
    ExpectNear(d->matrix.GetTranslation(), 2, 0, 0);  // recomposed

    // A linked daemon stays in its object's frame after a rotation.
    Nodo object;
    object.pos.Set(0, 10, 0);
    object.UpdateMatrix();
    d->link = reinterpret_cast<Body*>(&object);
    d->Rotate(0);
    ExpectNear(d->matrix.GetTranslation(), 2, 10, 0);

    // Refreshing all follows the links and recomputes only the linked ones.
    NewDaemon(&gravity);  // not linked
    Calls().clear();
    RefreshAllDaemons();
    EXPECT_EQ(Calls(), (std::vector<std::string>{"SetParameterBlock Wind", "UpdateLink",
                                                  "CalculaDependientes", "SetParameterBlock Gravity",
                                                  "UpdateLink"}));

    // Freed because its object is deleted, it shows where it now is.
    UnlinkNodesFrom(reinterpret_cast<Body*>(&object));
    EXPECT_EQ(d->link, nullptr);
    EXPECT_EQ(wind.window->GetText(kIdPosY), "10.00");
}

}  // namespace
