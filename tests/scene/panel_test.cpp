#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "scene/axes.h"
#include "scene/fields.h"
#include "scene/node_panel.h"
#include "scene/nodo.h"
#include "scene/preferences.h"
#include "scene/undo.h"
#include "scene_fixture.h"

namespace {

using platform::ControlKind;

constexpr int kField = 100;
constexpr int kLinkButton = 101;

const platform::ControlTemplate kControls[] = {
    {kIdPosX, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdPosY, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdPosZ, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdScaleX, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdScaleY, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdScaleZ, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotX, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotY, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotZ, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kField, ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kLinkButton, ControlKind::PushButton, "Link", 0, 0, 30, 12, 0},
};
const platform::DialogTemplate kPanel = {"Node", 100, 100, kControls, 11};

class PanelTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        dialog = platform::CreateDialog(&kPanel, nullptr, nullptr);
    }
    void TearDown() override {
        platform::DestroyDialog(dialog);
        SetObjectChooserAnswer(nullptr);
        SceneTest::TearDown();
    }
    float Read(const char* text, float stored, float min, float max, int* ok = nullptr) {
        dialog->SetText(kField, text);
        int r = DameFloat(dialog, kField, &stored, min, max);
        if (ok) *ok = r;
        return stored;
    }
    platform::Dialog* dialog = nullptr;
};

TEST_F(PanelTest, FloatFieldsRefuseTextThatIsNoNumber) {
    int ok = 1;
    EXPECT_EQ(Read("abc", 4.5f, 0, 0, &ok), 4.5f);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(dialog->GetText(kField), " 4.50");
    EXPECT_EQ(Read("0", 4.5f, 0, 0, &ok), 0.0f);
    EXPECT_EQ(ok, 1);
    // 4.5 is the value before: the text was refused. Only one blank may come before a zero;
    // no hexadecimal; an exponent without digits ends the number; a negative exponent that
    // makes no float but 0 is refused.
    const std::pair<const char*, float> cases[] = {
        {"", 4.5f},           {".0", 4.5f},   {"  0", 4.5f},       {"nan", 4.5f},
        {"1e39", 4.5f},       {" 0", 0.0f},   {"-0.5", -0.5f},     {"0abc", 0.0f},
        {"  7.25xyz", 7.25f}, {"0x10", 0.0f}, {"2.5e-3", 2.5e-3f}, {"-1E-2", -1e-2f},
        {"3e-", 3.0f},        {"1e-50", 4.5f}};
    for (const auto& [text, value] : cases) EXPECT_EQ(Read(text, 4.5f, 0, 0), value) << text;
    // Only the first nine characters count.
    EXPECT_EQ(Read("1234567891", 0, 0, 0), 123456789.0f);
}

TEST_F(PanelTest, LimitsClampAndShowTheLimitOtherwiseTheTextStays) {
    EXPECT_EQ(Read("-1e6", 1, 0, 0), -1e6f);
    EXPECT_EQ(Read("1000000", 1, 0, 0), 1e6f);
    EXPECT_EQ(dialog->GetText(kField), "1000000");  // a valid entry is not reformatted
    EXPECT_EQ(Read("-3", 1, 0, kNoLimit), 0.0f);
    EXPECT_EQ(dialog->GetText(kField), " 0.00");
    EXPECT_EQ(Read("1e6", 1, 0, kNoLimit), 1e6f);
    EXPECT_EQ(Read("12", 1, kNoLimit, 10), 10.0f);
    EXPECT_EQ(dialog->GetText(kField), "10.00");
    EXPECT_EQ(Read("-50", 1, kNoLimit, 10), -50.0f);

    double d = 3;
    dialog->SetText(kField, "-7.5");
    EXPECT_EQ(DameDouble(dialog, kField, &d, -1, 1), 1);
    EXPECT_EQ(d, -1.0);
    EXPECT_EQ(dialog->GetText(kField), "-1.00");
    dialog->SetText(kField, "123456789.123456789");
    EXPECT_EQ(DameDouble(dialog, kField, &d, 0, 0), 1);
    EXPECT_NEAR(d, 123456789.1234567, 1e-6);

    // Shown decimals follow the preference, except for doubles.
    prefs.decimals = 3;
    PonFloat(dialog, kField, 2.5f);
    EXPECT_EQ(dialog->GetText(kField), "2.500");
    prefs.decimals = 1;
    PonFloat(dialog, kField, 2.5f);
    EXPECT_EQ(dialog->GetText(kField), "  2.5");
    PonDouble(dialog, kField, 2.5);
    EXPECT_EQ(dialog->GetText(kField), " 2.50");
}

