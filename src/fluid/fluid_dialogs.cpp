// The three dialogs of the fluid panel's buttons: particle destruction, particle
// visualization and the particle output files. Each edits the selected fluid and follows the
// selection while it is open.
#include <string>

#include "fluid/fluid_panel.h"
#include "fluid/fluid_panel_private.h"
#include "fluid/fluido.h"
#include "platform/file_dialog.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/ui_hooks.h"
#include "scene/fields.h"

namespace fluid_panel {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;
constexpr unsigned G = platform::kStyleGroup, N = platform::kStyleNumber, ND = platform::kStyleNoDrag,
                   H = platform::kStyleHidden;

// ---- "Particle destruction" ----

// Captions and boxes shown and hidden with their rule.
enum { kIdVolumeBox = 5270, kIdMinLabel, kIdMaxLabel, kIdSplitGroup, kIdChildrenLabel, kIdGenerationsLabel, kIdSpeedLabel };

// The rules in the order of their buttons; split is null for rules that never split.
struct Rule {
    int Fluido::*on;
    unsigned char Fluido::*split;
};
const Rule kRules[6] = {
    {&Fluido::killByAge, &Fluido::splitOnAge},         {&Fluido::killByVolume, nullptr},
    {&Fluido::killByCollision, &Fluido::splitOnCollision}, {&Fluido::killBySpeed, &Fluido::splitOnVelocity},
    {&Fluido::killByIsolation, nullptr},               {&Fluido::killRandom, &Fluido::splitOnRandom},
};

const ControlTemplate kDestructionControls[] = {
    {0, ControlKind::GroupBox, "Rules", 4, 2, 70, 92, 0},
    {kIdKillAge, ControlKind::CheckBox, "", 10, 14, 10, 10, G},
    {kIdShowAge, ControlKind::RadioButton, "Age", 22, 14, 48, 10, G},
    {kIdKillVolume, ControlKind::CheckBox, "", 10, 27, 10, 10, 0},
    {kIdShowAge + 1, ControlKind::RadioButton, "Volume", 22, 27, 48, 10, 0},
    {kIdKillCollision, ControlKind::CheckBox, "", 10, 40, 10, 10, 0},
    {kIdShowAge + 2, ControlKind::RadioButton, "Collision", 22, 40, 48, 10, 0},
    {kIdKillSpeed, ControlKind::CheckBox, "", 10, 53, 10, 10, 0},
    {kIdShowAge + 3, ControlKind::RadioButton, "Velocity", 22, 53, 48, 10, 0},
    {kIdKillIsolated, ControlKind::CheckBox, "", 10, 66, 10, 10, 0},
    {kIdShowAge + 4, ControlKind::RadioButton, "Isolated", 22, 66, 48, 10, 0},
    {kIdKillRandom, ControlKind::CheckBox, "", 10, 79, 10, 10, 0},
    {kIdShowRandom, ControlKind::RadioButton, "Random", 22, 79, 48, 10, 0},
    // One parameter at a time, in the same place.
    {kIdRuleCaption, ControlKind::Static, "Life time", 80, 8, 60, 10, H},
    {kIdLifeTime, ControlKind::Edit, "", 142, 6, 44, 12, H | G},
    {kIdMaxSpeed, ControlKind::Edit, "", 142, 6, 44, 12, H},
    {kIdIsolationTime, ControlKind::Edit, "", 142, 6, 44, 12, H},
    {kIdProbability, ControlKind::Edit, "", 142, 6, 44, 12, H},
    {kIdVolumeBox, ControlKind::GroupBox, "Volume definition", 78, 2, 176, 58, H},
    {kIdMinLabel, ControlKind::Static, "MIN", 84, 16, 20, 10, H},
    {kIdBoxMinX, ControlKind::Edit, "", 106, 14, 46, 12, H},
    {kIdBoxMinX + 1, ControlKind::Edit, "", 154, 14, 46, 12, H},
    {kIdBoxMinX + 2, ControlKind::Edit, "", 202, 14, 46, 12, H},
    {kIdMaxLabel, ControlKind::Static, "MAX", 84, 30, 20, 10, H},
    {kIdBoxMinX + 3, ControlKind::Edit, "", 106, 28, 46, 12, H},
    {kIdBoxMinX + 4, ControlKind::Edit, "", 154, 28, 46, 12, H},
    {kIdBoxMaxZ, ControlKind::Edit, "", 202, 28, 46, 12, H},
    {kIdFitToObject, ControlKind::PushButton, "Fit to object", 106, 43, 70, 13, H},
    {kIdSplitOn, ControlKind::CheckBox, "Enable particle split", 80, 26, 120, 10, H},
    {kIdSplitGroup, ControlKind::GroupBox, "Split parameters", 78, 38, 176, 44, H},
    {kIdChildrenLabel, ControlKind::Static, "Children", 84, 52, 40, 10, H},
    {kIdSplitCount, ControlKind::Edit, "", 126, 50, 32, 12, H | N},
    {kIdGenerationsLabel, ControlKind::Static, "Generations", 164, 52, 52, 10, H},
    {kIdSplitGenerations, ControlKind::Edit, "", 218, 50, 30, 12, H | N},
    {kIdSpeedLabel, ControlKind::Static, "Speed", 84, 66, 40, 10, H},
    {kIdSplitSpeed, ControlKind::Edit, "", 126, 64, 32, 12, H},
    {platform::kIdOk, ControlKind::PushButton, "Close", 192, 96, 62, 14, G},
};
const platform::DialogTemplate kDestruction = {
    "Particle destruction", 258, 114, kDestructionControls,
    static_cast<int>(sizeof kDestructionControls / sizeof kDestructionControls[0])};

const char* const kRuleFieldCaptions[6] = {"Life time", nullptr, nullptr, "Speed limit", "Isolation time", "Probability"};
const int kRuleFields[6] = {kIdLifeTime, 0, 0, kIdMaxSpeed, kIdIsolationTime, kIdProbability};
constexpr int kVolumeControls[] = {kIdVolumeBox, kIdMinLabel, kIdBoxMinX, kIdBoxMinX + 1, kIdBoxMinX + 2,
                                   kIdMaxLabel, kIdBoxMinX + 3, kIdBoxMinX + 4, kIdBoxMaxZ, kIdFitToObject};
constexpr int kSplitControls[] = {kIdSplitOn,    kIdSplitGroup,       kIdChildrenLabel, kIdSplitCount,
                                  kIdGenerationsLabel, kIdSplitGenerations, kIdSpeedLabel,    kIdSplitSpeed};

platform::Dialog* g_destruction = nullptr;
int g_rule_shown = 0;
ObjectBoundsReader g_bounds_reader;

void ShowRule(platform::Dialog* d, const Fluido* f, int rule) {
    g_rule_shown = rule;
    for (int r = 0; r < 6; ++r) d->SetCheck(kIdShowAge + r, r == rule);
    for (int r = 0; r < 6; ++r) {
        if (kRuleFields[r]) d->Show(kRuleFields[r], r == rule);
    }
    d->Show(kIdRuleCaption, kRuleFieldCaptions[rule] != nullptr);
    if (kRuleFieldCaptions[rule]) d->SetText(kIdRuleCaption, kRuleFieldCaptions[rule]);
    for (int id : kVolumeControls) d->Show(id, rule == 1);
    const bool splits = kRules[rule].split != nullptr;
    for (int id : kSplitControls) d->Show(id, splits);
    if (f && splits) d->SetCheck(kIdSplitOn, f->*kRules[rule].split != 0);
}

void ReadDestruction(platform::Dialog* d, Fluido* f, int id) {
    switch (id) {
        case kIdLifeTime: DameFloat(d, id, &f->lifeTime, 0.0f, kNoLimit); return;
        case kIdMaxSpeed: DameFloat(d, id, &f->maxSpeed, 0.0f, kNoLimit); return;
        case kIdIsolationTime: DameFloat(d, id, &f->isolationTime, 0.0f, kNoLimit); return;
        case kIdProbability: DameFloat(d, id, &f->killProbability, 0.0f, 1.0f); return;
        case kIdSplitCount: fluid_panel_private::ReadCount(d, id, &f->splitCount); return;
        case kIdSplitGenerations: fluid_panel_private::ReadCount(d, id, &f->splitGenerations); return;
        case kIdSplitSpeed: DameFloat(d, id, &f->splitSpeed, 0.0f, 0.0f); return;
        default:
            if (id >= kIdBoxMinX && id <= kIdBoxMaxZ) {
                Vector& v = id < kIdBoxMinX + 3 ? f->killBoxMin : f->killBoxMax;
                DameFloat(d, id, &v[(id - kIdBoxMinX) % 3], 0.0f, 0.0f);
            }
            return;
    }
}

void FitToObject(platform::Dialog* d, Fluido* f) {
    if (!g_bounds_reader.choose || !g_bounds_reader.bounds) return;
    void* object = g_bounds_reader.choose();
    float lo[3], hi[3];
    if (!object || !g_bounds_reader.bounds(object, lo, hi)) return;
    f->killBoxMin = Vector(lo[0], lo[1], lo[2]);
    f->killBoxMax = Vector(hi[0], hi[1], hi[2]);
    fluid_panel_private::ShowDestruction(d, f);
}

// The frame the fluid's dialogs share: opened, a dialog shows the edited fluid; its close
// box, OK and Cancel close it; a command is the edited fluid's, and nothing without one.
intptr_t FluidDialogFrame(platform::Dialog* d, unsigned msg, uintptr_t wparam,
                          void (*show)(platform::Dialog*, const Fluido*),
                          intptr_t (*command)(platform::Dialog*, Fluido*, int, int)) {
    if (msg == platform::kMsgInitDialog) {
        show(d, fluid_panel_private::Edited());
        return 1;
    }
    if (msg == platform::kMsgClose) {
        d->Close();
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam), code = platform::CommandCode(wparam);
    if (code == platform::kNotifyClicked && (id == platform::kIdOk || id == platform::kIdCancel)) {
        d->Close();
        return 1;
    }
    Fluido* f = fluid_panel_private::Edited();
    return f ? command(d, f, id, code) : 0;
}

intptr_t DestructionCommand(platform::Dialog* d, Fluido* f, int id, int code) {
    if (code == platform::kNotifyKillFocus) {
        ReadDestruction(d, f, id);
        fluid_panel_private::Changed();
        return 1;
    }
    if (code != platform::kNotifyClicked) return 0;
    if (id >= kIdKillAge && id <= kIdKillRandom) {
        f->*kRules[id - kIdKillAge].on = d->IsChecked(id) ? 1 : 0;
    } else if (id >= kIdShowAge && id <= kIdShowRandom) {
        ShowRule(d, f, id - kIdShowAge);
        return 1;
    } else if (id == kIdSplitOn && kRules[g_rule_shown].split) {
        f->*kRules[g_rule_shown].split = d->IsChecked(id) ? 1 : 0;
        f->splitEnabled = f->splitOnAge || f->splitOnCollision || f->splitOnVelocity || f->splitOnRandom;
    } else if (id == kIdFitToObject) {
        FitToObject(d, f);
    } else {
        return 0;
    }
    fluid_panel_private::Changed();
    return 1;
}

intptr_t DestructionProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    return FluidDialogFrame(d, msg, wparam, fluid_panel_private::ShowDestruction, DestructionCommand);
}

