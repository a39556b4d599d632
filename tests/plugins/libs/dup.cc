// Built twice: both libraries claim class 7; the second also has a class of its own.
#include "test_plugin.h"

namespace {

test_plugin::DaemonClass g_vortex(kClassDaemon, 7, DUP_NAME, 0);
test_plugin::DaemonClass g_own(kClassDaemon, DUP_OWN_ID, "Own", 0);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return DUP_OWN_ID ? 2 : 1; }
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 2.0f; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int i) { return i == 0 ? &g_vortex : &g_own; }
UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int) { return nullptr; }
