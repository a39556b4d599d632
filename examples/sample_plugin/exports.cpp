// The four functions the program looks up in every plug-in library.
#include "sample.h"

UNDALINE_PLUGIN_EXPORT int ExNumberOfClasses() { return 2; }

UNDALINE_PLUGIN_EXPORT float ExDllVersion() { return 1.0f; }

UNDALINE_PLUGIN_EXPORT Descriptor* ExClassDesc(int index) {
    switch (index) {
        case 0:
            return BreezeClass();
        case 1:
            return RingClass();
        default:
            return nullptr;
    }
}

UNDALINE_PLUGIN_EXPORT const platform::DialogTemplate* ExDialogTemplate(int dialog_id) {
    switch (dialog_id) {
        case kBreezeDialog:
            return BreezeDialog();
        case kRingDialog:
            return RingDialog();
        default:
            return nullptr;
    }
}
