#include "ui/preferences_window.h"

#include <string>

#include "fluid/parallel.h"
#include "io/config.h"
#include "platform/format.h"
#include "scene/axes.h"
#include "scene/fields.h"
#include "scene/preferences.h"

namespace ui {
namespace {

using platform::ControlKind;
constexpr unsigned G = platform::kStyleGroup, N = platform::kStyleNumber, ND = platform::kStyleNoDrag;

const platform::ControlTemplate kControls[] = {
    {0, ControlKind::GroupBox, "Environment", 6, 4, 124, 100, 0},
    {kIdPlatformFirst, ControlKind::RadioButton, "Lightwave environment", 12, 16, 112, 10, G},
    {kIdPlatformFirst + 1, ControlKind::RadioButton, "3D Studio MAX environment", 12, 28, 112, 10, 0},
    {kIdPlatformFirst + 2, ControlKind::RadioButton, "Softimage environment", 12, 40, 112, 10, 0},
    {kIdPlatformFirst + 3, ControlKind::RadioButton, "Maya environment (Y up)", 12, 52, 112, 10, 0},
    {kIdPlatformFirst + 4, ControlKind::RadioButton, "Maya environment (Z up)", 12, 64, 112, 10, 0},
    {0, ControlKind::Static, "Scene scale factor:", 12, 84, 68, 10, 0},
    {kIdScale, ControlKind::Edit, "", 82, 82, 42, 12, G},

    {0, ControlKind::GroupBox, "Display", 136, 4, 130, 100, 0},
    {kIdBackground, ControlKind::PushButton, "Background color...", 142, 16, 118, 14, G},
    {0, ControlKind::Static, "Grid dimension:", 142, 36, 70, 10, 0},
    {kIdGridDimension, ControlKind::Edit, "", 214, 34, 46, 12, G | N},
    {0, ControlKind::Static, "Grid square:", 142, 52, 70, 10, 0},
    {kIdGridSquare, ControlKind::Edit, "", 214, 50, 46, 12, 0},
    {kIdCulling, ControlKind::CheckBox, "Object back face culling", 142, 68, 118, 10, G},
    {kIdOnlyAtFrames, ControlKind::CheckBox, "Display only at frames", 142, 80, 118, 10, 0},
    {kIdMultithreading, ControlKind::CheckBox, "Use multithreading", 142, 92, 118, 10, 0},

    {0, ControlKind::GroupBox, "Directories", 6, 108, 260, 54, 0},
    {0, ControlKind::Static, "Plug-ins:", 12, 122, 40, 10, 0},
    {kIdPluginsDir, ControlKind::Edit, "", 54, 120, 206, 12, G | ND},
    {0, ControlKind::Static, "Scenes:", 12, 134, 40, 10, 0},
    {kIdScenesDir, ControlKind::Edit, "", 54, 132, 206, 12, ND},
    {0, ControlKind::Static, "Objects:", 12, 146, 40, 10, 0},
    {kIdObjectsDir, ControlKind::Edit, "", 54, 144, 206, 12, ND},

    {0, ControlKind::GroupBox, "Numeric controls", 6, 166, 260, 44, 0},
    {kIdAutoSelection, ControlKind::CheckBox, "Auto-selection", 12, 178, 80, 10, G},
    {kIdClickHoldDrag, ControlKind::CheckBox, "Click, hold and drag", 12, 192, 90, 10, 0},
    {0, ControlKind::Static, "Number of decimals:", 120, 178, 76, 10, 0},
    {kIdDecimals, ControlKind::Edit, "", 214, 176, 46, 12, G | N},
    {0, ControlKind::Static, "Scrolling step:", 120, 192, 76, 10, 0},
    {kIdScrollingStep, ControlKind::Edit, "", 214, 190, 46, 12, 0},

    {kIdResetValues, ControlKind::PushButton, "Reset values", 6, 216, 70, 14, G},
    {platform::kIdOk, ControlKind::PushButton, "Close", 196, 216, 70, 14, 0},
};
const platform::DialogTemplate kTemplate = {"Preferences", 272, 236, kControls,
                                           static_cast<int>(sizeof kControls / sizeof kControls[0])};

ColourChooser g_chooser = nullptr;
platform::Dialog* g_window = nullptr;

char* Directory(int id) {
    if (id == kIdPluginsDir) return plugins_dir;
    if (id == kIdScenesDir) return scenes_dir;
    return objects_dir;
}

void ShowAll(platform::Dialog* w) {
    for (int p = 1; p <= 5; ++p) w->SetCheck(kIdPlatformFirst + p - 1, host_platform == p);
    PonFloat(w, kIdScale, scene_scale);
    w->SetText(kIdGridDimension, std::to_string(prefs.grid_dimension));
    PonFloat(w, kIdGridSquare, prefs.grid_square);
    w->SetCheck(kIdCulling, backface_culling != 0);
    w->SetCheck(kIdOnlyAtFrames, prefs.display_only_at_frames != 0);
    w->SetCheck(kIdMultithreading, parallel::Multithreading());
    for (int id : {kIdPluginsDir, kIdScenesDir, kIdObjectsDir}) w->SetText(id, Directory(id));
    w->SetCheck(kIdAutoSelection, prefs.auto_selection != 0);
    w->SetCheck(kIdClickHoldDrag, prefs.click_hold_drag != 0);
    w->SetText(kIdDecimals, std::to_string(prefs.decimals));
    PonFloat(w, kIdScrollingStep, prefs.scrolling_step);
}

// An integer field within lo..hi; other text shows the stored value again.
void ReadInt(platform::Dialog* w, int id, int32_t* value, int lo, int hi) {
    float v = static_cast<float>(*value);
    DameFloat(w, id, &v, static_cast<float>(lo), static_cast<float>(hi));
    *value = static_cast<int32_t>(v);
    w->SetText(id, std::to_string(*value));
}

void Closed(platform::Dialog* w) {
    config::WriteConfigFile(config::ConfigFilePath().c_str());
    w->Close();
}

}  // namespace

const platform::DialogTemplate* PreferencesTemplate() { return &kTemplate; }
void SetColourChooser(ColourChooser chooser) { g_chooser = chooser; }

intptr_t PreferencesProc(platform::Dialog* w, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg == platform::kMsgInitDialog) {
        ShowAll(w);
        return 1;
    }
    if (msg == platform::kMsgClose) {
        Closed(w);
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam), code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus) {
        switch (id) {
            case kIdScale: {
                float v = scene_scale;
                DameFloat(w, id, &v, 0.0f, kNoLimit);
                if (v > 0.0f) scene_scale = v;
                PonFloat(w, id, scene_scale);
                return 1;
            }
            case kIdGridDimension: ReadInt(w, id, &prefs.grid_dimension, 0, 1000); return 1;
            case kIdGridSquare:
                DameFloat(w, id, &prefs.grid_square, 0.0f, 1000.0f);
                if (prefs.grid_square <= 0.0f) prefs.grid_square = 1.0f;
                return 1;
            case kIdDecimals: ReadInt(w, id, &prefs.decimals, 1, 3); return 1;
            case kIdScrollingStep: DameFloat(w, id, &prefs.scrolling_step, 0.0f, 666.0f); return 1;
            case kIdPluginsDir:
            case kIdScenesDir:
            case kIdObjectsDir:
                platform::CopyText(Directory(id), kConfigPathSize, w->GetText(id).c_str());
                return 1;
            default: return 0;
        }
    }
    if (code != platform::kNotifyClicked) return 0;
    if (id >= kIdPlatformFirst && id < kIdPlatformFirst + 5) {
        ApplyPlatform(id - kIdPlatformFirst + 1);
        return 1;
    }
    switch (id) {
        case kIdBackground: {
            const auto byte = [](float c) { return static_cast<int>(c * 255.0f + 0.5f); };
            const int current = byte(background_colour.x) << 16 | byte(background_colour.y) << 8 | byte(background_colour.z);
            const int chosen = g_chooser ? g_chooser(current) : -1;
            if (chosen < 0) return 1;
            background_colour = Vector(((chosen >> 16) & 0xFF) * 0.003921569f, ((chosen >> 8) & 0xFF) * 0.003921569f,
                                       (chosen & 0xFF) * 0.003921569f);
            return 1;
        }
        case kIdCulling: backface_culling = w->IsChecked(id); return 1;
        case kIdOnlyAtFrames: prefs.display_only_at_frames = w->IsChecked(id); return 1;
        case kIdMultithreading: parallel::SetMultithreading(w->IsChecked(id)); return 1;
        case kIdAutoSelection: prefs.auto_selection = w->IsChecked(id); return 1;
        case kIdClickHoldDrag: prefs.click_hold_drag = w->IsChecked(id); return 1;
        case kIdResetValues:
            config::ResetConfiguration(true);
            ApplyPlatform(host_platform);
            ShowAll(w);
            return 1;
        case platform::kIdOk: Closed(w); return 1;
        default: return 0;
    }
}

void RefreshPreferences() {
    if (g_window && g_window->IsOpen()) ShowAll(g_window);
}

platform::Dialog* OpenPreferences() {
    if (g_window && g_window->IsOpen()) {
        g_window->ShowWindow(true);
        return g_window;
    }
    if (g_window) platform::DestroyDialog(g_window);
    g_window = platform::CreateDialog(&kTemplate, PreferencesProc, nullptr);
    return g_window;
}

}  // namespace ui
