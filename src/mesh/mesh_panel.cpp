// The mesh panel's logic: the mesh tree and its commands, the mesh's settings and the chosen
// link's field parameters.
#include "mesh/mesh_panel.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "mesh/mesh_panel_private.h"
#include "mesh/surface_files.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/ui_hooks.h"
#include "scene/creador.h"
#include "scene/fields.h"
#include "scene/view_settings.h"

namespace mesh_panel {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;

constexpr ControlTemplate kControls[] = {
    {kIdTree, ControlKind::ListBox, "", 4, 4, 120, 90, 0},
    {kIdFluids, ControlKind::ListBox, "", 128, 4, 90, 90, 0},
    {kIdNewMesh, ControlKind::PushButton, "New Mesh", 4, 98, 56, 12, 0},
    {kIdDeleteMesh, ControlKind::PushButton, "Delete Mesh", 64, 98, 56, 12, 0},
    {kIdInsertSelected, ControlKind::PushButton, "Insert fluids from selection", 4, 112, 114, 12, 0},
    {kIdInsertAll, ControlKind::PushButton, "Insert all fluids", 122, 112, 96, 12, 0},
    {kIdCleanList, ControlKind::PushButton, "Clean list of fluids", 4, 126, 114, 12, 0},
    {kIdRemoveItem, ControlKind::PushButton, "Remove Item", 122, 126, 96, 12, 0},
    {kIdAddToAll, ControlKind::PushButton, "Add to all meshes", 4, 140, 114, 12, 0},
    {kIdBuildNow, ControlKind::PushButton, "Build mesh", 122, 140, 96, 12, 0},
    {kIdDisplay, ControlKind::CheckBox, "Display mesh on viewport", 4, 156, 110, 10, 0},
    {kIdDisable, ControlKind::CheckBox, "Disable mesh generation", 118, 156, 100, 10, 0},
    {kIdResolutionText, ControlKind::Static, "Resolution 6%", 4, 170, 70, 10, 0},
    {kIdResolution, ControlKind::Slider, "", 76, 168, 100, 12, 0},
    {kIdEstimated, ControlKind::Static, "Estimated: 0", 178, 170, 50, 10, 0},
    {kIdRadiusText, ControlKind::Static, "Radius 37%", 4, 184, 70, 10, 0},
    {kIdRadius, ControlKind::Slider, "", 76, 182, 100, 12, 0},
    {kIdBlendText, ControlKind::Static, "Blend factor 95%", 4, 198, 70, 10, 0},
    {kIdBlend, ControlKind::Slider, "", 76, 196, 100, 12, 0},
    {kIdFractal, ControlKind::CheckBox, "Use fractal displacement", 4, 212, 100, 10, 0},
    {kIdDragNoise, ControlKind::CheckBox, "Drag Noise", 108, 212, 50, 10, 0},
    {kIdSubtractive, ControlKind::CheckBox, "Substractive field", 160, 212, 70, 10, 0},
    {0, ControlKind::Static, "Amplitude", 4, 226, 40, 10, 0},
    {kIdAmplitude, ControlKind::Edit, "", 46, 224, 30, 12, 0},
    {0, ControlKind::Static, "Frequency", 80, 226, 40, 10, 0},
    {kIdFrequency, ControlKind::Edit, "", 122, 224, 30, 12, 0},
    {0, ControlKind::Static, "# of octaves", 156, 226, 44, 10, 0},
    {kIdOctaves, ControlKind::Edit, "", 202, 224, 20, 12, platform::kStyleNumber},
    {0, ControlKind::Static, "Mesh name", 4, 242, 44, 10, 0},
    {kIdName, ControlKind::Edit, "", 50, 240, 80, 12, 0},
    {0, ControlKind::Static, "Directory", 4, 256, 44, 10, 0},
    {kIdDirectory, ControlKind::Edit, "", 50, 254, 170, 12, 0},
    {0, ControlKind::Static, "Surface name", 4, 270, 44, 10, 0},
    {kIdSurfaceName, ControlKind::Edit, "", 50, 268, 80, 12, 0},
    {0, ControlKind::Static, "Frame offset", 134, 270, 44, 10, 0},
    {kIdFrameOffset, ControlKind::Edit, "", 180, 268, 40, 12, platform::kStyleNumber},
    {kIdOutLwo, ControlKind::CheckBox, "LWO format (Lightwave 5.x object format)", 4, 284, 200, 10, 0},
    {kIdOutLwo2, ControlKind::CheckBox, "LWO2 format (Lightwave 6 object format)", 4, 296, 200, 10, 0},
    {kIdOutBin, ControlKind::CheckBox, "BIN format (Softimage, 3D Studio, Maya plugins)", 4, 308, 200, 10, 0},
    {kIdOutObj, ControlKind::CheckBox, "OBJ format (Alias|Wavefront format)", 4, 320, 200, 10, 0},
    {kIdClipBox, ControlKind::CheckBox, "Apply clipping-box", 4, 334, 80, 10, 0},
    {0, ControlKind::Static, "MIN", 4, 348, 20, 10, 0},
    {kIdClipMinX, ControlKind::Edit, "", 26, 346, 40, 12, 0},
    {kIdClipMinX + 1, ControlKind::Edit, "", 68, 346, 40, 12, 0},
    {kIdClipMinX + 2, ControlKind::Edit, "", 110, 346, 40, 12, 0},
    {0, ControlKind::Static, "MAX", 4, 362, 20, 10, 0},
    {kIdClipMinX + 3, ControlKind::Edit, "", 26, 360, 40, 12, 0},
    {kIdClipMinX + 4, ControlKind::Edit, "", 68, 360, 40, 12, 0},
    {kIdClipMaxZ, ControlKind::Edit, "", 110, 360, 40, 12, 0},
    {kIdObjectClip, ControlKind::CheckBox, "Enable clipping", 4, 376, 80, 10, 0},
    {kIdInverseClip, ControlKind::CheckBox, "Inverse clipping (outside)", 88, 376, 110, 10, 0},
    {kIdUvw, ControlKind::CheckBox, "Calculate UVW Mapping", 4, 390, 100, 10, 0},
    {0, ControlKind::GroupBox, "Optimize", 2, 404, 226, 44, 0},
    {kIdOptimize, ControlKind::CheckBox, "Optimize mesh", 6, 414, 70, 10, 0},
    {kIdSubdivide, ControlKind::CheckBox, "Face subdivision", 80, 414, 80, 10, 0},
    {0, ControlKind::Static, "Iterations", 6, 430, 36, 10, 0},
    {kIdIterations, ControlKind::Edit, "", 42, 428, 24, 12, platform::kStyleNumber},
    {0, ControlKind::Static, "Threshold", 70, 430, 36, 10, 0},
    {kIdThreshold, ControlKind::Edit, "", 106, 428, 28, 12, 0},
    {0, ControlKind::Static, "Max. faces", 138, 430, 38, 10, 0},
    {kIdMaxFaces, ControlKind::Edit, "", 176, 428, 36, 12, platform::kStyleNumber},
    {kIdLimitFaces, ControlKind::CheckBox, "", 214, 430, 10, 10, 0},
    {0, ControlKind::GroupBox, "Filters", 2, 450, 226, 40, 0},
    {kIdFilterStandard, ControlKind::CheckBox, "Standard filter", 6, 460, 70, 10, 0},
    {kIdFilterSharp, ControlKind::CheckBox, "Sharp mesh", 80, 460, 60, 10, 0},
    {kIdFilterText, ControlKind::Static, "Filter Iterations: 25%", 6, 476, 80, 10, platform::kStyleHidden},
    {kIdFilterStrength, ControlKind::Slider, "", 90, 474, 130, 12, platform::kStyleHidden},
    {0, ControlKind::GroupBox, "Texture", 2, 492, 226, 70, 0},
    {kIdChannelTexture, ControlKind::RadioButton, "Texture ", 6, 502, 50, 10, platform::kStyleGroup},
    {kIdChannelTexture + 1, ControlKind::RadioButton, "Speed ", 58, 502, 50, 10, 0},
    {kIdChannelTexture + 2, ControlKind::RadioButton, "Pressure", 110, 502, 50, 10, 0},
    {kIdChannelTemperature, ControlKind::RadioButton, "Temperature", 162, 502, 60, 10, 0},
    {kIdTiling, ControlKind::CheckBox, "Tiling texture", 6, 514, 70, 10, 0},
    {kIdRemap, ControlKind::PushButton, "Re-mapping at current frame", 80, 512, 110, 12, 0},
    {kIdMotionBlur, ControlKind::CheckBox,
     "Calculate Motion Blur (data will be saved to output files)", 6, 528, 216, 10, 0},
    {kIdPreviewTexture, ControlKind::PushButton, "Preview texture", 6, 542, 60, 12, 0},
    {kIdUnloadTexture, ControlKind::PushButton, "Unload texture", 70, 542, 60, 12, 0},
    {kIdTextureName, ControlKind::Static, "", 134, 544, 90, 10, 0},
    {0, ControlKind::Static, "Surface file", 4, 568, 44, 10, 0},
    {kIdSurfaceFile, ControlKind::Static, "(default)", 50, 568, 150, 10, 0},
    {kIdChooseSurface, ControlKind::PushButton, "...", 204, 566, 20, 12, 0},
    {kIdIncludeShader, ControlKind::CheckBox, "Include Undaline_shader", 4, 582, 100, 10, 0},
    {kIdClearSurface, ControlKind::PushButton, "Clear surface", 150, 580, 70, 12, 0},
};
constexpr platform::DialogTemplate kTemplate = {
    "Meshes", 230, 598, kControls, static_cast<int>(sizeof kControls / sizeof kControls[0])};

// The tree's items: a mesh, or one of its fluids.
struct Item {
    Mesh* mesh;
    Fluido* fluid;
};
std::vector<Item> g_items;
std::vector<Fluido*> g_fluids;
Fluido* g_selected_fluid = nullptr;

std::string Name(const Fluido* f) { return f && f->emitter ? f->emitter->name : ""; }

bool Listed(const Mesh* m) {
    for (Mesh* x = rootmesh; x; x = x->nextMesh) {
        if (x == m) return true;
    }
    return false;
}

Lista* SelectedLink() {
    return selmesh && g_selected_fluid ? selmesh->LinkOf(g_selected_fluid) : nullptr;
}

void ShowLink(platform::Dialog* d) {
    const Lista* l = SelectedLink();
    for (int id : {kIdRadius, kIdBlend, kIdFractal, kIdDragNoise, kIdSubtractive, kIdAmplitude,
                   kIdFrequency, kIdOctaves}) {
        d->Enable(id, l != nullptr);
    }
    if (!l) return;
    const int radius = RadiusPercent(l->radiusFactor);
    d->SliderSetPos(kIdRadius, radius);
    d->SetText(kIdRadiusText, platform::Format("Radius %d%%", radius));
    d->SliderSetPos(kIdBlend, l->blendPercent);
    d->SetText(kIdBlendText, platform::Format("Blend factor %d%%", l->blendPercent));
    d->SetCheck(kIdFractal, l->fractal != 0);
    d->SetCheck(kIdDragNoise, l->dragNoise);
    d->SetCheck(kIdSubtractive, l->subtractive);
    PonFloat(d, kIdAmplitude, l->amplitude);
    PonFloat(d, kIdFrequency, l->frequency);
    d->SetText(kIdOctaves, platform::Format("%d", l->octaves));
}

void ShowMesh(platform::Dialog* d) {
    const Mesh* m = selmesh;
    for (int id = kIdDeleteMesh; id <= kIdClearSurface; ++id) {
        if (id != kIdAddToAll && id != kIdBuildNow) d->Enable(id, m != nullptr);
    }
    if (!m) return;
    d->SetCheck(kIdDisplay, m->displayOn);
    d->SetCheck(kIdDisable, !m->generationOn);
    const int resolution = static_cast<int>(m->resolution);
    d->SliderSetPos(kIdResolution, resolution);
    d->SetText(kIdResolutionText, platform::Format("Resolution %d%%", resolution));
    d->SetText(kIdEstimated, platform::Format("Estimated: %d", m->estimatedFaces));
    d->SetText(kIdName, m->name);
    d->SetText(kIdDirectory, m->outDir);
    d->SetText(kIdSurfaceName, m->surfaceName);
    d->SetText(kIdFrameOffset, platform::Format("%d", m->frameOffset));
    d->SetCheck(kIdOutLwo, m->outLwo != 0);
    d->SetCheck(kIdOutLwo2, m->outLwo2 != 0);
    d->SetCheck(kIdOutBin, m->outBin != 0);
    d->SetCheck(kIdOutObj, m->outObj != 0);
    d->SetCheck(kIdClipBox, m->clipBoxOn != 0);
    for (int a = 0; a < 3; ++a) {
        PonFloat(d, kIdClipMinX + a, m->clipMin[a]);
        PonFloat(d, kIdClipMinX + 3 + a, m->clipMax[a]);
    }
    d->SetCheck(kIdObjectClip, m->objectClipping);
    d->SetCheck(kIdInverseClip, m->inverseClipping);
    d->SetCheck(kIdUvw, m->calcUVW);
    ShowRefinement(d, m);
    ShowLink(d);
}

void FillLists(platform::Dialog* d) {
    g_items.clear();
    d->ListClear(kIdTree);
    int selected = -1;
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (m == selmesh && !g_selected_fluid) selected = static_cast<int>(g_items.size());
        g_items.push_back({m, nullptr});
        d->ListAdd(kIdTree, m->name);
        for (int i = 0; i < m->numLinks; ++i) {
            Fluido* f = m->links[i].fluid;
            if (m == selmesh && f == g_selected_fluid) selected = static_cast<int>(g_items.size());
            g_items.push_back({m, f});
            d->ListAdd(kIdTree, "    " + Name(f));
        }
    }
    d->ListSelect(kIdTree, selected);
    g_fluids.clear();
    d->ListClear(kIdFluids);
    for (Fluido* f = rootflow; f; f = f->next) {
        g_fluids.push_back(f);
        d->ListAdd(kIdFluids, Name(f));
    }
}

