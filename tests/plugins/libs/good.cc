// A library with a daemon class and two emitter classes, one of each window layout.
#include "test_plugin.h"

namespace {

using test_plugin::DaemonClass;
using test_plugin::EmitterClass;

int g_inits = 0;

intptr_t ParamProc(platform::Dialog*, unsigned msg, uintptr_t, intptr_t) {
    if (msg == platform::kMsgInitDialog) ++g_inits;
    return 0;
}

const platform::DialogTemplate kWindDialog = {"Wind", 110, 64, test_plugin::kFields, 6};
const platform::DialogTemplate kFountainDialog = {"Fountain", 120, 48, test_plugin::kFields, 6};

DaemonClass g_wind(kClassDaemon, 3, "Wind", 11);
EmitterClass g_fountain(kClassEmitter, 101, "Fountain", 12);
EmitterClass g_sheet(kClassEmitter, 102, "Sheet", 12, kLayoutBelowFluidWindow);
Descriptor* const g_classes[] = {&g_wind, &g_fountain, &g_sheet};

struct Procs {
    Procs() {
        for (Descriptor* d : g_classes) d->dialog_proc = ParamProc;
    }
} g_procs;

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 3; }
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.25f; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int i) {
    return i >= 0 && i < 3 ? g_classes[i] : nullptr;
}
UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int dialog_id) {
    if (dialog_id == 11) return &kWindDialog;
    if (dialog_id == 12) return &kFountainDialog;
    return nullptr;
}

// For the tests: how many parameter windows this library's classes have created.
UNDALINE_PLUGIN_EXPORT int TestWindowInits() { return g_inits; }
