// The fluid panel on the headless dialogs: every field's rule and message, the type buttons
// and their sub-panels, and the three dialogs of the common window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fluid/fluid_panel.h"
#include "fluid_fixture.h"
#include "platform/dialog.h"
#include "platform/file_dialog.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/descriptor.h"
#include "scene/fields.h"
#include "node_class.h"

namespace {

using namespace fluid_panel;

std::vector<int> g_changes;  // the previous types OnFluidChange heard, in order
int g_regenerations = 0;

class RecordingEmitter : public Creador {
public:
    void CalculaDependientes() override { ++g_regenerations; }
    void OnFluidChange(char previous) override { g_changes.push_back(previous); }
};

ClassOf<RecordingEmitter> g_class(kClassEmitter, 9301, "Jet");

class FluidPanelTest : public FluidTest {
protected:
    void SetUp() override {
        FluidTest::SetUp();
        platform::ResetMessages();
        platform::ClearOpenFileAnswers();
        ASSERT_NE(Create(nullptr), nullptr);
        f = CreaFluido(&g_class);
        ASSERT_NE(f, nullptr);
        selflow = f;
        ShowFluid(f);
        g_changes.clear();
        g_regenerations = 0;
    }
    void TearDown() override {
        Destroy();
        FluidTest::TearDown();
    }
    platform::Dialog* Shown() const { return f->panel; }
    void Type(int id, const char* text) { platform::TypeIntoField(Shown(), id, text); }
    static int TypeButton(int type) { return kIdGas + type - 1; }
    void Choose(int type) { platform::ClickControl(Window(), TypeButton(type)); }