Fluido* ChosenFluid(platform::Dialog* d) {
    const int at = d->ListSelection(kIdFluids);
    if (at < 0 || at >= static_cast<int>(g_fluids.size())) return nullptr;
    Fluido* f = g_fluids[static_cast<size_t>(at)];
    for (Fluido* x = rootflow; x; x = x->next) {
        if (x == f) return f;
    }
    return nullptr;
}

void SelectTreeItem(platform::Dialog* d, int at) {
    if (at < 0 || at >= static_cast<int>(g_items.size())) return;
    const Item& item = g_items[static_cast<size_t>(at)];
    if (!Listed(item.mesh)) return;
    selmesh = item.mesh;
    g_selected_fluid = item.fluid;
    ShowMesh(d);
}

void Resolution(platform::Dialog* d) {
    Mesh* m = selmesh;
    if (!m) return;
    if (m->ControlledByEmitter()) {
        RedWarning("An emitter/daemon controls the mesh");
        d->SliderSetPos(kIdResolution, static_cast<int>(m->resolution));
        return;
    }
    const int position = d->SliderPos(kIdResolution);
    m->resolution = static_cast<float>(position);
    m->estimatedFaces = EstimatedFaces(m, position);
    d->SetText(kIdResolutionText, platform::Format("Resolution %d%%", position));
    d->SetText(kIdEstimated, platform::Format("Estimated: %d", m->estimatedFaces));
}

