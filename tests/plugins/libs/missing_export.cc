// Lacks one of the three exports, so it is no plug-in: ExDllVersion, or with
// WITHOUT_CLASS_DESC, ExClassDesc.
#include "test_plugin.h"

namespace {

test_plugin::DaemonClass g_lost(kClassDaemon, 40, "Lost", 0);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 1; }
#ifdef WITHOUT_CLASS_DESC
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.0f; }
UNDALINE_PLUGIN_EXPORT Descriptor* Unused() { return &g_lost; }
#else
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int) { return &g_lost; }
#endif