// ---- "Particle visualization" ----

const ControlTemplate kVisualizationControls[] = {
    {kIdShowVelocity, ControlKind::RadioButton, "Velocity", 8, 6, 70, 10, G},
    {kIdShowVelocity + 1, ControlKind::RadioButton, "Pressure", 8, 19, 70, 10, 0},
    {kIdShowVelocity + 2, ControlKind::RadioButton, "Temperature", 8, 32, 70, 10, 0},
    {kIdShowConstant, ControlKind::RadioButton, "Constant", 8, 45, 70, 10, 0},
    {kIdAutoRange, ControlKind::CheckBox, "Auto", 90, 6, 60, 10, G},
    {0, ControlKind::Static, "MIN:", 90, 21, 22, 10, 0},
    {kIdRangeMin, ControlKind::Edit, "", 114, 19, 46, 12, 0},
    {0, ControlKind::Static, "MAX:", 90, 35, 22, 10, 0},
    {kIdRangeMax, ControlKind::Edit, "", 114, 33, 46, 12, 0},
    {platform::kIdOk, ControlKind::PushButton, "Close", 98, 58, 62, 14, G},
};
const platform::DialogTemplate kVisualization = {
    "Particle visualization", 166, 76, kVisualizationControls,
    static_cast<int>(sizeof kVisualizationControls / sizeof kVisualizationControls[0])};