    Fluido* f = nullptr;
};

TEST_F(FluidPanelTest, ADensityThatIsNoDensityBecomes1000AndTheFluidStartsAgain) {
    const struct {
        int type;
        const char* text;
        float density;
        const char* message;  // null: none
    } cases[] = {
        {kFluidLiquid, "-5", 1000.0f, kMsgDensityNotValid}, {kFluidLiquid, "0", 1000.0f, kMsgDensityNotValid},
        {kFluidLiquid, "1200", 1200.0f, nullptr},           {kFluidElastic, "-1", 1000.0f, kMsgDensityNotValid},
        {kFluidDumb, "0", 1000.0f, kMsgDensityZero},        {kFluidDumb, "-3", 1000.0f, kMsgDensityZero},
        {kFluidDumb, "640", 640.0f, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        f->type = static_cast<unsigned char>(c.type);
        f->restDensity = 800.0f;
        ShowFluid(f);
        platform::ClearMessageBoxes();
        g_regenerations = 0;
        Type(kIdDensity, c.text);
        EXPECT_EQ(f->restDensity, c.density);
        EXPECT_FLOAT_EQ(f->invRestDensity, 1.0f / c.density);
        EXPECT_EQ(g_regenerations, 1);
        EXPECT_EQ(platform::MessageBoxCount(), c.message ? 1 : 0);
        if (c.message) {
            EXPECT_EQ(platform::LastMessageBoxText(), c.message);
        }
        EXPECT_EQ(Shown()->GetText(kIdDensity), platform::Format("%5.0f", static_cast<double>(c.density)));
    }
    // Text that is no number is refused: nothing changes, the fluid does not start again.
    g_regenerations = 0;
    Type(kIdDensity, "thick");
    EXPECT_EQ(f->restDensity, 640.0f);
    EXPECT_EQ(g_regenerations, 0);
}

TEST_F(FluidPanelTest, FieldsKeepTheirLimits) {
    f->type = kFluidGas;  // the temperature fields take entries only for a gas
    ShowFluid(f);
    const struct {
        int id;
        const char* text;
        float Fluido::*field;
        float expected;
    } floats[] = {
        {kIdConductivity, "1.5", &Fluido::conductivity, 1.0f},
        {kIdConductivity, "-2", &Fluido::conductivity, 0.0f},
        {kIdTemperature, "-40", &Fluido::initialTemperature, 0.0f},
        {kIdExternalTemperature, "-1", &Fluido::externalTemperature, 0.0f},
        {kIdExternalConductivity, "-7.5", &Fluido::externalConductivity, -7.5f},
        {kIdExternalPressure, "-3000", &Fluido::externalPressure, -3000.0f},
    };
    for (const auto& c : floats) {
        SCOPED_TRACE(c.text);
        Type(c.id, c.text);
        EXPECT_EQ(f->*c.field, c.expected);
    }
    const struct {
        const char* text;
        int expected;
    } counts[] = {{"0", 0}, {"-5", 0}, {"1200", 1200}, {"many", 1200}};
    for (const auto& c : counts) {
        Type(kIdMaxParticles, c.text);
        EXPECT_EQ(f->maxParticles, c.expected) << c.text;
    }
    EXPECT_EQ(Shown()->GetText(kIdMaxParticles), "1200");

    // Mass lives on the elastic panel: at least 0.001.
    Choose(kFluidElastic);
    Type(kIdMass, "0");
    EXPECT_FLOAT_EQ(f->mass, 0.001f);
}

TEST_F(FluidPanelTest, TheTypeButtonsSwapSubPanelsAndTellTheEmitterWhatTheFluidWas) {
    ASSERT_EQ(f->type, kFluidLiquid);
    EXPECT_EQ(f->panel, SubPanel(kFluidLiquid));
    Choose(kFluidElastic);
    EXPECT_EQ(f->type, kFluidElastic);
    EXPECT_EQ(f->panel, SubPanel(kFluidElastic));
    EXPECT_TRUE(SubPanel(kFluidElastic)->IsWindowVisible());
    EXPECT_FALSE(SubPanel(kFluidLiquid)->IsWindowVisible());
    Choose(kFluidLiquid);
    EXPECT_TRUE(SubPanel(kFluidLiquid)->IsWindowVisible());
    EXPECT_FALSE(SubPanel(kFluidElastic)->IsWindowVisible());
    Choose(kFluidDumb);
    EXPECT_TRUE(SubPanel(kFluidDumb)->IsWindowVisible());
    Choose(kFluidDumb);  // the type it has: nothing to tell
    EXPECT_EQ(g_changes, (std::vector<int>{kFluidLiquid, kFluidElastic, kFluidLiquid}));
    EXPECT_TRUE(Window()->IsChecked(TypeButton(kFluidDumb)));
    EXPECT_FALSE(Window()->IsChecked(TypeButton(kFluidLiquid)));

    // Only a gas has a temperature; "Chof" comes with advice.
    Choose(kFluidViscous);
    EXPECT_FALSE(Shown()->IsEnabled(kIdTemperature));
    Choose(kFluidGas);
    for (int id : {kIdTemperature, kIdExternalTemperature, kIdConductivity, kIdExternalConductivity}) {
        EXPECT_TRUE(Shown()->IsEnabled(id)) << id;
    }
    Choose(kFluidChof);
    EXPECT_EQ(platform::StatusText(), kMsgChof);
    EXPECT_EQ(platform::StatusColour(), platform::kStatusBlue);
}

TEST_F(FluidPanelTest, AnimatedParametersTakeNoTypingAndElasticSwitchesOpenTheirFields) {
    platform::Dialog* d = Shown();
    EXPECT_EQ(QueryAnimatedParameter(d, kIdViscosity), &f->viscosity);
    EXPECT_EQ(QueryAnimatedParameter(d, kIdPressure), &f->pressureK);
    EXPECT_EQ(QueryAnimatedParameter(d, kIdDensity), nullptr);
    Type(kIdPressure, "0.25");
    EXPECT_EQ(f->pressureK.value, 0.25f);
    EXPECT_EQ(d->GetText(kIdPressure), "0.250");
    f->viscosity.animated = 1;  // an envelope drives it: typing changes nothing
    Type(kIdViscosity, "40");
    EXPECT_EQ(f->viscosity.value, 15.0f);
    f->viscosity.animated = 0;

    Choose(kFluidElastic);
    d = Shown();
    EXPECT_FALSE(d->IsEnabled(kIdRepulsion));
    platform::ClickControl(d, kIdAutoRepulsion);
    EXPECT_EQ(f->autoRepulsion, 1);
    EXPECT_TRUE(d->IsEnabled(kIdRepulsion));
    EXPECT_EQ(platform::StatusText(), kMsgRepulsion);
    platform::ClickControl(d, kIdFractureLimitOn);
    EXPECT_EQ(f->fractureLimitOn, 1);
    EXPECT_TRUE(d->IsEnabled(kIdFractureLimit));
    EXPECT_FALSE(d->IsEnabled(kIdElasticLimit));
    platform::ClickControl(d, kIdRemoveIsolated);
    EXPECT_EQ(f->removeIsolated, 0);  // on by default
}

TEST_F(FluidPanelTest, DestructionDialogShowsOneRuleAtATime) {
    platform::Dialog* d = OpenDestruction();
    ASSERT_NE(d, nullptr);
    platform::ClickControl(d, kIdKillSpeed);
    EXPECT_EQ(f->killBySpeed, 1);
    platform::ClickControl(d, kIdShowAge + 3);  // "Velocity"
    EXPECT_TRUE(d->IsVisible(kIdMaxSpeed));
    EXPECT_FALSE(d->IsVisible(kIdLifeTime));
    EXPECT_FALSE(d->IsVisible(kIdBoxMinX));
    platform::ClickControl(d, kIdSplitOn);
    EXPECT_EQ(f->splitOnVelocity, 1);
    EXPECT_EQ(f->splitOnAge, 0);
    EXPECT_EQ(f->splitEnabled, 1);
    // Volume never splits: no split switch; its box is edited in place.
    platform::ClickControl(d, kIdShowAge + 1);
    EXPECT_FALSE(d->IsVisible(kIdSplitOn));
    platform::TypeIntoField(d, kIdBoxMaxZ, "2.5");
    EXPECT_EQ(f->killBoxMax.z, 2.5f);
    platform::ClickControl(d, kIdShowRandom);
    platform::TypeIntoField(d, kIdProbability, "3");
    EXPECT_EQ(f->killProbability, 1.0f);
    // Another fluid selected: the open dialog shows it.
    Fluido* other = CreaFluido(&g_class);
    selflow = other;
    ShowFluid(other);
    EXPECT_FALSE(d->IsChecked(kIdKillSpeed));
}

TEST_F(FluidPanelTest, OutputDialogEditsTheFilesOfTheFluid) {
    platform::Dialog* d = OpenOutput();
    ASSERT_NE(d, nullptr);
    EXPECT_FALSE(d->IsEnabled(kIdOnlyFirstLwo));
    EXPECT_EQ(d->GetText(kIdSurfaceFile), f->surfaceFile);  // a new fluid's: the output folder
    platform::ClickControl(d, kIdOutLwo);
    EXPECT_EQ(f->outLwo, 1);
    EXPECT_TRUE(d->IsEnabled(kIdOnlyFirstLwo));
    EXPECT_FALSE(d->IsEnabled(kIdOutMax));
    platform::ClickControl(d, kIdOutMaxOn);
    EXPECT_TRUE(d->IsEnabled(kIdOutMax));
    platform::TypeIntoField(d, kIdPrefix, std::string(60, 'p'));
    EXPECT_EQ(std::string(f->prefix), std::string(49, 'p'));
    platform::QueueOpenFileAnswer("/srv/render/jet");
    platform::ClickControl(d, kIdChooseOutDir);
    EXPECT_EQ(std::string(f->outDir), "/srv/render/jet");
    EXPECT_EQ(d->GetText(kIdOutDir), "/srv/render/jet");
    platform::ClickControl(d, kIdChooseOutDir);  // cancelled: kept
    EXPECT_EQ(std::string(f->outDir), "/srv/render/jet");
    platform::QueueOpenFileAnswer("/srv/render/water.srf");
    platform::ClickControl(d, kIdChooseSurface);
    EXPECT_EQ(d->GetText(kIdSurfaceFile), "/srv/render/water.srf");
    platform::ClickControl(d, kIdClearSurface);
    EXPECT_EQ(d->GetText(kIdSurfaceFile), "(default)");
}

TEST_F(FluidPanelTest, VisualizationRangesFollowTheColourMode) {
    platform::Dialog* d = OpenVisualization();
    ASSERT_NE(d, nullptr);
    platform::ClickControl(d, kIdShowVelocity + 1);  // pressure
    EXPECT_EQ(f->colourMode, 2);
    EXPECT_FALSE(d->IsEnabled(kIdRangeMax));  // automatic at first
    platform::ClickControl(d, kIdAutoRange);
    EXPECT_EQ(f->autoRange[1], 0);
    platform::TypeIntoField(d, kIdRangeMax, "500");
    EXPECT_EQ(f->manualRange[2], 500.0f);
    EXPECT_EQ(f->manualRange[0], 1.0f);  // velocity's own range untouched
    platform::ClickControl(d, kIdShowConstant);
    EXPECT_EQ(f->colourMode, 4);
    EXPECT_FALSE(d->IsEnabled(kIdAutoRange));
}

}  // namespace
