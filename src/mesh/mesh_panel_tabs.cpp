// The mesh panel's Optimize, Filters and Texture tabs and its surface-file controls.
#include <algorithm>
#include <cmath>
#include <string>

#include "mesh/mesh.h"
#include "mesh/mesh_filters.h"
#include "mesh/mesh_panel.h"
#include "mesh/mesh_panel_private.h"
#include "mesh/mesh_texture.h"
#include "mesh/surface_files.h"
#include "platform/file_dialog.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "scene/fields.h"

namespace mesh_panel {
namespace {

int ReadInt(platform::Dialog* d, int id, int current, int lo, int hi) {
    const std::string text = d->GetText(id);
    const double v = fields::ParseNumber(text.c_str());
    if (v == 0.0 && !fields::LooksLikeZero(text.c_str())) return current;
    return static_cast<int>(std::clamp(v, static_cast<double>(lo), static_cast<double>(hi)));
}

void ShowFilter(platform::Dialog* d, const Mesh* m) {
    const bool chosen = m->smoothing && m->filterType != kFilterNone;
    d->SetCheck(kIdFilterStandard, chosen && m->filterType == kFilterStandard);
    d->SetCheck(kIdFilterSharp, chosen && m->filterType == kFilterSharp);
    d->Show(kIdFilterStrength, chosen);
    d->Show(kIdFilterText, chosen);
    const int position = static_cast<int>(std::lround(m->filterStrength * 100.0f));
    d->SliderSetRange(kIdFilterStrength, 0, 100);
    d->SliderSetPos(kIdFilterStrength, position);
    d->SetText(kIdFilterText, platform::Format("Filter Iterations: %d%%", position));
}

}  // namespace

void ShowRefinement(platform::Dialog* d, const Mesh* m) {
    d->SetCheck(kIdOptimize, m->optimize);
    d->SetCheck(kIdSubdivide, m->subdivide);
    d->SetText(kIdIterations, platform::Format("%d", m->optIterations));
    PonFloat(d, kIdThreshold, m->optThreshold);
    d->SetText(kIdMaxFaces, platform::Format("%d", m->maxFaces));
    d->SetCheck(kIdLimitFaces, m->limitFaces);
    ShowFilter(d, m);
    for (int c = 0; c < 4; ++c) d->SetCheck(kIdChannelTexture + c, m->textureChannel == c);
    d->SetCheck(kIdTiling, m->tiling);
    d->SetCheck(kIdMotionBlur, m->motionBlur);
    // The tab's controls work while mapping is on; tiling and re-mapping only for coordinates.
    for (int id = kIdChannelTexture; id <= kIdTextureName; ++id) {
        if (id != kIdMotionBlur) d->Enable(id, m->calcUVW);
    }
    d->Enable(kIdTiling, m->calcUVW && m->textureChannel == 0);
    d->Enable(kIdRemap, m->calcUVW && m->textureChannel == 0);
    d->SetText(kIdTextureName, platform::BaseName(m->textureFile));
    d->SetText(kIdSurfaceFile, m->surfaceFileSet ? std::string(m->surfaceFile) : "(default)");
    d->SetCheck(kIdIncludeShader, m->includeShader != 0);
}

bool RefinementClicked(platform::Dialog* d, Mesh* m, int id) {
    switch (id) {
        case kIdOptimize:
            m->optimize = d->IsChecked(id);
            break;
        case kIdSubdivide:
            m->subdivide = d->IsChecked(id);
            break;
        case kIdLimitFaces:
            m->limitFaces = d->IsChecked(id);
            break;
        case kIdFilterStandard:
            ChooseMeshFilter(m, kFilterStandard);
            break;
        case kIdFilterSharp:
            ChooseMeshFilter(m, kFilterSharp);
            break;
        case kIdTiling:
            m->tiling = d->IsChecked(id);
            break;
        case kIdMotionBlur:
            m->motionBlur = d->IsChecked(id);
            break;
        case kIdRemap:
            RemapMeshTexture(m);
            BlueWarning(" Mapping will be reset at next frame");
            break;
        case kIdUnloadTexture:
            UnloadPreviewTexture(m);
            break;
        case kIdPreviewTexture: {
            const std::string file = platform::OpenFileDialog(
                "Preview texture", "Images (*.tga;*.jpg;*.bmp)|*.tga;*.jpg;*.bmp|", m->outDir);
            if (!file.empty()) LoadPreviewTexture(m, file.c_str());
            break;
        }
        case kIdChooseSurface: {
            const std::string file = platform::OpenFileDialog(
                "Load Surface", "Surface files (*.srf;*.prw)|*.srf;*.prw|", m->outDir);
            if (!file.empty()) LoadMeshSurfaceFile(m, file.c_str());
            break;
        }
        case kIdIncludeShader:
            SetMeshShader(m, d->IsChecked(id));
            break;
        case kIdClearSurface:
            ClearMeshSurface(m);
            break;
        default:
            if (id < kIdChannelTexture || id > kIdChannelTemperature) return false;
            m->textureChannel = id - kIdChannelTexture;
            break;
    }
    ShowRefinement(d, m);
    d->SetText(kIdSurfaceName, m->surfaceName);
    return true;
}

bool RefinementFieldLeft(platform::Dialog* d, Mesh* m, int id) {
    switch (id) {
        case kIdIterations:
            m->optIterations = ReadInt(d, id, m->optIterations, 0, 1000);
            return true;
        case kIdMaxFaces:
            m->maxFaces = ReadInt(d, id, m->maxFaces, 0, 1 << 30);
            return true;
        case kIdThreshold:
            DameFloat(d, id, &m->optThreshold, 0.0f, 100.0f);
            return true;
        default:
            return false;
    }
}

void FilterSliderMoved(platform::Dialog* d, Mesh* m) {
    const int position = d->SliderPos(kIdFilterStrength);
    m->filterStrength = static_cast<float>(position) * 0.01f;
    d->SetText(kIdFilterText, platform::Format("Filter Iterations: %d%%", position));
}

}  // namespace mesh_panel
