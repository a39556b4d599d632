#pragma once

#include <cstdint>

#include "export.h"
#include "platform/dialog.h"

class Fluido;

// The fluid panel: the parameters of the selected fluid (selflow). A common window holds the
// six type buttons, the buttons that open the destruction, display and output dialogs and the
// particle-deletion toggle; below them one type sub-panel is shown, the fluid's `panel`: the
// liquid panel for types 1 to 4, the elastic panel for 6, the dumb panel for 5. Edits write
// the fluid's fields at once; fields are read when they lose the focus.
namespace fluid_panel {

enum Control {
    // Common window.
    kIdGas = 5060,  // the six type buttons, 5060 to 5065 in type order
    kIdElastic = 5065,
    kIdDestruction = 5066,
    kIdDisplay = 5067,
    kIdOutput = 5068,
    kIdDeleteBySelection = 5069,
    kIdSubPanelAnchor = 5070,
    // Type sub-panels (the same id where the same field appears in several).
    kIdDensity = 5071,
    kIdExternalPressure = 5072,
    kIdTemperature = 5073,
    kIdExternalTemperature = 5074,
    kIdConductivity = 5075,
    kIdExternalConductivity = 5076,
    kIdFull = 5077,
    kIdViscosity = 5078,
    kIdPressure = 5079,
    kIdMaxParticles = 5080,
    kIdSpring = 5082,
    kIdDamping = 5083,
    kIdAutoRepulsion = 5084,
    kIdRepulsion = 5085,
    kIdElasticLimitOn = 5086,
    kIdElasticLimit = 5087,
    kIdFractureLimitOn = 5088,
    kIdFractureLimit = 5089,
    kIdRemoveIsolated = 5090,
    kIdMass = 5091,
    kIdRandomEmission = 5095,
    // "Particle destruction".
    kIdKillAge = 5201,  // the six rule switches in the order of the rule buttons below
    kIdKillVolume = 5202,
    kIdKillCollision = 5203,
    kIdKillSpeed = 5204,
    kIdKillIsolated = 5205,
    kIdKillRandom = 5206,
    kIdShowAge = 5211,  // "Age", "Volume", "Collision", "Velocity", "Isolated", "Random"
    kIdShowRandom = 5216,
    kIdLifeTime = 5221,
    kIdBoxMinX = 5222,  // MIN x, y, z, then MAX x, y, z
    kIdBoxMaxZ = 5227,
    kIdFitToObject = 5228,
    kIdMaxSpeed = 5229,
    kIdIsolationTime = 5230,
    kIdProbability = 5231,
    kIdSplitOn = 5232,
    kIdSplitCount = 5233,
    kIdSplitGenerations = 5234,
    kIdSplitSpeed = 5235,
    kIdRuleCaption = 5236,
    // "Particle visualization".
    kIdShowVelocity = 5241,  // Velocity, Pressure, Temperature, Constant: colour modes 1 to 4
    kIdShowConstant = 5244,
    kIdAutoRange = 5245,
    kIdRangeMin = 5246,
    kIdRangeMax = 5247,
    // "Particle output files setup".
    kIdOutBin = 5251,
    kIdOutAscii = 5252,
    kIdOutLwo = 5253,
    kIdOnlyFirstLwo = 5254,
    kIdOutMaxOn = 5255,
    kIdOutMax = 5256,
    kIdSurfaceFile = 5257,
    kIdChooseSurface = 5258,
    kIdSurfaceName = 5259,
    kIdClearSurface = 5260,
    kIdOutDir = 5261,
    kIdChooseOutDir = 5262,
    kIdPrefix = 5263,
    kIdFrameOffset = 5264,
};

// Messages the panel shows.
constexpr const char* kMsgDensityNotValid = "Density value is not valid";
constexpr const char* kMsgDensityZero = "Density zero is not allowed";
constexpr const char* kMsgChof = " Recommended Full viscosity ON and 100 viscosity";
constexpr const char* kMsgRepulsion = " Repulsion factor will make the process slower";

// Creates the common window and its three sub-panels as children of parent (the emitter
// panel), placed below the panel's emitter anchor, hidden until a fluid is shown. The fluid
// layer then reports it as the window emitter windows of layout 1 sit below, and
// ControlCommonUpdate (scene_hooks.h) refreshes it. Null parent: a window of its own.
UNDALINE_API platform::Dialog* Create(platform::Dialog* parent);
// Destroys the panel and the dialogs it opened.
UNDALINE_API void Destroy();
UNDALINE_API platform::Dialog* Window();
// The bottom of the window with the sub-panel shown, in its parent's dialog units: where the
// emitter windows that sit below it begin.
UNDALINE_API int WindowBottom();
// The sub-panel of a type (the liquid panel for 1 to 4); null before Create.
UNDALINE_API platform::Dialog* SubPanel(int type);

// Shows fluid (selflow, usually) in the panel and the dialogs: its type button, its sub-panel
// with its fields, the display and output settings. Null hides the panel.
UNDALINE_API void ShowFluid(Fluido* fluid);

// A type button: the fluid takes the type and its sub-panel, and its emitter hears of the
// type it had. Choosing "Chof" adds a notice. Nothing happens for the type the fluid has.
UNDALINE_API void ChooseType(Fluido* fluid, int type);

// The dialogs of the common window's buttons, opened (or brought back) on selflow.
UNDALINE_API platform::Dialog* OpenDestruction();
UNDALINE_API platform::Dialog* OpenVisualization();
UNDALINE_API platform::Dialog* OpenOutput();
// The open dialogs, null when closed.
UNDALINE_API platform::Dialog* DestructionDialog();
UNDALINE_API platform::Dialog* VisualizationDialog();
UNDALINE_API platform::Dialog* OutputDialog();

// "Delete particles by selection": while pressed, particles picked in the viewport are
// deleted. Setting it from outside (the picking tool releasing it) keeps the button in step.
UNDALINE_API bool DeleteBySelection();
UNDALINE_API void SetDeleteBySelection(bool on);
// Told when the user presses or releases the button (the window's particle selection).
UNDALINE_API void SetDeleteBySelectionHook(void (*hook)(bool on));

// Called after every change the panel made to a fluid (the window marks the scene modified
// and relists the fluids, whose items show their type).
UNDALINE_API void SetChangedHook(void (*hook)());

// "Fit to object": the object the user chooses and its world bounds. Installed by the
// objects layer; without it the button does nothing.
struct ObjectBoundsReader {
    // An object chosen by the user, null when cancelled.
    void* (*choose)() = nullptr;
    // Its world bounding box; false when it has no vertices.
    bool (*bounds)(void* object, float min[3], float max[3]) = nullptr;
};
UNDALINE_API void SetObjectBoundsReader(const ObjectBoundsReader& reader);

// Dialog procedures, for tests that drive the dialogs headless.
UNDALINE_API intptr_t CommonProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam);
UNDALINE_API intptr_t SubPanelProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam);

}  // namespace fluid_panel
