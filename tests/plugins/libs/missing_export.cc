// Has no ExDllVersion, so it is no plug-in.
#include "test_plugin.h"

namespace {

test_plugin::DaemonClass g_lost(kClassDaemon, 40, "Lost", 0);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 1; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int) { return &g_lost; }
