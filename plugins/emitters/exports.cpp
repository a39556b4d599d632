// What emitters.so exports: its classes in panel-button order (101, 102, ...).
#include "emitters.h"

namespace {

shipped::ShippedDescriptor* const* Classes() {
    static shipped::ShippedDescriptor* const classes[] = {
        shipped::CircleClass(), shipped::SquareClass(), shipped::TriangleClass(),
        shipped::SphereClass(), shipped::CubeClass(),   shipped::LinearClass(),
        shipped::CylinderClass(), shipped::ObjectEmitterClass(), shipped::ObjectFillerClass(),
        shipped::SprayClass(),    shipped::SequenceClass(),      shipped::DropletsClass(),
    };
    return classes;
}
constexpr int kClassCount = 12;

}  // namespace

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return kClassCount; }

UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.0f; }

UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int index) {
    return index >= 0 && index < kClassCount ? Classes()[index] : nullptr;
}

UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int dialog_id) {
    return shipped::FindTemplate(Classes(), kClassCount, dialog_id);
}
