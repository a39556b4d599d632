// The fluid panel's common window and its three type sub-panels.
#include "fluid/fluid_panel.h"

#include <climits>
#include <cmath>
#include <string>

#include "fluid/driver.h"
#include "fluid/fluid_panel_private.h"
#include "fluid/fluido.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/ui_hooks.h"
#include "scene/creador.h"
#include "scene/descriptor.h"
#include "scene/fields.h"
#include "scene/scene_hooks.h"

namespace fluid_panel {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;
constexpr unsigned G = platform::kStyleGroup, N = platform::kStyleNumber;

// Dialog units. The sub-panels sit below the common controls; the window grows to hold the
// one shown, so emitter windows below it follow the type (WindowBottom).
constexpr int kWidth = 201, kSubTop = 71;

const ControlTemplate kCommonControls[] = {
    {0, ControlKind::GroupBox, "Fluid type", 4, 0, 193, 38, 0},
    {kIdGas, ControlKind::RadioButton, "Gas", 12, 11, 56, 10, G},
    {kIdGas + 1, ControlKind::RadioButton, "Liquid", 72, 11, 56, 10, 0},
    {kIdGas + 2, ControlKind::RadioButton, "Viscous", 134, 11, 56, 10, 0},
    {kIdGas + 3, ControlKind::RadioButton, "Chof", 12, 24, 56, 10, 0},
    {kIdGas + 4, ControlKind::RadioButton, "Dumb", 72, 24, 56, 10, 0},
    {kIdElastic, ControlKind::RadioButton, "Elastic", 134, 24, 56, 10, 0},
    {kIdDestruction, ControlKind::PushButton, "Destruction...", 4, 42, 63, 13, G},
    {kIdDisplay, ControlKind::PushButton, "Display...", 69, 42, 63, 13, 0},
    {kIdOutput, ControlKind::PushButton, "OUTPUT", 134, 42, 63, 13, 0},
    {kIdDeleteBySelection, ControlKind::CheckBox, "Delete particles by selection", 4, 58, 193, 10, 0},
    {kIdSubPanelAnchor, ControlKind::Static, "", 4, kSubTop - 1, 193, 1, 0},
};
const platform::DialogTemplate kCommon = {"Fluid", kWidth, kSubTop, kCommonControls,
                                          static_cast<int>(sizeof kCommonControls / sizeof kCommonControls[0])};

// Two columns of label and field; row r at y = 2 + 14 r.
constexpr int Row(int r) { return 2 + 14 * r; }
constexpr ControlTemplate LabelA(const char* text, int r) { return {0, ControlKind::Static, text, 4, Row(r) + 2, 52, 10, 0}; }
constexpr ControlTemplate FieldA(int id, int r, unsigned style = 0) { return {id, ControlKind::Edit, "", 56, Row(r), 32, 12, style}; }
constexpr ControlTemplate LabelB(const char* text, int r) { return {0, ControlKind::Static, text, 90, Row(r) + 2, 70, 10, 0}; }
constexpr ControlTemplate FieldB(int id, int r, unsigned style = 0) { return {id, ControlKind::Edit, "", 160, Row(r), 40, 12, style}; }
constexpr ControlTemplate CheckA(int id, const char* text, int r) { return {id, ControlKind::CheckBox, text, 4, Row(r) + 1, 84, 10, 0}; }
constexpr ControlTemplate CheckB(int id, const char* text, int r) { return {id, ControlKind::CheckBox, text, 90, Row(r) + 1, 70, 10, 0}; }

const ControlTemplate kLiquidControls[] = {
    LabelA("Density", 0),       FieldA(kIdDensity, 0, G),
    LabelB("Max. particles", 0), FieldB(kIdMaxParticles, 0, N),
    LabelA("Pressure", 1),      FieldA(kIdPressure, 1),
    LabelB("External pressure", 1), FieldB(kIdExternalPressure, 1),
    LabelA("Temperature", 2),   FieldA(kIdTemperature, 2),
    LabelB("External temp.", 2), FieldB(kIdExternalTemperature, 2),
    LabelA("Conductivity", 3),  FieldA(kIdConductivity, 3),
    LabelB("External conduc.", 3), FieldB(kIdExternalConductivity, 3),
    LabelA("Viscosity", 4),     FieldA(kIdViscosity, 4),
    CheckB(kIdFull, "Full", 4),
};
const ControlTemplate kElasticControls[] = {
    LabelA("Density", 0),       FieldA(kIdDensity, 0, G),
    LabelB("Max. particles", 0), FieldB(kIdMaxParticles, 0, N),
    LabelA("Spring", 1),        FieldA(kIdSpring, 1),
    LabelB("Damping", 1),       FieldB(kIdDamping, 1),
    LabelA("Mass", 2),          FieldA(kIdMass, 2),
    CheckB(kIdAutoRepulsion, "AutoRepulsion", 2), FieldB(kIdRepulsion, 2),
    CheckA(kIdRemoveIsolated, "Remove isolated", 3),
    CheckB(kIdElasticLimitOn, "Elastic Limit %", 3), FieldB(kIdElasticLimit, 3, N),
    CheckB(kIdFractureLimitOn, "Fracture Limit %", 4), FieldB(kIdFractureLimit, 4, N),
};
const ControlTemplate kDumbControls[] = {
    LabelA("Density", 0),       FieldA(kIdDensity, 0, G),
    LabelB("Max. particles", 0), FieldB(kIdMaxParticles, 0, N),
    CheckA(kIdRandomEmission, "Random emission", 1),
};
template <size_t n>
constexpr platform::DialogTemplate SubTemplate(const char* title, const ControlTemplate (&controls)[n], int rows) {
    return {title, kWidth, Row(rows), controls, static_cast<int>(n)};
}
const platform::DialogTemplate kLiquid = SubTemplate("Liquid", kLiquidControls, 5);
const platform::DialogTemplate kElastic = SubTemplate("Elastic", kElasticControls, 5);
const platform::DialogTemplate kDumb = SubTemplate("Dumb", kDumbControls, 2);

enum SubPanelKind { kLiquidPanel, kElasticPanel, kDumbPanel };

platform::Dialog* g_common = nullptr;
platform::Dialog* g_sub[3] = {nullptr, nullptr, nullptr};
void (*g_changed)() = nullptr;
bool g_delete_by_selection = false;
void (*g_delete_hook)(bool on) = nullptr;

int KindOfType(int type) {
    if (type == kFluidElastic) return kElasticPanel;
    if (type == kFluidDumb) return kDumbPanel;
    return kLiquidPanel;
}

int KindOfPanel(const platform::Dialog* d) {
    for (int k = 0; k < 3; ++k) {
        if (g_sub[k] == d) return k;
    }
    return -1;
}

void ShowDensity(platform::Dialog* d, const Fluido* f) {
    d->SetText(kIdDensity, platform::Format("%5.0f", static_cast<double>(f->restDensity)));
}

void ShowLiquid(platform::Dialog* d, const Fluido* f) {
    ShowDensity(d, f);
    PonFloat(d, kIdExternalPressure, f->externalPressure);
    d->SetText(kIdPressure, platform::Format("%5.3f", static_cast<double>(f->pressureK.value)));
    PonFloat(d, kIdTemperature, f->initialTemperature);
    PonFloat(d, kIdExternalTemperature, f->externalTemperature);
    PonFloat(d, kIdConductivity, f->conductivity);
    PonFloat(d, kIdExternalConductivity, f->externalConductivity);
    PonFloat(d, kIdViscosity, f->viscosity.value);
    d->SetCheck(kIdFull, f->fullViscosity != 0);
    d->SetText(kIdMaxParticles, std::to_string(f->maxParticles));
    const bool gas = f->type == kFluidGas;
    for (int id : {kIdTemperature, kIdExternalTemperature, kIdConductivity, kIdExternalConductivity}) {
        d->Enable(id, gas);
    }
}

void ShowElastic(platform::Dialog* d, const Fluido* f) {
    ShowDensity(d, f);
    PonFloat(d, kIdSpring, f->springK);
    PonFloat(d, kIdDamping, f->springDamping);
    d->SetCheck(kIdAutoRepulsion, f->autoRepulsion != 0);
    PonFloat(d, kIdRepulsion, f->repulsion);
    d->Enable(kIdRepulsion, f->autoRepulsion != 0);
    d->SetCheck(kIdElasticLimitOn, f->elasticLimitOn != 0);
    d->SetText(kIdElasticLimit, std::to_string(static_cast<long>(f->elasticLimit)));
    d->Enable(kIdElasticLimit, f->elasticLimitOn != 0);
    d->SetCheck(kIdFractureLimitOn, f->fractureLimitOn != 0);
    d->SetText(kIdFractureLimit, std::to_string(static_cast<long>(f->fractureLimit)));
    d->Enable(kIdFractureLimit, f->fractureLimitOn != 0);
    d->SetCheck(kIdRemoveIsolated, f->removeIsolated != 0);
    PonFloat(d, kIdMass, f->mass);
    d->SetText(kIdMaxParticles, std::to_string(f->maxParticles));
}

void ShowDumb(platform::Dialog* d, const Fluido* f) {
    ShowDensity(d, f);
    d->SetText(kIdMaxParticles, std::to_string(f->maxParticles));
    d->SetCheck(kIdRandomEmission, f->randomEmission != 0);
}

void ShowSubPanel(int kind, const Fluido* f) {
    platform::Dialog* d = g_sub[kind];
    if (!d) return;
    if (kind == kLiquidPanel) ShowLiquid(d, f);
    if (kind == kElasticPanel) ShowElastic(d, f);
    if (kind == kDumbPanel) ShowDumb(d, f);
    // A running step reads the type and regenerating would pull its particles away.
    d->Enable(kIdDensity, !sim::Running());
    if (kind == kLiquidPanel && sim::Running()) d->Enable(kIdTemperature, false);
}

// After a change of the density (or the starting temperature): the fluid starts again.
void Regenerate(Fluido* f) {
    f->invRestDensity = 1.0f / f->restDensity;
    f->Regenera();
    platform::RequestRepaint();
}

// "Density": 0 or below (Dumb: exactly 0, after negative entries became 0) is refused with a
// message and becomes 1000.
void ReadDensity(platform::Dialog* d, Fluido* f, int kind) {
    if (sim::Running()) {
        ShowDensity(d, f);
        return;
    }
    float density = f->restDensity;
    const bool dumb = kind == kDumbPanel;
    if (!DameFloat(d, kIdDensity, &density, 0.0f, dumb ? kNoLimit : 0.0f)) return;
    if (dumb ? density == 0.0f : density <= 0.0f) {
        platform::MessageBox(dumb ? kMsgDensityZero : kMsgDensityNotValid);
        density = 1000.0f;
    }
    f->restDensity = density;
    ShowDensity(d, f);
    Regenerate(f);
}

void ReadField(platform::Dialog* d, int id) {
    Fluido* f = fluid_panel_private::Edited();
    if (!f) return;
    const int kind = KindOfPanel(d);
    switch (id) {
        case kIdDensity: ReadDensity(d, f, kind); break;
        case kIdMaxParticles: fluid_panel_private::ReadCount(d, id, &f->maxParticles); break;
        case kIdExternalPressure: DameFloat(d, id, &f->externalPressure, 0.0f, 0.0f); break;
        case kIdPressure:
            if (DameANIFloat(d, id, &f->pressureK)) {
                d->SetText(id, platform::Format("%5.3f", static_cast<double>(f->pressureK.value)));
            }
            break;
        case kIdTemperature: {
            if (sim::Running()) {
                PonFloat(d, id, f->initialTemperature);
                return;
            }
            if (DameFloat(d, id, &f->initialTemperature, 0.0f, kNoLimit)) Regenerate(f);
            break;
        }
        case kIdExternalTemperature: DameFloat(d, id, &f->externalTemperature, 0.0f, kNoLimit); break;
        case kIdConductivity: DameFloat(d, id, &f->conductivity, 0.0f, 1.0f); break;
        case kIdExternalConductivity: DameFloat(d, id, &f->externalConductivity, 0.0f, 0.0f); break;
        case kIdViscosity: DameANIFloat(d, id, &f->viscosity); break;
        case kIdSpring: DameFloat(d, id, &f->springK, 0.0f, 0.0f); break;
        case kIdDamping: DameFloat(d, id, &f->springDamping, 0.0f, 0.0f); break;
        case kIdRepulsion: DameFloat(d, id, &f->repulsion, 0.0f, 0.0f); break;
        case kIdMass: DameFloat(d, id, &f->mass, 0.001f, kNoLimit); break;
        case kIdElasticLimit:
        case kIdFractureLimit: {
            float& limit = id == kIdElasticLimit ? f->elasticLimit : f->fractureLimit;
            int percent = static_cast<int>(limit);
            if (fluid_panel_private::ReadCount(d, id, &percent)) limit = static_cast<float>(percent);
            break;
        }
        default: return;
    }
    fluid_panel_private::Changed();
}

void Clicked(platform::Dialog* d, int id) {
    Fluido* f = fluid_panel_private::Edited();
    if (!f) return;
    const bool on = d->IsChecked(id);
    switch (id) {
        case kIdFull: f->fullViscosity = on ? 1 : 0; break;
        case kIdAutoRepulsion:
            f->autoRepulsion = on ? 1 : 0;
            d->Enable(kIdRepulsion, on);
            if (on) BlueWarning(kMsgRepulsion);
            break;
        case kIdElasticLimitOn:
            f->elasticLimitOn = on ? 1 : 0;
            d->Enable(kIdElasticLimit, on);
            break;
        case kIdFractureLimitOn:
            f->fractureLimitOn = on ? 1 : 0;
            d->Enable(kIdFractureLimit, on);
            break;
        case kIdRemoveIsolated: f->removeIsolated = on ? 1 : 0; break;
        case kIdRandomEmission: f->randomEmission = on ? 1 : 0; break;
        default: return;
    }
    fluid_panel_private::Changed();
}

platform::Dialog* ParamWindowHook() { return g_common; }

void UpdateHook(Fluido* f) {
    if (f == selflow) ShowFluid(f);
}

}  // namespace

