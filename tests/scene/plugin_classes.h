#pragma once

// Emitter and daemon classes defined inside the test program, and a stand-in for the fluid
// layer's hooks, so the scene's side of plug-ins is tested without loading libraries.

#include <algorithm>
#include <string>
#include <vector>

#include "platform/dialog.h"
#include "platform/format.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/node_panel.h"
#include "scene/scene_hooks.h"

namespace testing_classes {

inline const platform::ControlTemplate kParamControls[] = {
    {kIdPosX, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdPosY, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdPosZ, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotX, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotY, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
    {kIdRotZ, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
};
inline const platform::DialogTemplate kParamWindow = {"Parameters", 120, 80, kParamControls, 6};

// What the objects of these classes were asked to do, in order.
inline std::vector<std::string>& Calls() {
    static std::vector<std::string> calls;
    return calls;
}

inline bool Called(const std::string& what) {
    return std::find(Calls().begin(), Calls().end(), what) != Calls().end();
}

class TestDaemon : public Daemon {
public:
    void SetParameterBlock() override {
        Calls().push_back("SetParameterBlock " + std::string(name));
        Daemon::SetParameterBlock();
    }
    void UpdateLink() override {
        Calls().push_back("UpdateLink");
        Nodo::UpdateLink();
    }
    void CalculaDependientes() override { Calls().push_back("CalculaDependientes"); }
    void Copy(Nodo* source) override {
        Calls().push_back("Copy");
        Nodo::Copy(source);
    }
};

class TestEmitter : public Creador {
public:
    void PostCreation() override {
        // What creation has set by now.
        Calls().push_back(std::string("PostCreation ") + name + (descriptor ? " +class" : "") +
                          (fluid ? " +fluid" : ""));
    }
    void SetParameterBlock() override {
        Calls().push_back("SetParameterBlock");
        Creador::SetParameterBlock();
    }
    void UpdateLink() override {
        Calls().push_back("UpdateLink");
        Nodo::UpdateLink();
    }
    void CalculaDependientes() override { Calls().push_back("CalculaDependientes"); }
};

// A class of either kind, with a parameter window of its own when asked.
class TestClass final : public Descriptor {
public:
    TestClass(int k, int id, const char* class_name, bool with_window = true) {
        kind = k;
        class_id = id;
        platform::CopyText(name, sizeof name, class_name);
        if (with_window) window = platform::CreateDialog(&kParamWindow, nullptr, nullptr);
    }
    Nodo* Create() override {
        if (give_wrong_kind) return kind == kClassDaemon ? static_cast<Nodo*>(new TestEmitter)
                                                         : static_cast<Nodo*>(new TestDaemon);
        return kind == kClassDaemon ? static_cast<Nodo*>(new TestDaemon)
                                    : static_cast<Nodo*>(new TestEmitter);
    }
    bool give_wrong_kind = false;
};

// The fluid layer, as far as emitters and daemons see it: each fluid is a number, and the
// scene lists the fluids in `listed` with their emitters.
struct FakeFluids {
    struct Entry {
        int fluid;
        Creador* emitter;
    };
    std::vector<Entry> listed;
    std::vector<Daemon*> assigned;  // daemons assigned to the single fluid
    std::vector<std::string> events;

    static FakeFluids& Get() {
        static FakeFluids f;
        return f;
    }
    static Fluido* AsFluid(int n) { return reinterpret_cast<Fluido*>(static_cast<intptr_t>(n)); }

    static void Install() {
        Get() = FakeFluids{};
        FluidHooks h;
        h.is_only_fluid = [](const Fluido* f) {
            auto& l = Get().listed;
            return l.size() == 1 && AsFluid(l[0].fluid) == f;
        };
        h.smallest_emitter_id = [](const Creador* leaving) {
            int best = 0;
            for (const Entry& e : Get().listed) {
                if (e.emitter == leaving || !e.emitter) continue;
                if (best == 0 || e.emitter->emitter_id < best) best = e.emitter->emitter_id;
            }
            return best;
        };
        h.emitter_id_in_use = [](int id) {
            for (const Entry& e : Get().listed) {
                if (e.emitter && e.emitter->emitter_id == id) return true;
            }
            return false;
        };
        h.attach_emitter = [](Fluido*, Creador* c) {
            Get().events.push_back(std::string("attach ") + (c->name[0] ? "named" : "unnamed"));
        };
        h.control_common_update = [](Fluido*) { Get().events.push_back("common controls"); };
        h.emitter_uses = [](const Descriptor* d) {
            for (const Entry& e : Get().listed) {
                if (e.emitter && e.emitter->descriptor == d) return true;
            }
            return false;
        };
        h.withdraw_daemon = [](Daemon* d) {
            auto& a = Get().assigned;
            a.erase(std::remove(a.begin(), a.end(), d), a.end());
        };
        h.assign_new_daemon = [](Daemon* d) {
            if (Get().listed.size() == 1) Get().assigned.push_back(d);
        };
        SetFluidHooks(h);
    }
    static void Remove() { SetFluidHooks(FluidHooks{}); }

    // A new fluid with an emitter of class d.
    Creador* AddFluid(Descriptor* d) {
        int n = static_cast<int>(listed.size()) + 100;
        Creador* c = CreaEmisor(d, AsFluid(n));
        listed.push_back({n, c});
        return c;
    }
    // Deletes fluid i as the fluid layer will: its emitter is destroyed while the fluid is
    // still listed, then the fluid leaves the list.
    void DeleteFluid(size_t i) {
        delete listed[i].emitter;
        listed.erase(listed.begin() + static_cast<long>(i));
    }
};

}  // namespace testing_classes