void ReadText(platform::Dialog* d, int id, char* buffer, int size) {
    platform::CopyText(buffer, size, d->GetText(id).c_str());
}

int ReadInt(platform::Dialog* d, int id, int current) {
    const double v = fields::ParseNumber(d->GetText(id).c_str());
    if (v == 0.0 && !fields::LooksLikeZero(d->GetText(id).c_str())) return current;
    return static_cast<int>(std::fmax(-1e9, std::fmin(1e9, v)));
}

// A field left: its value goes to the mesh or the link.
void FieldLeft(platform::Dialog* d, int id) {
    Mesh* m = selmesh;
    if (!m) return;
    Lista* l = SelectedLink();
    switch (id) {
        case kIdName:
            ReadText(d, id, m->name, sizeof m->name);
            FillLists(d);
            return;
        case kIdDirectory:
            ReadText(d, id, m->outDir, sizeof m->outDir);
            return;
        case kIdSurfaceName: {
            char name[sizeof m->surfaceName];
            ReadText(d, id, name, 51);
            RenameMeshSurface(m, name);
            return;
        }
        case kIdFrameOffset:
            m->frameOffset = ReadInt(d, id, m->frameOffset);
            return;
        case kIdAmplitude:
            if (l) DameFloat(d, id, &l->amplitude, kNoLimit, kNoLimit);
            return;
        case kIdFrequency:
            if (l) DameFloat(d, id, &l->frequency, 0.0f, kNoLimit);
            return;
        case kIdOctaves:
            if (l) l->octaves = std::max(0, std::min(16, ReadInt(d, id, l->octaves)));
            return;
        default:
            if (RefinementFieldLeft(d, m, id)) return;
            if (id >= kIdClipMinX && id <= kIdClipMaxZ) {
                Vector& v = id < kIdClipMinX + 3 ? m->clipMin : m->clipMax;
                DameFloat(d, id, &v[(id - kIdClipMinX) % 3], kNoLimit, kNoLimit);
            }
            return;
    }
}

