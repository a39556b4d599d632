// The customise dialogs: which class each of a panel's twelve buttons makes, and adding an
// object of any class of the catalogue.
#include <algorithm>
#include <cstring>
#include <vector>

#include "plugins/class_buttons.h"
#include "plugins/loader.h"
#include "plugins/manager.h"
#include "scene/descriptor.h"

namespace plugins_manager {
namespace {

using platform::ControlKind;
using platform::ControlTemplate;

// What one open dialog keeps: its kind, the assignment it found and the slot chosen.
struct Customising {
    int kind = kClassDaemon;
    int saved[kClassButtons] = {};
    int slot = -1;
};

std::vector<ControlTemplate> Controls(int kind) {
    const int o = kind == kClassEmitter ? kEmitterOffset : 0;
    std::vector<ControlTemplate> c = {
        {kIdClassList + o, ControlKind::ListBox, "", 4, 4, 112, 124, platform::kStyleGroup},
    };
    for (int b = 0; b < kClassButtons; ++b) {
        c.push_back({kIdSlot + o + b, ControlKind::RadioButton, "", 124 + (b / 6) * 64, 6 + (b % 6) * 14, 62, 10,
                     b == 0 ? platform::kStyleGroup : 0u});
    }
    c.push_back({kIdDescription + o, ControlKind::Edit, "", 4, 132, 252, 40,
                 platform::kStyleMultiline | platform::kStyleReadOnly | platform::kStyleGroup});
    c.push_back({kIdUnselect + o, ControlKind::PushButton, "Unselect", 124, 94, 62, 14, platform::kStyleGroup});
    c.push_back({kIdAdd + o, ControlKind::PushButton, kind == kClassEmitter ? "Add emitter" : "Add daemon", 188, 94,
                 62, 14, 0});
    c.push_back({kIdCustomiseClose + o, ControlKind::PushButton, "CLOSE", 194, 178, 62, 14, 0});
    return c;
}

const platform::DialogTemplate* Template(int kind) {
    static const std::vector<ControlTemplate> daemons = Controls(kClassDaemon), emitters = Controls(kClassEmitter);
    static const platform::DialogTemplate d = {"Add/Customize daemons", 260, 196, daemons.data(),
                                               static_cast<int>(daemons.size())};
    static const platform::DialogTemplate e = {"Add/Customize emitters", 260, 196, emitters.data(),
                                               static_cast<int>(emitters.size())};
    return kind == kClassEmitter ? &e : &d;
}

platform::Dialog* g_open[2] = {nullptr, nullptr};
void (*g_added)(int kind) = nullptr;

Customising* StateOf(platform::Dialog* d) { return reinterpret_cast<Customising*>(d->UserData()); }

const PluginClass* ClassOf(int class_id) {
    int position = 0;
    const PluginLibrary* lib = class_id ? FindPluginClass(class_id, &position) : nullptr;
    return lib ? &lib->classes[static_cast<size_t>(position)] : nullptr;
}

void ShowDescription(platform::Dialog* d, int o, int class_id) {
    const PluginClass* c = ClassOf(class_id);
    d->SetText(kIdDescription + o, c ? c->description : "");
}

int ItemOf(platform::Dialog* d, int o, int class_id) {
    for (int i = 0; i < d->ListCount(kIdClassList + o); ++i) {
        if (d->ListData(kIdClassList + o, i) == class_id) return i;
    }
    return -1;
}

void Fill(platform::Dialog* d, Customising* s) {
    const int o = s->kind == kClassEmitter ? kEmitterOffset : 0;
    d->ListClear(kIdClassList + o);
    for (int i = 0; i < PluginLibraryCount(); ++i) {
        for (const PluginClass& c : PluginLibraryAt(i)->classes) {
            if (c.kind != s->kind) continue;
            const int item = d->ListAdd(kIdClassList + o, c.name);
            d->ListSetData(kIdClassList + o, item, c.class_id);
        }
    }
    const int* ids = ClassButtonTable(s->kind);
    for (int b = 0; b < kClassButtons; ++b) {
        d->SetText(kIdSlot + o + b, ClassButtonCaption(ids[b]));
        d->SetCheck(kIdSlot + o + b, false);
    }
    d->SetText(kIdDescription + o, "");
    s->slot = -1;
}

// Leaving: CLOSE keeps the assignment; any other way puts the one found back.
void Finish(platform::Dialog* d, bool keep) {
    Customising* s = StateOf(d);
    if (!s) return;
    if (!keep) std::copy(s->saved, s->saved + kClassButtons, ClassButtonTable(s->kind));
    ClassButtonsChanged();
    d->SetUserData(0);
    delete s;
    d->Close();
}

void Clicked(platform::Dialog* d, Customising* s, int id) {
    const int o = s->kind == kClassEmitter ? kEmitterOffset : 0;
    int* ids = ClassButtonTable(s->kind);
    if (id >= kIdSlot + o && id < kIdSlot + o + kClassButtons) {
        s->slot = id - kIdSlot - o;
        for (int b = 0; b < kClassButtons; ++b) d->SetCheck(kIdSlot + o + b, b == s->slot);
        d->ListSelect(kIdClassList + o, ItemOf(d, o, ids[s->slot]));
        ShowDescription(d, o, ids[s->slot]);
    } else if (id == kIdUnselect + o) {
        for (int b = 0; b < kClassButtons; ++b) d->SetCheck(kIdSlot + o + b, false);
        d->ListSelect(kIdClassList + o, -1);
        d->SetText(kIdDescription + o, "");
        s->slot = -1;
    } else if (id == kIdAdd + o) {
        const int item = d->ListSelection(kIdClassList + o);
        if (item < 0) return;
        const int class_id = static_cast<int>(d->ListData(kIdClassList + o, item));
        const bool made = s->kind == kClassEmitter ? PressEmitterButton(class_id) != nullptr
                                                   : PressDaemonButton(class_id) != nullptr;
        if (made && g_added) g_added(s->kind);
    } else if (id == kIdCustomiseClose + o) {
        Finish(d, true);
    } else if (id == platform::kIdCancel) {
        Finish(d, false);
    }
}

}  // namespace

const platform::DialogTemplate* CustomiseTemplate(int kind) { return Template(kind); }

intptr_t CustomiseProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == platform::kMsgInitDialog) {
        auto* s = new Customising;
        s->kind = lparam == kClassEmitter ? kClassEmitter : kClassDaemon;
        std::copy(ClassButtonTable(s->kind), ClassButtonTable(s->kind) + kClassButtons, s->saved);
        d->SetUserData(reinterpret_cast<intptr_t>(s));
        Fill(d, s);
        return 1;
    }
    Customising* s = StateOf(d);
    if (!s) return 0;
    if (msg == platform::kMsgClose) {
        Finish(d, false);
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int o = s->kind == kClassEmitter ? kEmitterOffset : 0;
    const int id = platform::CommandId(wparam), code = platform::CommandCode(wparam);
    if (id == kIdClassList + o && code == platform::kNotifySelChange) {
        const int item = d->ListSelection(id);
        if (item < 0) return 1;
        const int class_id = static_cast<int>(d->ListData(id, item));
        ShowDescription(d, o, class_id);
        if (s->slot >= 0) {
            ClassButtonTable(s->kind)[s->slot] = class_id;
            d->SetText(kIdSlot + o + s->slot, ClassButtonCaption(class_id));
        }
        return 1;
    }
    if (code != platform::kNotifyClicked) return 0;
    Clicked(d, s, id);
    return 1;
}

platform::Dialog* OpenCustomise(int kind) {
    platform::Dialog*& open = g_open[kind == kClassEmitter ? 1 : 0];
    if (open && open->IsOpen()) {
        open->ShowWindow(true);
        return open;
    }
    platform::DestroyDialog(open);
    open = platform::CreateDialog(Template(kind), CustomiseProc, nullptr, kind);
    return open;
}

void SetAddedHook(void (*hook)(int kind)) { g_added = hook; }

void DestroyCustomiseWindows() {
    for (platform::Dialog*& d : g_open) {
        if (d) delete StateOf(d);
        platform::DestroyDialog(d);
        d = nullptr;
    }
}

}  // namespace plugins_manager
