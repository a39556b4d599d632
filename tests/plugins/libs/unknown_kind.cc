// One class of a kind no panel knows (2 is an object, not a plug-in class) and one good one.
#include "test_plugin.h"

namespace {

test_plugin::DaemonClass g_strange(2, 30, "Strange", 0);
test_plugin::DaemonClass g_drag(kClassDaemon, 31, "Drag", 0);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 2; }
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.0f; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int i) { return i == 0 ? &g_strange : &g_drag; }