void Clicked(platform::Dialog* d, int id) {
    Mesh* m = selmesh;
    Lista* l = SelectedLink();
    switch (id) {
        case kIdNewMesh:
            selmesh = NewMesh();
            g_selected_fluid = nullptr;
            break;
        case kIdDeleteMesh:
            if (m && DeleteMesh(m)) {
                selmesh = rootmesh;
                g_selected_fluid = nullptr;
            }
            break;
        case kIdInsertSelected:
            if (m) LinkFluidToMesh(m, ChosenFluid(d));
            break;
        case kIdInsertAll:
            for (Fluido* f = rootflow; m && f; f = f->next) LinkFluidToMesh(m, f);
            break;
        case kIdCleanList:
            if (m && !m->building) {
                CleanMeshLinks(m);
                g_selected_fluid = nullptr;
            }
            break;
        case kIdRemoveItem:
            if (m && !m->building && g_selected_fluid) {
                UnlinkFluidFromMesh(m, g_selected_fluid);
                g_selected_fluid = nullptr;
            }
            break;
        case kIdAddToAll:
            if (Fluido* f = ChosenFluid(d)) {
                for (Mesh* x = rootmesh; x; x = x->nextMesh) LinkFluidToMesh(x, f);
            }
            break;
        case kIdBuildNow:
            StartOneShotMeshBuild();
            return;
        case kIdDisplay:
            if (m) ToggleDisplay(m);
            break;
        case kIdDisable:
            if (m) ToggleGeneration(m);
            break;
        case kIdFractal:
            if (l) l->fractal = d->IsChecked(id) ? 1 : 0;
            return;
        case kIdDragNoise:
            if (l) l->dragNoise = d->IsChecked(id);
            return;
        case kIdSubtractive:
            if (l) l->subtractive = d->IsChecked(id);
            return;
        case kIdOutLwo:
        case kIdOutLwo2:
        case kIdOutBin:
        case kIdOutObj:
            if (m) {
                int* flag = id == kIdOutLwo ? &m->outLwo : id == kIdOutLwo2 ? &m->outLwo2
                                                       : id == kIdOutBin    ? &m->outBin
                                                                            : &m->outObj;
                *flag = d->IsChecked(id) ? 1 : 0;
            }
            return;
        case kIdClipBox:
            if (m) m->clipBoxOn = d->IsChecked(id) ? 1 : 0;
            return;
        case kIdObjectClip:
            if (m) m->objectClipping = d->IsChecked(id);
            return;
        case kIdInverseClip:
            if (m) m->inverseClipping = d->IsChecked(id);
            return;
        case kIdUvw:
            if (m) {
                m->calcUVW = d->IsChecked(id);
                RefreshTextureLinks(m);
                ShowRefinement(d, m);
            }
            return;
        default:
            if (m) RefinementClicked(d, m, id);
            return;
    }
    Refresh(d);
    platform::RequestRepaint();
}