intptr_t CommonProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand || platform::CommandCode(wparam) != platform::kNotifyClicked) return 0;
    const int id = platform::CommandId(wparam);
    Fluido* f = fluid_panel_private::Edited();
    if (id >= kIdGas && id <= kIdElastic) {
        if (f) ChooseType(f, id - kIdGas + 1);
        // A refused change (a run is stepping) leaves the button of the type the fluid has.
        if (f) ShowFluid(f);
        return 1;
    }
    switch (id) {
        case kIdDestruction: OpenDestruction(); return 1;
        case kIdDisplay: OpenVisualization(); return 1;
        case kIdOutput: OpenOutput(); return 1;
        case kIdDeleteBySelection:
            g_delete_by_selection = d->IsChecked(id);
            if (g_delete_hook) g_delete_hook(g_delete_by_selection);
            return 1;
        default: return 0;
    }
}

intptr_t SubPanelProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == kMsgAnimatedParameter) {
        // The viscosity and pressure fields edit animated parameters.
        Fluido* f = fluid_panel_private::Edited();
        auto* slot = reinterpret_cast<ANIFloat**>(lparam);
        if (!f || !slot || KindOfPanel(d) != kLiquidPanel) return 0;
        if (wparam == kIdViscosity) *slot = &f->viscosity;
        if (wparam == kIdPressure) *slot = &f->pressureK;
        return *slot != nullptr;
    }
    if (msg != platform::kMsgCommand) return 0;
    if (ProcesaOpenEnvelope(d, wparam, lparam)) return 1;
    const int id = platform::CommandId(wparam), code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus) {
        ReadField(d, id);
        return 1;
    }
    if (code == platform::kNotifyClicked) {
        Clicked(d, id);
        return 1;
    }
    return 0;
}

