#pragma once

// What the example scenes share: the headless panels the parameter windows belong to, and
// making and editing scene elements the way a user does, through the classes' windows.

#include <cstdio>

#include "undaline.h"

namespace example_scenes {

// Field ids of the shipped classes' windows.
enum {
    kSpeed = 2002, kRandom = 2003, kWidth = 2006, kHeight = 2007, kDepth = 2008, kRate = 2012,
    kAngle = 2013, kStrength = 2020, kLinear = 2023, kOutside = 2030, kBounce = 2035,
    kFriction = 2036,
};
enum { kSpray = 110, kCube = 105, kWind = 1, kGravity = 3, kDrag = 4, kKill = 5, kGround = 12 };

// Headless stand-ins for the two panels the parameter windows belong to.
inline const platform::ControlTemplate kDaemonPanelControls[] = {
    {kIdDaemonWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
    {5100, platform::ControlKind::ListBox, "", 0, 0, 100, 30, 0},
};
inline const platform::DialogTemplate kDaemonPanel = {"Daemons", 220, 400, kDaemonPanelControls, 2};
inline const platform::ControlTemplate kEmitterPanelControls[] = {
    {kIdEmitterWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
};
inline const platform::DialogTemplate kEmitterPanel = {"Emitters", 220, 400, kEmitterPanelControls, 1};

inline platform::Dialog* g_daemon_panel = nullptr;
inline platform::Dialog* g_emitter_panel = nullptr;

inline void Panels() {
    if (g_daemon_panel) return;
    g_daemon_panel = platform::CreateDialog(&kDaemonPanel, ProcesaDaemonPanel, nullptr);
    g_emitter_panel = platform::CreateDialog(&kEmitterPanel, nullptr, nullptr);
    SetDaemonPanel(g_daemon_panel, 5100);
    SetEmitterPanel(g_emitter_panel);
}

inline Descriptor* Class(int class_id) {
    int index = ActivatePluginClass(class_id);
    if (index < 0) std::fprintf(stderr, "make_scenes: class %d is not available\n", class_id);
    return index < 0 ? nullptr : RegisteredClass(index);
}

inline platform::Dialog* Window(Nodo* node) {
    if (auto* d = dynamic_cast<Daemon*>(node)) {
        SelectDaemonItem(DaemonItem(d));
        return d->descriptor->window;
    }
    auto* e = static_cast<Creador*>(node);
    e->SetParameterBlock();
    return e->descriptor->window;
}

// Types a value into a field of the node's window, as a user does.
inline void Set(Nodo* node, int id, float value) {
    platform::TypeIntoField(Window(node), id, platform::Format("%g", static_cast<double>(value)));
}

inline void Check(Nodo* node, int id) {
    platform::Dialog* w = Window(node);
    if (!w->IsChecked(id)) platform::ClickControl(w, id);
}

inline Fluido* NewFluid(int class_id) {
    Descriptor* d = Class(class_id);
    return d ? CreaFluido(d) : nullptr;
}

inline Daemon* NewDaemonOf(int class_id) {
    Descriptor* d = Class(class_id);
    return d ? NewDaemon(d) : nullptr;
}

}  // namespace example_scenes
