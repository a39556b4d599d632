#include "shipped_class.h"

namespace shipped {

intptr_t ParamWindowProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand || !window) return 0;
    ParamOwner* owner = nullptr;
    if (seldaemon && seldaemon->descriptor && seldaemon->descriptor->window == window) {
        owner = dynamic_cast<ParamOwner*>(seldaemon);
    } else {
        owner = reinterpret_cast<ParamOwner*>(window->UserData());
    }
    if (!owner) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (code == platform::kNotifyKillFocus && ProcesaControlesComunes(window, id, owner->Node())) {
        return 1;
    }
    if (!owner->Params().Read(window, id, code)) return 0;
    owner->ParamsChanged();
    return 1;
}

ShippedDescriptor::ShippedDescriptor(const ClassFacts& facts) : table_(facts.table) {
    kind = facts.kind;
    class_id = facts.class_id;
    layout = facts.kind == kClassEmitter ? kLayoutBelowFluidWindow : 0;
    platform::CopyText(name, sizeof name, facts.name);
    platform::CopyText(label, sizeof label, facts.label);
    platform::CopyText(description, sizeof description, facts.description);
    platform::CopyText(details, sizeof details, facts.details);
    platform::CopyText(stamp, sizeof stamp, "Undaline");
    version = 1.0f;
    dialog_id = facts.class_id;
    dialog_proc = ParamWindowProc;
}

const platform::DialogTemplate* FindTemplate(ShippedDescriptor* const* classes, int count,
                                             int dialog_id) {
    for (int i = 0; i < count; ++i) {
        if (classes[i] && classes[i]->dialog_id == dialog_id) return classes[i]->Template();
    }
    return nullptr;
}

}  // namespace shipped