platform::Dialog* Create(platform::Dialog* parent) {
    Destroy();
    g_common = platform::CreateDialog(&kCommon, CommonProc, parent);
    if (!g_common) return nullptr;
    const platform::DialogTemplate* subs[3] = {&kLiquid, &kElastic, &kDumb};
    for (int k = 0; k < 3; ++k) {
        g_sub[k] = platform::CreateDialog(subs[k], SubPanelProc, g_common);
        if (!g_sub[k]) continue;
        g_sub[k]->MoveWindow(0, kSubTop);
        g_sub[k]->ShowWindow(false);
    }
    if (parent) g_common->MoveWindow(0, parent->ControlRect(kIdEmitterWindowAnchor).Bottom() + 2);
    g_common->ShowWindow(false);
    FluidHooks hooks = GetFluidHooks();
    hooks.fluid_param_window = ParamWindowHook;
    hooks.control_common_update = UpdateHook;
    SetFluidHooks(hooks);
    return g_common;
}

void Destroy() {
    fluid_panel_private::DestroyDialogs();
    FluidHooks hooks = GetFluidHooks();
    if (hooks.fluid_param_window == ParamWindowHook) hooks.fluid_param_window = nullptr;
    if (hooks.control_common_update == UpdateHook) hooks.control_common_update = nullptr;
    SetFluidHooks(hooks);
    for (platform::Dialog*& d : g_sub) {
        platform::DestroyDialog(d);
        d = nullptr;
    }
    platform::DestroyDialog(g_common);
    g_common = nullptr;
}

