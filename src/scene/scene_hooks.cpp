#include "scene/scene_hooks.h"

namespace {

// Set on the user-interface thread at start-up, before the simulation thread exists.
FluidHooks g_fluid;
ObjectHooks g_object;
ClassRegistryHooks g_registry;

}  // namespace

void SetFluidHooks(const FluidHooks& hooks) { g_fluid = hooks; }
const FluidHooks& GetFluidHooks() { return g_fluid; }
void SetObjectHooks(const ObjectHooks& hooks) { g_object = hooks; }
const ObjectHooks& GetObjectHooks() { return g_object; }
void SetClassRegistryHooks(const ClassRegistryHooks& hooks) { g_registry = hooks; }

bool IsOnlyFluid(const Fluido* fluid) { return g_fluid.is_only_fluid && g_fluid.is_only_fluid(fluid); }

int SmallestEmitterId(const Creador* leaving) {
    return g_fluid.smallest_emitter_id ? g_fluid.smallest_emitter_id(leaving) : 0;
}

bool EmitterIdInUse(int id) { return g_fluid.emitter_id_in_use && g_fluid.emitter_id_in_use(id); }

void AttachEmitter(Fluido* fluid, Creador* emitter) {
    if (g_fluid.attach_emitter) g_fluid.attach_emitter(fluid, emitter);
}

void ControlCommonUpdate(Fluido* fluid) {
    if (g_fluid.control_common_update) g_fluid.control_common_update(fluid);
}

bool EmitterUses(const Descriptor* d) { return g_fluid.emitter_uses && g_fluid.emitter_uses(d); }

void WithdrawDaemon(Daemon* daemon) {
    if (g_fluid.withdraw_daemon) g_fluid.withdraw_daemon(daemon);
}

void AssignNewDaemon(Daemon* daemon) {
    if (g_fluid.assign_new_daemon) g_fluid.assign_new_daemon(daemon);
}

platform::Dialog* FluidParamWindow() {
    return g_fluid.fluid_param_window ? g_fluid.fluid_param_window() : nullptr;
}

void ClearFluids() {
    if (g_fluid.clear_fluids) g_fluid.clear_fluids();
}

void ClearEmitterMask(Body* object, int bit) {
    if (g_object.clear_emitter_mask) g_object.clear_emitter_mask(object, bit);
}

void ClearObjects() {
    if (g_object.clear_objects) g_object.clear_objects();
}

void ReleaseClass(Descriptor* d) {
    if (g_registry.release) g_registry.release(d);
}

void ReleaseUnusedClasses() {
    if (g_registry.release_unused) g_registry.release_unused();
}
