#include "plugins/class_buttons.h"

#include <strings.h>

#include "fluid/fluido.h"
#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"

namespace {

constexpr int kShippedDaemonOrder[kClassButtons] = {3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12};
constexpr int kFirstShippedEmitter = 101;

bool HasLibrary(const char* file) {
    for (int i = 0; i < PluginLibraryCount(); ++i) {
        if (strcasecmp(PluginLibraryAt(i)->file, file) == 0) return true;
    }
    return false;
}

int g_tables[2][kClassButtons] = {};
void (*g_buttons_hook)() = nullptr;

Descriptor* Activated(int class_id) {
    if (class_id == 0) return nullptr;
    return RegisteredClass(ActivatePluginClass(class_id));
}

}  // namespace

int FillClassButtons(int kind, int ids[kClassButtons]) {
    const bool daemons = kind == kClassDaemon;
    int filled = 0;
    if (HasLibrary(daemons ? kShippedDaemons : kShippedEmitters)) {
        for (int b = 0; b < kClassButtons; ++b) {
            ids[b] = daemons ? kShippedDaemonOrder[b] : kFirstShippedEmitter + b;
            if (FindPluginClass(ids[b])) ++filled;
        }
        return daemons ? kClassButtons : filled;
    }
    for (int b = 0; b < kClassButtons; ++b) ids[b] = 0;
    for (int i = 0; i < PluginLibraryCount() && filled < kClassButtons; ++i) {
        for (const PluginClass& c : PluginLibraryAt(i)->classes) {
            if (c.kind != kind) continue;
            ids[filled++] = c.class_id;
            if (filled == kClassButtons) break;
        }
    }
    return filled;
}

Daemon* PressDaemonButton(int class_id) {
    Descriptor* d = Activated(class_id);
    return d && d->kind == kClassDaemon ? NewDaemon(d) : nullptr;
}

Fluido* PressEmitterButton(int class_id) {
    Descriptor* d = Activated(class_id);
    if (!d || d->kind != kClassEmitter) return nullptr;
    Fluido* f = CreaFluido(d);
    if (f) selflow = f;
    return f;
}

int* ClassButtonTable(int kind) { return g_tables[kind == kClassDaemon ? 0 : 1]; }

int RefillClassButtons(int kind) { return FillClassButtons(kind, ClassButtonTable(kind)); }

const char* ClassButtonCaption(int class_id) {
    int position = 0;
    const PluginLibrary* lib = class_id ? FindPluginClass(class_id, &position) : nullptr;
    return lib ? lib->classes[static_cast<size_t>(position)].label : "";
}

void SetClassButtonsHook(void (*hook)()) { g_buttons_hook = hook; }

void ClassButtonsChanged() {
    if (g_buttons_hook) g_buttons_hook();
}