platform::Dialog* Window() { return g_common; }

int WindowBottom() {
    if (!g_common) return 0;
    int bottom = g_common->WindowRect().y + kSubTop;
    for (platform::Dialog* d : g_sub) {
        // A little room under the sub-panel, which the window keeps round what it holds.
        if (d && d->IsWindowVisible()) bottom = g_common->WindowRect().y + d->WindowRect().Bottom() + 4;
    }
    return bottom;
}

platform::Dialog* SubPanel(int type) { return g_sub[KindOfType(type)]; }

void ShowFluid(Fluido* f) {
    fluid_panel_private::RefreshDialogs(f);
    if (!g_common) return;
    if (!f) {
        for (platform::Dialog* d : g_sub) {
            if (d) d->ShowWindow(false);
        }
        g_common->ShowWindow(false);
        return;
    }
    for (int t = kFluidGas; t <= kFluidElastic; ++t) g_common->SetCheck(kIdGas + t - 1, f->type == t);
    const bool idle = !sim::Running();
    for (int id = kIdGas; id <= kIdElastic; ++id) g_common->Enable(id, idle);
    g_common->SetCheck(kIdDeleteBySelection, g_delete_by_selection);
    const int kind = KindOfType(f->type);
    f->panel = g_sub[kind];
    for (int k = 0; k < 3; ++k) {
        if (g_sub[k] && k != kind) g_sub[k]->ShowWindow(false);
    }
    ShowSubPanel(kind, f);
    if (g_sub[kind]) g_sub[kind]->ShowWindow(true);
    g_common->ShowWindow(true);
}

