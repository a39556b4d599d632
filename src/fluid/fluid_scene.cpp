// What the scene layer asks of the fluids: emitter ids, the emitter of a new fluid, classes
// in use, and daemons joining or leaving the fluids.
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "scene/creador.h"
#include "scene/scene_hooks.h"

namespace {

bool IsOnly(const Fluido* fluid) { return fluid && rootflow == fluid && !fluid->next; }

int Smallest(const Creador* leaving) {
    int smallest = 0;
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!f->emitter || f->emitter == leaving) continue;
        if (smallest == 0 || f->emitter->emitter_id < smallest) smallest = f->emitter->emitter_id;
    }
    return smallest;
}

bool IdInUse(int id) {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->emitter && f->emitter->emitter_id == id) return true;
    }
    return false;
}

void Attach(Fluido* fluid, Creador* emitter) {
    if (fluid) fluid->emitter = emitter;
}

bool Uses(const Descriptor* d) {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->emitter && f->emitter->descriptor == d) return true;
    }
    return false;
}

bool Install() {
    FluidHooks hooks = GetFluidHooks();
    hooks.is_only_fluid = IsOnly;
    hooks.smallest_emitter_id = Smallest;
    hooks.attach_emitter = Attach;
    hooks.emitter_uses = Uses;
    hooks.withdraw_daemon = WithdrawDaemonFromFluids;
    hooks.assign_new_daemon = AssignDaemonToOnlyFluid;
    hooks.clear_fluids = sim::ClearSimulation;
    hooks.emitter_id_in_use = IdInUse;
    SetFluidHooks(hooks);
    return true;
}

// The fluid layer is part of the same library, so its answers are in place from the start.
const bool g_installed = Install();

}  // namespace