void SliderMoved(platform::Dialog* d, int id) {
    Lista* l = SelectedLink();
    if (id == kIdResolution) {
        Resolution(d);
    } else if (id == kIdRadius && l) {
        const int position = d->SliderPos(id);
        l->radiusFactor = RadiusFactorFromPercent(position);
        d->SetText(kIdRadiusText, platform::Format("Radius %d%%", position));
    } else if (id == kIdBlend && l) {
        const int position = d->SliderPos(id);
        SetBlendPercent(l, position);
        d->SetText(kIdBlendText, platform::Format("Blend factor %d%%", position));
    }
}

}  // namespace

const platform::DialogTemplate* Template() { return &kTemplate; }

Fluido* SelectedFluid() { return SelectedLink() ? g_selected_fluid : nullptr; }

void Refresh(platform::Dialog* d) {
    if (!d) return;
    if (selmesh && !Listed(selmesh)) selmesh = nullptr;
    if (!SelectedLink()) g_selected_fluid = nullptr;
    // The user's slider ranges: resolution, radius, blend.
    const int sliders[3] = {kIdResolution, kIdRadius, kIdBlend};
    for (int i = 0; i < 3; ++i) {
        d->SliderSetRange(sliders[i], view_settings.slider_range[i][0],
                          view_settings.slider_range[i][1]);
    }
    FillLists(d);
    ShowMesh(d);
}

