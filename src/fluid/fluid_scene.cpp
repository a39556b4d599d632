// What the scene layer asks of the fluids: emitter ids, the emitter of a new fluid, classes
// in use, and daemons joining or leaving the fluids.
#include <cstdlib>

#include "fluid/driver.h"
#include "fluid/fluido.h"
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

void Attach(Fluido* fluid, Creador* emitter) {
    if (fluid) fluid->emitter = emitter;
}

bool Uses(const Descriptor* d) {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->emitter && f->emitter->descriptor == d) return true;
    }
    return false;
}

void Withdraw(Daemon* daemon) {
    for (Fluido* f = rootflow; f; f = f->next) {
        int kept = 0;
        for (int i = 0; i < f->numDaemons; ++i) {
            if (f->daemons[i] != daemon) f->daemons[kept++] = f->daemons[i];
        }
        f->numDaemons = kept;
    }
}

void AssignToOnlyFluid(Daemon* daemon) {
    Fluido* f = rootflow;
    if (!f || f->next || !daemon) return;
    for (int i = 0; i < f->numDaemons; ++i) {
        if (f->daemons[i] == daemon) return;
    }
    void* grown = std::realloc(f->daemons, sizeof(Daemon*) * static_cast<size_t>(f->numDaemons + 1));
    if (!grown) return;
    f->daemons = static_cast<Daemon**>(grown);
    f->daemons[f->numDaemons++] = daemon;
}

bool Install() {
    FluidHooks hooks = GetFluidHooks();
    hooks.is_only_fluid = IsOnly;
    hooks.smallest_emitter_id = Smallest;
    hooks.attach_emitter = Attach;
    hooks.emitter_uses = Uses;
    hooks.withdraw_daemon = Withdraw;
    hooks.assign_new_daemon = AssignToOnlyFluid;
    hooks.clear_fluids = sim::ClearSimulation;
    SetFluidHooks(hooks);
    return true;
}

// The fluid layer is part of the same library, so its answers are in place from the start.
const bool g_installed = Install();

}  // namespace