platform::Dialog* g_visualization = nullptr;

// The range of the fluid's colour mode: 0 velocity, 1 pressure, 2 temperature, -1 none.
int RangeOf(const Fluido* f) { return f && f->colourMode >= 1 && f->colourMode <= 3 ? f->colourMode - 1 : -1; }

intptr_t VisualizationCommand(platform::Dialog* d, Fluido* f, int id, int code) {
    const int q = RangeOf(f);
    if (code == platform::kNotifyKillFocus && q >= 0 && (id == kIdRangeMin || id == kIdRangeMax)) {
        DameFloat(d, id, &f->manualRange[2 * q + (id == kIdRangeMin ? 1 : 0)], 0.0f, 0.0f);
    } else if (code == platform::kNotifyClicked && id >= kIdShowVelocity && id <= kIdShowConstant) {
        f->colourMode = id - kIdShowVelocity + 1;
        fluid_panel_private::ShowVisualization(d, f);
    } else if (code == platform::kNotifyClicked && id == kIdAutoRange && q >= 0) {
        f->autoRange[q] = d->IsChecked(id) ? 1 : 0;
        fluid_panel_private::ShowVisualization(d, f);
    } else {
        return 0;
    }
    fluid_panel_private::Changed();
    return 1;
}

intptr_t VisualizationProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    return FluidDialogFrame(d, msg, wparam, fluid_panel_private::ShowVisualization, VisualizationCommand);
}

