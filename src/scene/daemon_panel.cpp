#include "scene/daemon_panel.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/format.h"
#include "platform/ui_hooks.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/nodo.h"
#include "scene/scene_hooks.h"
#include "scene/undo.h"

namespace {

platform::Dialog* g_panel = nullptr;
int g_list = 0;

platform::Dialog* WindowOf(const Daemon* d) {
    return d && d->descriptor ? d->descriptor->window : nullptr;
}

// A freed daemon shows where it now is.
void RefreshFreedNode(Nodo* node) {
    if (auto* d = dynamic_cast<Daemon*>(node)) d->SetParameterBlock();
}

// Daemon classes share one parameter window per class: showing one means hiding every other.
void ShowWindowOf(Daemon* shown) {
    platform::Dialog* keep = WindowOf(shown);
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        platform::Dialog* w = WindowOf(d);
        if (w && w != keep) w->ShowWindow(false);
    }
    if (!shown) return;
    if (keep) keep->ShowWindow(true);
    shown->SetParameterBlock();
}

void Select(Daemon* d) {
    if (g_panel) g_panel->ListSelect(g_list, DaemonItem(d));
    seldaemon = d;
    selnodo = d;
    ShowWindowOf(d);
}

void RewriteItem(const Daemon* d) {
    int item = DaemonItem(d);
    if (!g_panel || item < 0) return;
    bool selected = g_panel->ListSelection(g_list) == item;
    intptr_t data = g_panel->ListData(g_list, item);
    g_panel->ListDelete(g_list, item);
    g_panel->ListInsert(g_list, item, DaemonListText(d));
    g_panel->ListSetData(g_list, item, data);
    if (selected) g_panel->ListSelect(g_list, item);
}

Daemon* SelectedDaemon() {
    if (g_panel) {
        if (Daemon* d = DaemonOfItem(g_panel->ListSelection(g_list))) return d;
    }
    return seldaemon;
}

Daemon* Predecessor(const Daemon* d) {
    Daemon* prev = nullptr;
    for (Daemon* x = FirstDaemon(); x && x != d; x = NextDaemon(x)) prev = x;
    return prev;
}

}  // namespace

void SetDaemonPanel(platform::Dialog* panel, int list_id) {
    g_panel = panel;
    g_list = list_id;
    SetNodeRefreshHook(panel ? RefreshFreedNode : nullptr);
}

platform::Dialog* DaemonPanel() { return g_panel; }
int DaemonListId() { return g_list; }

intptr_t ProcesaDaemonPanel(platform::Dialog* panel, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand || panel != g_panel) return 0;
    int id = platform::CommandId(wparam);
    if (id == g_list && platform::CommandCode(wparam) == platform::kNotifySelChange) {
        SelectDaemonItem(panel->ListSelection(g_list));
        return 1;
    }
    if (id == kCmdDaemonEnable) {
        ToggleSelectedDaemon();
        return 1;
    }
    return 0;
}

std::string DaemonListText(const Daemon* daemon) {
    if (!daemon) return std::string();
    std::string text(daemon->name, strnlen(daemon->name, sizeof daemon->name));
    if (!daemon->enabled) text += " (OFF)";
    return text;
}

int DaemonItem(const Daemon* daemon) {
    if (!g_panel || !daemon) return -1;
    int n = g_panel->ListCount(g_list);
    for (int i = 0; i < n; ++i) {
        if (g_panel->ListData(g_list, i) == reinterpret_cast<intptr_t>(daemon)) return i;
    }
    return -1;
}

Daemon* DaemonOfItem(int index) {
    if (!g_panel) return nullptr;
    intptr_t data = g_panel->ListData(g_list, index);
    // Only a daemon still in the scene is handed out.
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        if (reinterpret_cast<intptr_t>(d) == data) return d;
    }
    return nullptr;
}

Daemon* NewDaemon(Descriptor* d) {
    Daemon* daemon = CreaDaemon(d);
    if (!daemon) return nullptr;
    seldaemon = daemon;
    AddDaemonToPanel(daemon);
    return daemon;
}

void AddDaemonToPanel(Daemon* daemon) {
    if (!daemon) return;
    if (g_panel && DaemonItem(daemon) < 0) {
        int item = g_panel->ListAdd(g_list, DaemonListText(daemon));
        g_panel->ListSetData(g_list, item, reinterpret_cast<intptr_t>(daemon));
        g_panel->ListSelect(g_list, item);
    }
    seldaemon = daemon;
    ShowWindowOf(daemon);
    NodeTransform now = CaptureTransform(*daemon);
    RecordUndo(daemon, kUndoDaemonAdded, now);
    RecordUndo(daemon, kUndoTransform, now);
    daemon->listed = 1;
    AssignNewDaemon(daemon);
    platform::RequestRepaint();
}

void SelectDaemonItem(int index) {
    Daemon* d = DaemonOfItem(index);
    if (!d) return;
    Select(d);
}

bool DaemonEnableChecked() {
    Daemon* d = SelectedDaemon();
    return d && d->enabled;
}

void ToggleSelectedDaemon() {
    Daemon* d = SelectedDaemon();
    if (!d) return;
    d->enabled = d->enabled ? 0 : 1;
    RewriteItem(d);
    platform::RequestRepaint();
}

void RenameDaemonItem(int index, const char* text) {
    Daemon* d = DaemonOfItem(index);
    if (!d) return;
    platform::CopyText(d->name, kDaemonNameMax + 1, text);
    RewriteItem(d);
}

void DeleteSelectedDaemon() {
    Daemon* d = SelectedDaemon();
    if (!d) return;
    Descriptor* cls = d->descriptor;
    if (platform::Dialog* w = WindowOf(d)) w->ShowWindow(false);
    if (g_panel) g_panel->ListDelete(g_list, DaemonItem(d));
    Daemon* then = Predecessor(d);
    if (!then) then = NextDaemon(d);
    delete d;
    if (then) {
        Select(then);
    } else {
        seldaemon = nullptr;
    }
    ReleaseClass(cls);
    platform::RequestRepaint();
}

void DeleteAllDaemons() {
    std::vector<Descriptor*> classes;
    while (Daemon* d = FirstDaemon()) {
        if (platform::Dialog* w = WindowOf(d)) w->ShowWindow(false);
        if (std::find(classes.begin(), classes.end(), d->descriptor) == classes.end()) {
            classes.push_back(d->descriptor);
        }
        delete d;
    }
    if (g_panel) g_panel->ListClear(g_list);
    seldaemon = nullptr;
    selnodo = nullptr;
    for (Descriptor* cls : classes) ReleaseClass(cls);
    platform::RequestRepaint();
}

Daemon* DuplicateDaemon(Daemon* source) {
    if (!source) return nullptr;
    Daemon* copy = CreaDaemon(source->descriptor);
    if (!copy) return nullptr;
    copy->Copy(source);
    AddDaemonToPanel(copy);
    return copy;
}

Daemon* DuplicateDaemonAt(Daemon* source, const Vector& pos, const Vector& rot) {
    if (!source) return nullptr;
    Daemon* copy = CreaDaemon(source->descriptor);
    if (!copy) return nullptr;
    copy->Copy(source);
    copy->pos = pos;
    copy->rot = rot;
    copy->UpdateMatrix();
    AddDaemonToPanel(copy);
    return copy;
}