intptr_t Procesa(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg == platform::kMsgInitDialog) {
        Refresh(d);
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (id == kIdTree && code == platform::kNotifySelChange) {
        SelectTreeItem(d, d->ListSelection(kIdTree));
    } else if (id == kIdResolution || id == kIdRadius || id == kIdBlend) {
        if (code == platform::kNotifySelChange) SliderMoved(d, id);
    } else if (id == kIdFilterStrength) {
        if (code == platform::kNotifySelChange && selmesh) FilterSliderMoved(d, selmesh);
    } else if (code == platform::kNotifyKillFocus) {
        FieldLeft(d, id);
    } else if (code == platform::kNotifyClicked) {
        Clicked(d, id);
    } else {
        return 0;
    }
    return 1;
}

void ToggleDisplay(Mesh* mesh) {
    if (!mesh) return;
    mesh->displayOn = !mesh->displayOn;
    platform::RequestRepaint();
}

void ToggleGeneration(Mesh* mesh) {
    if (mesh) mesh->generationOn = !mesh->generationOn;
}

int EstimatedFaces(const Mesh* m, int resolution) {
    if (!m || m->refFaces <= 0 || !(m->cellSize > 0.0f)) return m ? m->estimatedFaces : 0;
    const int f = m->refFaces;
    const int lo = static_cast<int>(static_cast<float>(f) * 1.36f);
    const int hi = static_cast<int>(static_cast<float>(f) * 90.0f);
    const int target = std::max(
        1, static_cast<int>(static_cast<float>(lo) + static_cast<float>(hi - lo) * resolution * 0.01f));
    const float fresh = m->refCellSize * std::sqrt(static_cast<float>(f)) / std::sqrt(static_cast<float>(target));
    const float ratio = (m->cellSize / fresh) * (m->cellSize / fresh);
    return static_cast<int>(static_cast<float>(m->lastFaces - m->facesBeforeLast) * ratio) +
           static_cast<int>(static_cast<float>(m->lastFaces) * ratio);
}

intptr_t MoveSlider(platform::Dialog* panel, int id, int position) {
    if (!panel) return 0;
    panel->SliderSetPos(id, position);
    return panel->Send(platform::kMsgCommand, platform::MakeCommand(id, platform::kNotifySelChange), 0);
}

}  // namespace mesh_panel
