#include <gtest/gtest.h>

#include "platform/dialog.h"
#include "scene/anifloat.h"
#include "scene/envelope.h"
#include "scene/fields.h"
#include "scene/preferences.h"
#include "scene_fixture.h"

namespace {

constexpr int kViscosity = 5078;
constexpr int kPlain = 5080;

ANIFloat* g_viscosity = nullptr;
int g_commands = 0;
int g_other_commands = 0;

// A panel in the way panels are written: it answers the parameter query for its animated
// field and hands "Open Envelope" to the shared helper.
intptr_t PanelProc(platform::Dialog* dialog, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgAnimatedParameter) {
        if (static_cast<int>(wparam) == kViscosity) {
            *reinterpret_cast<ANIFloat**>(lparam) = g_viscosity;
        }
        return 0;
    }
    if (msg == platform::kMsgCommand) {
        ++g_commands;
        if (ProcesaOpenEnvelope(dialog, wparam, lparam)) return 1;
        ++g_other_commands;
        if (platform::CommandCode(wparam) == platform::kNotifyKillFocus &&
            platform::CommandId(wparam) == kViscosity) {
            DameANIFloat(dialog, kViscosity, g_viscosity);
        }
    }
    return 0;
}

const platform::ControlTemplate kControls[] = {
    {kViscosity, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kPlain, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
};
const platform::DialogTemplate kPanel = {"Liquid", 100, 100, kControls, 2};

class AnimatedFieldTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        param.InitValue(15.0f, "Viscosity", 1.0f, 100.0f);
        g_viscosity = &param;
        g_commands = g_other_commands = 0;
        panel = platform::CreateDialog(&kPanel, PanelProc, nullptr);
    }
    void TearDown() override {
        platform::DestroyDialog(panel);
        g_viscosity = nullptr;
        SetEnvelopeEditorAnswer(kEditorClosed);
        SceneTest::TearDown();
    }
    int Enter(const char* text) {
        panel->SetText(kViscosity, text);
        return DameANIFloat(panel, kViscosity, &param);
    }
    ANIFloat param;
    platform::Dialog* panel = nullptr;
};

TEST_F(AnimatedFieldTest, AnEntryMovesTheOldValueToBaseAndAClampSetsBothToTheLimit) {
    // The value from before an entry goes to base and the text stays as typed; a clamp shows
    // the limit in both; text with no number is refused and the field shows the value again.
    const struct {
        const char* text;
        int ok;
        float value, base;
        const char* shown;
    } entries[] = {{"20", 1, 20, 15, "20"},
                   {"500", 1, 100, 100, "100.00"},
                   {"-3", 1, 1, 1, " 1.00"},
                   {"lots", 0, 1, 1, " 1.00"}};
    for (const auto& e : entries) {
        EXPECT_EQ(Enter(e.text), e.ok) << e.text;
        EXPECT_EQ((std::vector<float>{param.value, param.base}),
                  (std::vector<float>{e.value, e.base}))
            << e.text;
        EXPECT_EQ(panel->GetText(kViscosity), e.shown) << e.text;
    }

    // 666 leaves that side open; equal limits mean none.
    param.min = 0;
    param.max = kNoLimit;
    EXPECT_EQ(Enter("1e6"), 1);
    EXPECT_EQ(param.value, 1e6f);
    param.max = 0;
    EXPECT_EQ(Enter("-1e6"), 1);
    EXPECT_EQ(param.value, -1e6f);
    EXPECT_EQ(param.base, 1e6f);
}

// Open Envelope reaches only fields that edit a parameter; an animated one is only shown, in its
// own colour, until the editor clears its envelope.
TEST_F(AnimatedFieldTest, AnAnimatedParameterIsOnlyShownAndColouredAsSuchUntilCleared) {
    EXPECT_EQ(QueryAnimatedParameter(panel, kPlain), nullptr);
    EXPECT_FALSE(RequestOpenEnvelope(panel, kPlain));
    EXPECT_EQ(g_commands, 0);
    // The same command naming a plain field is taken but opens nothing.
    EXPECT_EQ(panel->Send(platform::kMsgCommand, platform::MakeCommand(kCmdOpenEnvelope, 0), kPlain), 1);
    // A double-click on the field: the command with the field's id, then the editor; a curve
    // still flat when the editor closes leaves the parameter plain.
    ASSERT_TRUE(RequestOpenEnvelope(panel, kViscosity));
    EXPECT_EQ(g_commands, 2);
    EXPECT_EQ(g_other_commands, 0);
    EXPECT_EQ(param.envelope, nullptr);

    prefs.decimals = 1;
    EXPECT_EQ(ProcesaCtlColorEdit(panel, kPlain), kFieldColourNone);
    EXPECT_EQ(ProcesaCtlColorEdit(panel, kViscosity), 0xFFFFC8u);  // RGB (255, 255, 200)
    param.envelope = new Envelope(60, 15.0f, 1.0f, 100.0f);
    param.animated = 1;
    param.value = 42.0f;
    EXPECT_EQ(ProcesaCtlColorEdit(panel, kViscosity), 0xFFC8C8u);  // RGB (255, 200, 200)
    platform::TypeIntoField(panel, kViscosity, "7");
    EXPECT_EQ(g_other_commands, 1);  // other commands are the panel's own
    EXPECT_EQ((std::vector<float>{param.value, param.base}), (std::vector<float>{42, 15}));
    EXPECT_EQ(panel->GetText(kViscosity), " 42.0");

    SetEnvelopeEditorAnswer(kEditorClearEnvelope);
    ASSERT_TRUE(RequestOpenEnvelope(panel, kViscosity));
    EXPECT_EQ(param.animated, 0);
    EXPECT_EQ(param.envelope, nullptr);
    EXPECT_EQ(param.value, 15.0f);
    EXPECT_EQ(panel->GetText(kViscosity), " 15.0");
    EXPECT_EQ(ProcesaCtlColorEdit(panel, kViscosity), 0xFFFFC8u);
}

}  // namespace
