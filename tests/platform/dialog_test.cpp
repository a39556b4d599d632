#include <gtest/gtest.h>

#include <vector>

#include "platform/dialog.h"

namespace {

using platform::ControlKind;

const platform::ControlTemplate kControls[] = {
    {10, ControlKind::Edit, "1.5", 0, 0, 40, 12, platform::kStyleNumber},
    {11, ControlKind::CheckBox, "Enable", 0, 20, 40, 12, 0},
    {12, ControlKind::ListBox, "", 0, 40, 80, 60, 0},
    {13, ControlKind::Slider, "", 0, 100, 80, 12, 0},
    {14, ControlKind::PushButton, "Apply", 0, 120, 40, 12, platform::kStyleDisabled},
    {15, ControlKind::Static, "hidden", 0, 140, 40, 12, platform::kStyleHidden},
};
const platform::DialogTemplate kTemplate = {"Test", 100, 160, kControls, 6};

struct Seen {
    unsigned msg;
    int id;
    int code;
    intptr_t lparam;
};
std::vector<Seen> g_seen;

intptr_t RecordProc(platform::Dialog*, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    g_seen.push_back({msg, platform::CommandId(wparam), platform::CommandCode(wparam), lparam});
    return 1;
}

TEST(DialogTest, TemplatesGiveControlsTheirCaptionsStylesStatesAndPlaces) {
    EXPECT_EQ(platform::CreateDialog(nullptr, RecordProc, nullptr), nullptr);
    g_seen.clear();
    platform::Dialog* d = platform::CreateDialog(&kTemplate, RecordProc, nullptr, 77);
    ASSERT_NE(d, nullptr);
    ASSERT_EQ(g_seen.size(), 1u);
    EXPECT_EQ(g_seen[0].msg, platform::kMsgInitDialog);
    EXPECT_EQ(g_seen[0].lparam, 77);

    EXPECT_EQ(d->GetText(10), "1.5");
    EXPECT_EQ(d->Style(10) & platform::kStyleNumber, platform::kStyleNumber);
    EXPECT_FALSE(d->IsEnabled(14));
    EXPECT_FALSE(d->IsVisible(15));
    // Unknown ids read as empty and ignore writes.
    EXPECT_FALSE(d->HasControl(99));
    d->SetText(99, "x");
    EXPECT_EQ(d->GetText(99), "");
    EXPECT_EQ(d->ControlRect(99).Bottom(), 0);

    EXPECT_EQ((std::vector<int>{d->ControlRect(12).y, d->ControlRect(12).Bottom(),
                                d->WindowRect().width, d->WindowRect().height}),
              (std::vector<int>{40, 100, 100, 160}));
    d->MoveWindow(3, 42);  // moving keeps the size
    EXPECT_EQ((std::vector<int>{d->WindowRect().x, d->WindowRect().Bottom(), d->WindowRect().width}),
              (std::vector<int>{3, 202, 100}));
    d->ShowWindow(false);
    EXPECT_FALSE(d->IsWindowVisible());
    EXPECT_TRUE(d->IsVisible(10));  // controls keep their own state
    platform::DestroyDialog(d);
}

TEST(DialogTest, UserActionsReachTheProcedureWithTheirNotifications) {
    platform::Dialog* d = platform::CreateDialog(&kTemplate, RecordProc, nullptr);
    g_seen.clear();

    platform::ClickControl(d, 11);
    EXPECT_TRUE(d->IsChecked(11));
    platform::ClickControl(d, 11);
    EXPECT_FALSE(d->IsChecked(11));
    platform::TypeIntoField(d, 10, "2.5");
    EXPECT_EQ(d->GetText(10), "2.5");
    EXPECT_EQ(d->Focus(), 0);
    // A disabled button cannot be clicked.
    platform::ClickControl(d, 14);

    ASSERT_EQ(g_seen.size(), 3u);
    EXPECT_EQ(g_seen[0].code, platform::kNotifyClicked);
    EXPECT_EQ(g_seen[0].id, 11);
    EXPECT_EQ(g_seen[2].code, platform::kNotifyKillFocus);
    EXPECT_EQ(g_seen[2].id, 10);
    const uintptr_t w = platform::MakeCommand(5079, platform::kNotifyKillFocus);
    EXPECT_EQ(platform::CommandId(w), 5079);
    EXPECT_EQ(platform::CommandCode(w), platform::kNotifyKillFocus);
    platform::DestroyDialog(d);
}

// Selection and item data move with their items through inserts and deletes.
TEST(DialogTest, ListBoxesKeepOrderSelectionAndItemDataThroughEdits) {
    platform::Dialog* d = platform::CreateDialog(&kTemplate, RecordProc, nullptr);
    d->ListSetData(12, d->ListAdd(12, "Wind"), 100);
    d->ListSetData(12, d->ListAdd(12, "Gravity"), 200);
    d->ListSetData(12, d->ListAdd(12, "Drag"), 300);
    d->ListSelect(12, 2);
    d->ListDelete(12, 0);
    EXPECT_EQ(d->ListSelection(12), 1);
    EXPECT_EQ(d->ListText(12, 1), "Drag");
    d->ListInsert(12, 0, "Wind 1");
    EXPECT_EQ(d->ListSelection(12), 2);
    EXPECT_EQ((std::vector<intptr_t>{d->ListData(12, 0), d->ListData(12, 1), d->ListData(12, 2)}),
              (std::vector<intptr_t>{0, 200, 300}));
    d->ListDelete(12, 2);
    EXPECT_EQ(d->ListSelection(12), -1);
    EXPECT_EQ(d->ListCount(12), 2);
    EXPECT_EQ(d->ListText(12, 5), "");
    d->ListSelect(12, 7);
    EXPECT_EQ(d->ListSelection(12), -1);
    d->ListSetData(12, 9, 5);  // no such item: nothing happens
    EXPECT_EQ(d->ListData(12, 9), 0);
    d->ListClear(12);
    EXPECT_EQ(d->ListAdd(12, "Wind"), 0);
    EXPECT_EQ(d->ListData(12, 0), 0);  // a new item never inherits old data

    d->SliderSetRange(13, 10, 20);
    d->SliderSetPos(13, 50);
    EXPECT_EQ(d->SliderPos(13), 20);
    platform::DestroyDialog(d);
}

}  // namespace