// ---- "Particle output files setup" ----

const ControlTemplate kOutputControls[] = {
    {kIdOutBin, ControlKind::CheckBox, "BIN format (binary format for plugins)", 6, 6, 210, 10, G},
    {kIdOutAscii, ControlKind::CheckBox, "ASCII format ", 6, 18, 210, 10, 0},
    {kIdOutLwo, ControlKind::CheckBox, "LWO format (Lightwave particle file)", 6, 30, 210, 10, 0},
    {0, ControlKind::GroupBox, "LWO options", 12, 42, 212, 66, 0},
    {kIdOnlyFirstLwo, ControlKind::CheckBox, "Only first LWO", 18, 54, 90, 10, G},
    {kIdOutMaxOn, ControlKind::CheckBox, "Max. particles", 18, 67, 70, 10, 0},
    {kIdOutMax, ControlKind::Edit, "", 90, 66, 44, 12, N},
    {kIdChooseSurface, ControlKind::PushButton, "Surface...", 18, 79, 46, 12, 0},
    {kIdSurfaceFile, ControlKind::Static, "(default)", 68, 81, 152, 10, 0},
    {0, ControlKind::Static, "Surface name", 18, 95, 56, 10, 0},
    {kIdSurfaceName, ControlKind::Edit, "", 76, 93, 78, 12, ND},
    {kIdClearSurface, ControlKind::PushButton, "Clear surface", 158, 92, 62, 13, 0},
    {0, ControlKind::Static, "Output directory", 6, 114, 80, 10, 0},
    {kIdOutDir, ControlKind::Edit, "", 6, 125, 190, 12, G | ND},
    {kIdChooseOutDir, ControlKind::PushButton, "...", 200, 125, 24, 12, 0},
    {0, ControlKind::Static, "Prefix", 6, 145, 26, 10, 0},
    {kIdPrefix, ControlKind::Edit, "", 34, 143, 84, 12, ND},
    {0, ControlKind::Static, "Frame offset", 126, 145, 50, 10, 0},
    {kIdFrameOffset, ControlKind::Edit, "", 178, 143, 46, 12, N},
    {platform::kIdOk, ControlKind::PushButton, "Close", 162, 162, 62, 14, G},
};
const platform::DialogTemplate kOutput = {"Particle output files setup", 230, 180, kOutputControls,
                                          static_cast<int>(sizeof kOutputControls / sizeof kOutputControls[0])};

platform::Dialog* g_output = nullptr;

constexpr int kPrefixMax = 50;  // 49 characters and the terminator

// Plain text fields: the text itself, cut to the buffer.
void ReadText(platform::Dialog* d, int id, char* buffer, int size) {
    platform::CopyText(buffer, size, d->GetText(id).c_str());
    d->SetText(id, buffer);
}

// The offset may be negative, unlike the counts of the other integer fields.
void ReadOffset(platform::Dialog* d, int id, int* value) {
    const std::string text = d->GetText(id);
    const double v = fields::ParseNumber(text.c_str());
    if (v == 0.0 && !fields::LooksLikeZero(text.c_str())) {
        d->SetText(id, std::to_string(*value));
        return;
    }
    *value = v < -1e9 ? -1000000000 : v > 1e9 ? 1000000000 : static_cast<int>(v);
}