void ChooseType(Fluido* f, int type) {
    if (!f || type < kFluidGas || type > kFluidElastic || f->type == type || sim::Running()) return;
    const int previous = f->type;
    if (f->panel) f->panel->ShowWindow(false);
    f->type = static_cast<unsigned char>(type);
    f->panel = g_sub[KindOfType(type)];
    if (f->panel && f == fluid_panel_private::Edited()) {
        ShowSubPanel(KindOfType(type), f);
        f->panel->ShowWindow(true);
    }
    if (f->emitter) f->emitter->OnFluidChange(static_cast<char>(previous));
    if (type == kFluidChof) BlueWarning(kMsgChof);
    // The emitter may have given the fluid the new type's values.
    if (f == fluid_panel_private::Edited()) ShowFluid(f);
    fluid_panel_private::Changed();
}

bool DeleteBySelection() { return g_delete_by_selection; }

void SetDeleteBySelection(bool on) {
    g_delete_by_selection = on;
    if (g_common) g_common->SetCheck(kIdDeleteBySelection, on);
}

void SetDeleteBySelectionHook(void (*hook)(bool on)) { g_delete_hook = hook; }

void SetChangedHook(void (*hook)()) { g_changed = hook; }

}  // namespace fluid_panel

namespace fluid_panel_private {

Fluido* Edited() {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f == selflow) return f;
    }
    return nullptr;
}

void Changed() {
    platform::RequestRepaint();
    if (fluid_panel::g_changed) fluid_panel::g_changed();
}

bool ReadCount(platform::Dialog* d, int id, int* value) {
    const std::string text = d->GetText(id);
    const double v = fields::ParseNumber(text.c_str());
    if (v == 0.0 && !fields::LooksLikeZero(text.c_str())) {
        d->SetText(id, std::to_string(*value));
        return false;
    }
    *value = v <= 0.0 ? 0 : v >= static_cast<double>(INT_MAX) ? INT_MAX : static_cast<int>(v);
    if (v < 0.0 || v != std::floor(v)) d->SetText(id, std::to_string(*value));
    return true;
}

}  // namespace fluid_panel_private
