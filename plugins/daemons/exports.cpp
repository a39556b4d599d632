// What daemons.so exports: its classes in the order of the daemon panel's buttons
// (3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12), then Relax (13), which has no button.
#include "daemons.h"

namespace {

shipped::ShippedDescriptor* const* Classes() {
    static shipped::ShippedDescriptor* const classes[] = {
        shipped::GravityClass(),      shipped::WindClass(),         shipped::DragClass(),
        shipped::AttractorClass(),    shipped::VortexClass(),       shipped::NoiseClass(),
        shipped::KillVolumeClass(),   shipped::SpeedLimitClass(),   shipped::SurfaceTensionClass(),
        shipped::HeaterClass(),       shipped::FreezeVolumeClass(), shipped::GroundPlaneClass(),
        shipped::RelaxClass(),
    };
    return classes;
}
constexpr int kClassCount = 13;

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return kClassCount; }

UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.0f; }

UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int index) {
    return index >= 0 && index < kClassCount ? Classes()[index] : nullptr;
}

UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int dialog_id) {
    return shipped::FindTemplate(Classes(), kClassCount, dialog_id);
}