intptr_t OutputCommand(platform::Dialog* d, Fluido* f, int id, int code) {
    if (code == platform::kNotifyKillFocus) {
        switch (id) {
            case kIdOutMax: fluid_panel_private::ReadCount(d, id, &f->outMaxParticles); break;
            case kIdSurfaceName: ReadText(d, id, f->surfaceName, sizeof f->surfaceName); break;
            case kIdOutDir: ReadText(d, id, f->outDir, sizeof f->outDir); break;
            case kIdPrefix: ReadText(d, id, f->prefix, kPrefixMax); break;
            case kIdFrameOffset: ReadOffset(d, id, &f->frameOffset); break;
            default: return 0;
        }
        fluid_panel_private::Changed();
        return 1;
    }
    if (code != platform::kNotifyClicked) return 0;
    const unsigned char on = d->IsChecked(id) ? 1 : 0;
    std::string chosen;
    switch (id) {
        case kIdOutBin: f->outBin = on; break;
        case kIdOutAscii: f->outAscii = on; break;
        case kIdOutLwo: f->outLwo = on; break;
        case kIdOnlyFirstLwo: f->onlyFirstLwo = on; break;
        case kIdOutMaxOn: f->outMaxParticlesOn = on; break;
        case kIdChooseSurface:
            chosen = platform::OpenFileDialog("Surface file", "Surface files (*.srf)|*.srf|", f->outDir);
            if (chosen.empty()) return 1;
            platform::CopyText(f->surfaceFile, sizeof f->surfaceFile, chosen.c_str());
            break;
        case kIdClearSurface: f->surfaceFile[0] = '\0'; break;
        case kIdChooseOutDir: {
            const std::string start = f->outDir[0] ? f->outDir : platform::AppDir();
            chosen = platform::OpenFolderDialog("Output directory", start.c_str());
            if (chosen.empty()) return 1;
            platform::CopyText(f->outDir, sizeof f->outDir, chosen.c_str());
            break;
        }
        default: return 0;
    }
    fluid_panel_private::ShowOutput(d, f);
    fluid_panel_private::Changed();
    return 1;
}

intptr_t OutputProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    return FluidDialogFrame(d, msg, wparam, fluid_panel_private::ShowOutput, OutputCommand);
}

// One instance of each dialog; opening it again brings the open one back.
platform::Dialog* Open(platform::Dialog*& d, const platform::DialogTemplate* tmpl, platform::DialogProc proc) {
    if (!fluid_panel_private::Edited()) return nullptr;
    if (d && d->IsOpen()) {
        d->ShowWindow(true);
        return d;
    }
    platform::DestroyDialog(d);
    d = platform::CreateDialog(tmpl, proc, nullptr);
    return d;
}

platform::Dialog* IfOpen(platform::Dialog* d) { return d && d->IsOpen() ? d : nullptr; }

}  // namespace

platform::Dialog* OpenDestruction() { return Open(g_destruction, &kDestruction, DestructionProc); }
platform::Dialog* OpenVisualization() { return Open(g_visualization, &kVisualization, VisualizationProc); }
platform::Dialog* OpenOutput() { return Open(g_output, &kOutput, OutputProc); }
platform::Dialog* DestructionDialog() { return IfOpen(g_destruction); }
platform::Dialog* VisualizationDialog() { return IfOpen(g_visualization); }
platform::Dialog* OutputDialog() { return IfOpen(g_output); }

void SetObjectBoundsReader(const ObjectBoundsReader& reader) { g_bounds_reader = reader; }

}  // namespace fluid_panel

