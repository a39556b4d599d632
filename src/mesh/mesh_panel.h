#pragma once

#include <cstdint>

#include "export.h"
#include "platform/dialog.h"

class Fluido;
class Mesh;

// The mesh panel: the tree of meshes with their fluids, the scene's fluid list, the mesh's
// settings and the field parameters of the chosen link. Written against the dialog layer; the
// desktop application gives it its window. A slider move reaches the panel as a command with
// the slider's id and kNotifySelChange, its new position already set.
namespace mesh_panel {

enum Control {
    kIdTree = 6100,             // meshes, each followed by its fluids ("    <emitter>")
    kIdFluids = 6101,           // the scene's fluids
    kIdNewMesh = 6102,
    kIdDeleteMesh = 6103,
    kIdInsertSelected = 6104,   // "Insert fluids from selection"
    kIdInsertAll = 6105,        // "Insert all fluids"
    kIdCleanList = 6106,        // "Clean list of fluids"
    kIdRemoveItem = 6107,       // "Remove Item"
    kIdAddToAll = 6108,         // "Add to all meshes"
    kIdBuildNow = 6109,         // the one-shot build
    kIdDisplay = 6110,          // "Display mesh on viewport"
    kIdDisable = 6111,          // "Disable mesh generation"
    kIdResolution = 6112,
    kIdResolutionText = 6113,   // "Resolution %d%%"
    kIdEstimated = 6114,        // "Estimated: %d"
    kIdRadius = 6115,
    kIdRadiusText = 6116,       // "Radius %d%%"
    kIdBlend = 6117,
    kIdBlendText = 6118,        // "Blend factor %d%%"
    kIdFractal = 6119,          // "Use fractal displacement"
    kIdDragNoise = 6120,        // "Drag Noise"
    kIdSubtractive = 6121,      // "Substractive field"
    kIdAmplitude = 6122,
    kIdFrequency = 6123,
    kIdOctaves = 6124,          // "# of octaves"
    kIdName = 6125,             // "Mesh name"
    kIdDirectory = 6126,
    kIdSurfaceName = 6127,
    kIdFrameOffset = 6128,
    kIdOutLwo = 6129,
    kIdOutLwo2 = 6130,
    kIdOutBin = 6131,
    kIdOutObj = 6132,
    kIdClipBox = 6133,          // "Apply clipping-box"
    kIdClipMinX = 6134,         // MIN x, y, z, then MAX x, y, z
    kIdClipMaxZ = 6139,
    kIdObjectClip = 6140,       // "Enable clipping"
    kIdInverseClip = 6141,      // "Inverse clipping (outside)"
    kIdUvw = 6142,              // "Calculate UVW Mapping"
    // Optimize tab.
    kIdOptimize = 6143,         // "Optimize mesh"
    kIdSubdivide = 6144,        // "Face subdivision"
    kIdIterations = 6145,       // "Iterations"
    kIdThreshold = 6146,        // "Threshold" (percent)
    kIdMaxFaces = 6147,         // "Max. faces"
    kIdLimitFaces = 6148,       // the check box beside "Max. faces"
    // Filters tab.
    kIdFilterStandard = 6149,   // "Standard filter"
    kIdFilterSharp = 6150,      // "Sharp mesh"
    kIdFilterStrength = 6151,   // slider, shown while a filter is chosen
    kIdFilterText = 6152,       // "Filter Iterations: %d%%"
    // Texture tab.
    kIdChannelTexture = 6153,   // "Texture ", then "Speed ", "Pressure", "Temperature"
    kIdChannelTemperature = 6156,
    kIdTiling = 6157,           // "Tiling texture"
    kIdRemap = 6158,            // "Re-mapping at current frame"
    kIdMotionBlur = 6159,       // "Calculate Motion Blur (data will be saved to output files)"
    kIdPreviewTexture = 6160,   // "Preview texture"
    kIdUnloadTexture = 6161,    // "Unload texture"
    kIdTextureName = 6162,      // the preview image's name
    // Surface file.
    kIdSurfaceFile = 6163,      // the file, "(default)" when none
    kIdChooseSurface = 6164,    // "..."
    kIdIncludeShader = 6165,    // "Include Undaline_shader"
    kIdClearSurface = 6166,     // "Clear surface"
};

UNDALINE_API const platform::DialogTemplate* Template();
UNDALINE_API intptr_t Procesa(platform::Dialog* panel, unsigned msg, uintptr_t wparam,
                              intptr_t lparam);

// The link whose parameters the panel shows (a fluid item chosen in the tree), or null.
UNDALINE_API Fluido* SelectedFluid();
// Rebuilds both lists and the fields from the scene.
UNDALINE_API void Refresh(platform::Dialog* panel);

// The two switches, shared with the mesh popup menu so its check marks follow the panel.
UNDALINE_API void ToggleDisplay(Mesh* mesh);
UNDALINE_API void ToggleGeneration(Mesh* mesh);

// "Estimated: %d" for the mesh at a resolution (percent).
UNDALINE_API int EstimatedFaces(const Mesh* mesh, int resolution);

// What the desktop face sends when the user drags a slider.
UNDALINE_API intptr_t MoveSlider(platform::Dialog* panel, int id, int position);

}  // namespace mesh_panel
