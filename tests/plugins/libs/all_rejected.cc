// Every class is refused: one of an unknown kind, one claiming the good library's class 3,
// and an index the library has no class for.
#include "test_plugin.h"

namespace {

test_plugin::DaemonClass g_odd(9, 50, "Odd", 0);
test_plugin::DaemonClass g_copycat(kClassDaemon, 3, "Copycat", 0);

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 3; }
UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 0.5f; }
UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int i) {
    if (i == 0) return &g_odd;
    if (i == 1) return &g_copycat;
    return nullptr;
}