namespace fluid_panel_private {

using namespace fluid_panel;

// Every control of a dialog but its close button follows whether there is a fluid to edit.
void EnableAll(platform::Dialog* d, const int* ids, int n, bool on) {
    for (int i = 0; i < n; ++i) d->Enable(ids[i], on);
}

void ShowDestruction(platform::Dialog* d, const Fluido* f) {
    static const int ids[] = {kIdKillAge, kIdKillVolume, kIdKillCollision, kIdKillSpeed, kIdKillIsolated, kIdKillRandom,
                              kIdLifeTime, kIdMaxSpeed, kIdIsolationTime, kIdProbability, kIdBoxMinX, kIdBoxMinX + 1,
                              kIdBoxMinX + 2, kIdBoxMinX + 3, kIdBoxMinX + 4, kIdBoxMaxZ, kIdFitToObject, kIdSplitOn,
                              kIdSplitCount, kIdSplitGenerations, kIdSplitSpeed};
    EnableAll(d, ids, static_cast<int>(sizeof ids / sizeof ids[0]), f != nullptr);
    d->Enable(kIdFitToObject, f && g_bounds_reader.choose);
    ShowRule(d, f, g_rule_shown);
    if (!f) return;
    for (int r = 0; r < 6; ++r) d->SetCheck(kIdKillAge + r, f->*kRules[r].on != 0);
    PonFloat(d, kIdLifeTime, f->lifeTime);
    PonFloat(d, kIdMaxSpeed, f->maxSpeed);
    PonFloat(d, kIdIsolationTime, f->isolationTime);
    d->SetText(kIdProbability, platform::Format("%5.3f", static_cast<double>(f->killProbability)));
    for (int a = 0; a < 3; ++a) {
        PonFloat(d, kIdBoxMinX + a, f->killBoxMin[a]);
        PonFloat(d, kIdBoxMinX + 3 + a, f->killBoxMax[a]);
    }
    d->SetText(kIdSplitCount, std::to_string(f->splitCount));
    d->SetText(kIdSplitGenerations, std::to_string(f->splitGenerations));
    PonFloat(d, kIdSplitSpeed, f->splitSpeed);
}

void ShowVisualization(platform::Dialog* d, const Fluido* f) {
    static const int ids[] = {kIdShowVelocity, kIdShowVelocity + 1, kIdShowVelocity + 2, kIdShowConstant};
    EnableAll(d, ids, 4, f != nullptr);
    const int q = RangeOf(f);
    d->Enable(kIdAutoRange, q >= 0);
    d->Enable(kIdRangeMin, q >= 0 && !f->autoRange[q]);
    d->Enable(kIdRangeMax, q >= 0 && !f->autoRange[q]);
    if (!f) return;
    const int mode = f->colourMode >= 1 && f->colourMode <= 3 ? f->colourMode : 4;
    for (int m = 1; m <= 4; ++m) d->SetCheck(kIdShowVelocity + m - 1, m == mode);
    d->SetCheck(kIdAutoRange, q >= 0 && f->autoRange[q]);
    if (q < 0) return;
    PonFloat(d, kIdRangeMax, f->manualRange[2 * q]);
    PonFloat(d, kIdRangeMin, f->manualRange[2 * q + 1]);
}

void ShowOutput(platform::Dialog* d, const Fluido* f) {
    static const int ids[] = {kIdOutBin, kIdOutAscii, kIdOutLwo, kIdOutDir, kIdChooseOutDir, kIdPrefix, kIdFrameOffset};
    EnableAll(d, ids, static_cast<int>(sizeof ids / sizeof ids[0]), f != nullptr);
    // The LWO options count only with LWO files on.
    const bool lwo = f && f->outLwo;
    for (int id : {kIdOnlyFirstLwo, kIdOutMaxOn, kIdChooseSurface, kIdSurfaceName, kIdClearSurface}) d->Enable(id, lwo);
    d->Enable(kIdOutMax, lwo && f->outMaxParticlesOn);
    if (!f) return;
    d->SetCheck(kIdOutBin, f->outBin != 0);
    d->SetCheck(kIdOutAscii, f->outAscii != 0);
    d->SetCheck(kIdOutLwo, f->outLwo != 0);
    d->SetCheck(kIdOnlyFirstLwo, f->onlyFirstLwo != 0);
    d->SetCheck(kIdOutMaxOn, f->outMaxParticlesOn != 0);
    d->SetText(kIdOutMax, std::to_string(f->outMaxParticles));
    d->SetText(kIdSurfaceFile, f->surfaceFile[0] ? std::string(f->surfaceFile) : std::string("(default)"));
    d->SetText(kIdSurfaceName, f->surfaceName);
    d->SetText(kIdOutDir, f->outDir);
    d->SetText(kIdPrefix, f->prefix);
    d->SetText(kIdFrameOffset, std::to_string(f->frameOffset));
}

void RefreshDialogs(const Fluido* f) {
    if (platform::Dialog* d = DestructionDialog()) ShowDestruction(d, f);
    if (platform::Dialog* d = VisualizationDialog()) ShowVisualization(d, f);
    if (platform::Dialog* d = OutputDialog()) ShowOutput(d, f);
}

void DestroyDialogs() {
    for (platform::Dialog** d : {&g_destruction, &g_visualization, &g_output}) {
        platform::DestroyDialog(*d);
        *d = nullptr;
    }
}

}  // namespace fluid_panel_private
