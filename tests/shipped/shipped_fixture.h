#pragma once

// The build's plug-ins directory scanned, the two panels the parameter windows live in, and
// ways to make and edit emitters and daemons the way the user does: through their classes'
// parameter windows.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "driven_step.h"
#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "platform/dialog.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/node_panel.h"
#include "scene/scene.h"
#include "shipped_ids.h"

constexpr int kShippedDaemonList = 5200;

inline const platform::ControlTemplate kShippedDaemonPanelControls[] = {
    {kShippedDaemonList, platform::ControlKind::ListBox, "", 0, 0, 100, 80, 0},
    {kIdDaemonWindowAnchor, platform::ControlKind::Static, "", 0, 90, 100, 10, 0},
};
inline const platform::DialogTemplate kShippedDaemonPanel = {"Daemons", 220, 400,
                                                             kShippedDaemonPanelControls, 2};
inline const platform::ControlTemplate kShippedEmitterPanelControls[] = {
    {kIdEmitterWindowAnchor, platform::ControlKind::Static, "", 0, 30, 100, 20, 0},
};
inline const platform::DialogTemplate kShippedEmitterPanel = {"Emitters", 220, 400,
                                                              kShippedEmitterPanelControls, 1};

class ShippedTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        ClearFluidScene();
        platform::ClearMessageBoxes();
        SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
        ASSERT_TRUE(ScanPlugins());
        daemon_panel = platform::CreateDialog(&kShippedDaemonPanel, ProcesaDaemonPanel, nullptr);
        emitter_panel = platform::CreateDialog(&kShippedEmitterPanel, nullptr, nullptr);
        SetDaemonPanel(daemon_panel, kShippedDaemonList);
        SetEmitterPanel(emitter_panel);
    }

    void TearDown() override {
        ClearFluidScene();
        ResetScene();
        UnloadAllPlugins();
        EXPECT_EQ(RegistryLastIndex(), -1);
        SetDaemonPanel(nullptr, 0);
        SetEmitterPanel(nullptr);
        platform::DestroyDialog(daemon_panel);
        platform::DestroyDialog(emitter_panel);
        SetPluginsDirectory("");
    }

    static Descriptor* Class(int class_id) {
        int index = ActivatePluginClass(class_id);
        return index < 0 ? nullptr : RegisteredClass(index);
    }

    // What "Reset simulation" does to one fluid.
    static void ResetFluid(Fluido* f) {
        f->emitter->AboutReset();
        f->Regenera();
        f->emitTime = 0.0f;
        f->emitter->NotifyReset();
    }
    // A new fluid of an emitter class, reset once.
    static Fluido* NewFluid(int class_id, unsigned char type = kFluidDumb) {
        Fluido* f = CreaFluido(Class(class_id));
        if (!f) return nullptr;
        f->type = type;
        ResetFluid(f);
        return f;
    }

    // A daemon of a class, added to the panel as a button does (it becomes seldaemon).
    static Daemon* NewDaemonOf(int class_id) { return NewDaemon(Class(class_id)); }

    static platform::Dialog* WindowOf(Nodo* node) {
        if (auto* d = dynamic_cast<Daemon*>(node)) return d->descriptor ? d->descriptor->window : nullptr;
        if (auto* e = dynamic_cast<Creador*>(node)) return e->descriptor ? e->descriptor->window : nullptr;
        return nullptr;
    }

    // Shows node in its class's window, as the panels do before the user edits it.
    static void Show(Nodo* node) {
        if (auto* d = dynamic_cast<Daemon*>(node)) {
            SelectDaemonItem(DaemonItem(d));
        } else if (auto* e = dynamic_cast<Creador*>(node)) {
            e->SetParameterBlock();
        }
    }

    // Types a value into field id of node's window and leaves the field.
    static void Set(Nodo* node, int id, float value) {
        Show(node);
        platform::TypeIntoField(WindowOf(node), id, platform::Format("%g", static_cast<double>(value)));
    }
    static void Set(Nodo* node, std::initializer_list<std::pair<int, float>> fields) {
        for (const auto& [id, value] : fields) Set(node, id, value);
    }
    static void SetChecked(Nodo* node, int id, bool on) {
        Show(node);
        platform::Dialog* w = WindowOf(node);
        if (w->IsChecked(id) != on) platform::ClickControl(w, id);
    }

    // What field id of node's window shows for it.
    static float Get(Nodo* node, int id) {
        Show(node);
        return std::strtof(WindowOf(node)->GetText(id).c_str(), nullptr);
    }

    platform::Dialog* daemon_panel = nullptr;
    platform::Dialog* emitter_panel = nullptr;
};

inline std::vector<Particula*> Particles(const Fluido* f) {
    std::vector<Particula*> all;
    for (Particula* p = f->First(); p; p = p->next) all.push_back(p);
    return all;
}

// The smallest distance between two particles of the fluid.
inline float SmallestGap(const Fluido* f) {
    std::vector<Particula*> all = Particles(f);
    float best = INFINITY;
    for (size_t i = 0; i < all.size(); ++i) {
        for (size_t j = i + 1; j < all.size(); ++j) {
            best = std::min(best, (all[i]->pos - all[j]->pos).Modulo());
        }
    }
    return best;
}
