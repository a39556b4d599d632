#pragma once

#include "export.h"

class Fluido;
class Particula;
class Body;

// Calls from the fluid engine into subsystems built on top of it (objects, meshes, texture
// mapping, the desktop panels). Each is null until its owner installs it; a null hook does
// nothing, which is exactly how the engine behaves without that subsystem.
struct EngineHookTable {
    // A new particle of a fluid whose texture link is set.
    void (*register_with_texture)(void* texture, Particula* p);
    // After a fluid was regenerated (meshes forget their cached values for it).
    void (*fluid_regenerated)(Fluido* f);
    // After a fluid was created and listed (the panel opens its parameter window).
    void (*fluid_created)(Fluido* f);
    // Before a fluid is deleted (links to it are dropped).
    void (*fluid_deleting)(Fluido* f);
    // Marks the faces of the fluid's objects that lie near its particles this step.
    void (*mark_near_faces)(Fluido* f);
    // Whether any object of the scene can veto a same-fluid neighbour pair.
    bool (*thin_faces_present)();
    // True when an object's thin face lies between p and q.
    bool (*thin_face_blocks)(const Particula* p, const Particula* q);
    // The scene's objects in list order (null after the last) and an object's name, for the
    // fluids' object lists; without them the scene has no objects to list.
    Body* (*first_object)();
    Body* (*next_object)(Body* object);
    const char* (*object_name)(const Body* object);
    // The whole scene is being cleared: called before its fluids are deleted. Meshes install
    // these two; a second subsystem that needs them calls the hook it replaces.
    void (*scene_clearing)();
    // "Reset simulation", once the fluids are back at their start.
    void (*simulation_reset)();
};

UNDALINE_API EngineHookTable& EngineHooks();

namespace engine_hooks {
void RegisterWithTexture(void* texture, Particula* p);
void FluidRegenerated(Fluido* f);
void FluidCreated(Fluido* f);
void FluidDeleting(Fluido* f);
void MarkNearFaces(Fluido* f);
bool ThinFacesPresent();
bool ThinFaceBlocks(const Particula* p, const Particula* q);
Body* FirstObject();
Body* NextObject(Body* object);
// Never null: "" when the hook is missing or gives nothing.
const char* ObjectName(const Body* object);
void SceneClearing();
void SimulationReset();
}  // namespace engine_hooks
