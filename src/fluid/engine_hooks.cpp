#include "fluid/engine_hooks.h"

EngineHookTable& EngineHooks() {
    static EngineHookTable table{};
    return table;
}

namespace engine_hooks {

void RegisterWithTexture(void* texture, Particula* p) {
    if (auto h = EngineHooks().register_with_texture) h(texture, p);
}
void FluidRegenerated(Fluido* f) {
    if (auto h = EngineHooks().fluid_regenerated) h(f);
}
void FluidCreated(Fluido* f) {
    if (auto h = EngineHooks().fluid_created) h(f);
}
void FluidDeleting(Fluido* f) {
    if (auto h = EngineHooks().fluid_deleting) h(f);
}
void MarkNearFaces(Fluido* f) {
    if (auto h = EngineHooks().mark_near_faces) h(f);
}
bool ThinFacesPresent() {
    auto h = EngineHooks().thin_faces_present;
    return h && h();
}
bool ThinFaceBlocks(const Particula* p, const Particula* q) {
    auto h = EngineHooks().thin_face_blocks;
    return h && h(p, q);
}

Body* FirstObject() {
    auto h = EngineHooks().first_object;
    return h ? h() : nullptr;
}
Body* NextObject(Body* object) {
    auto h = EngineHooks().next_object;
    return h && object ? h(object) : nullptr;
}
const char* ObjectName(const Body* object) {
    auto h = EngineHooks().object_name;
    const char* name = h && object ? h(object) : nullptr;
    return name ? name : "";
}

void SceneClearing() {
    if (auto h = EngineHooks().scene_clearing) h();
}
void SimulationReset() {
    if (auto h = EngineHooks().simulation_reset) h();
}

}  // namespace engine_hooks