TEST_F(PanelTest, CommonControlsEditTheShownAxesAndRecordUndo) {
    ApplyPlatform(kPlatformMax);  // shown y is component 2
    Nodo n;
    platform::TypeIntoField(dialog, kIdPosY, "4");
    EXPECT_EQ(ProcesaControlesComunes(dialog, kIdPosY, &n), 1);
    ExpectNear(n.pos, 0, 0, 4);
    ExpectNear(n.matrix.GetTranslation(), 0, 0, 4);
    dialog->SetText(kIdScaleX, "-2");
    ProcesaControlesComunes(dialog, kIdScaleX, &n);
    ExpectNear(n.scale, 0, 1, 1);
    dialog->SetText(kIdRotZ, "45");
    ProcesaControlesComunes(dialog, kIdRotZ, &n);
    ExpectNear(n.rot, 0, 45, 0);
    EXPECT_EQ(UndoSize(), 3);
    // Reading a field whose value did not change records nothing.
    ProcesaControlesComunes(dialog, kIdRotZ, &n);
    EXPECT_EQ(UndoSize(), 3);
    EXPECT_EQ(ProcesaControlesComunes(dialog, kField, &n), 0);
}

struct Watched : Nodo {
    void UndoChangePos() override { ++restored; }
    void CalculaDependientes() override { ++derived; }
    int restored = 0;
    int derived = 0;
};

TEST_F(PanelTest, UndoAndRedoWalkTheHistoryAndANewChangeDropsTheRedoBranch) {
    Watched n;
    for (const char* x : {"1", "2", "3"}) {
        dialog->SetText(kIdPosX, x);
        ProcesaControlesComunes(dialog, kIdPosX, &n);
    }
    EXPECT_EQ(n.derived, 3);
    EXPECT_TRUE(Undo());
    EXPECT_EQ(n.pos.x, 2.0f);
    EXPECT_EQ(n.matrix.GetTranslation().x, 2.0f);
    EXPECT_TRUE(Undo());
    EXPECT_EQ(n.pos.x, 1.0f);
    EXPECT_TRUE(Redo());
    EXPECT_EQ(n.pos.x, 2.0f);
    EXPECT_EQ(n.restored, 3);

    dialog->SetText(kIdPosX, "9");
    ProcesaControlesComunes(dialog, kIdPosX, &n);
    EXPECT_FALSE(CanRedo());
    EXPECT_FALSE(Redo());
    EXPECT_TRUE(Undo());
    EXPECT_EQ(n.pos.x, 2.0f);
    EXPECT_TRUE(Undo());
    EXPECT_TRUE(Undo());
    EXPECT_EQ(n.pos.x, 0.0f);
    EXPECT_FALSE(Undo());
}

TEST_F(PanelTest, DestroyingANodeForgetsItsSnapshots) {
    Nodo keep;
    {
        Nodo gone;
        dialog->SetText(kIdPosX, "1");
        ProcesaControlesComunes(dialog, kIdPosX, &keep);
        dialog->SetText(kIdPosX, "5");
        ProcesaControlesComunes(dialog, kIdPosX, &gone);
        dialog->SetText(kIdPosX, "2");
        ProcesaControlesComunes(dialog, kIdPosX, &keep);
        EXPECT_TRUE(Undo());
        EXPECT_EQ(UndoSize(), 3);
    }
    EXPECT_EQ(UndoSize(), 2);
    // The redo of keep survives, and undo reaches keep's first change without touching gone.
    EXPECT_TRUE(Redo());
    EXPECT_EQ(keep.pos.x, 2.0f);
    EXPECT_TRUE(Undo());
    EXPECT_TRUE(Undo());
    EXPECT_EQ(keep.pos.x, 0.0f);
    EXPECT_FALSE(Undo());
}

TEST_F(PanelTest, LinkingFollowsTheObjectAndFreeingReadsTheFieldsBack) {
    Nodo object;
    object.pos.Set(10, 0, 0);
    object.UpdateMatrix();
    Nodo n;
    n.pos.Set(1, 0, 0);
    SetObjectChooserAnswer(reinterpret_cast<Body*>(&object));
    n.AbreLink(dialog, kIdPosX, kIdPosY, kIdPosZ, kIdRotX, kIdRotY, kIdRotZ, kLinkButton);
    EXPECT_EQ(n.link, reinterpret_cast<Body*>(&object));
    ExpectNear(n.matrix.GetTranslation(), 11, 0, 0);
    EXPECT_EQ(dialog->GetImage(kLinkButton), kIconLinked);

    dialog->SetText(kIdPosX, "3");
    dialog->SetText(kIdPosY, "abc");  // refused: keeps 0
    dialog->SetText(kIdRotY, "90");
    SetObjectChooserAnswer(nullptr);
    n.AbreLink(dialog, kIdPosX, kIdPosY, 0, kIdRotX, kIdRotY, kIdRotZ, kLinkButton);
    EXPECT_EQ(n.link, nullptr);
    ExpectNear(n.pos, 3, 0, 0);
    ExpectNear(n.rot, 0, 90, 0);
    ExpectNear(n.matrix.GetTranslation(), 3, 0, 0);
    EXPECT_EQ(dialog->GetImage(kLinkButton), kIconFree);
}

}  // namespace
