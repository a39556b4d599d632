#pragma once

#include "export.h"
#include "platform/dialog.h"

// Emitters and daemons need facts about fluids, objects and the class registry, which live in
// layers above this one. Those layers install the hooks below; until they do, every hook is
// null and the wrappers read as an empty scene ("no fluid", "nothing in use") and do nothing.

class Body;
class Creador;
class Daemon;
class Descriptor;
class Fluido;

// Installed by the fluid layer.
struct FluidHooks {
    // Whether fluid is the only fluid of the scene. Asked when its emitter is destroyed:
    // then Creador::seed returns to 0.
    bool (*is_only_fluid)(const Fluido* fluid) = nullptr;
    // Smallest emitter_id among the emitters of the fluids still listed, leaving out
    // `leaving` (the emitter being destroyed); 0 when there is none. Asked when an emitter of
    // a scene with other fluids is destroyed.
    int (*smallest_emitter_id)(const Creador* leaving) = nullptr;
    // Makes emitter the fluid's emitter; called while an emitter is created, before its name
    // is set and before PostCreation.
    void (*attach_emitter)(Fluido* fluid, Creador* emitter) = nullptr;
    // Fluido::ControlCommonUpdate: refreshes the fluid's common controls (emitter undo).
    void (*control_common_update)(Fluido* fluid) = nullptr;
    // Whether any fluid's emitter was made from d (releasing a class).
    bool (*emitter_uses)(const Descriptor* d) = nullptr;
    // Removes daemon from every fluid's daemon assignments; called as a daemon is destroyed.
    void (*withdraw_daemon)(Daemon* daemon) = nullptr;
    // Assigns a daemon just added to the panel to the scene's fluid when there is exactly one.
    void (*assign_new_daemon)(Daemon* daemon) = nullptr;
    // The fluid panel's parameter window, below which emitter windows of layout 1 sit.
    platform::Dialog* (*fluid_param_window)() = nullptr;
    // Destroys every fluid (and so every emitter); ResetScene calls it.
    void (*clear_fluids)() = nullptr;
    // Whether an emitter of a listed fluid has emitter_id id; asked for every new emitter.
    bool (*emitter_id_in_use)(int id) = nullptr;
};

// Installed by the objects layer.
struct ObjectHooks {
    // Clears bit `bit` (0 to 31) of the emitter mask of every vertex and face of object;
    // called when an emitter linked to object is destroyed.
    void (*clear_emitter_mask)(Body* object, int bit) = nullptr;
    // Destroys every object; ResetScene calls it once the fluids are gone.
    void (*clear_objects)() = nullptr;
};

// Installed by the class registry (plug-ins layer) as soon as it registers a class.
struct ClassRegistryHooks {
    // Deactivates d's class if no object of the scene uses it any more.
    void (*release)(Descriptor* d) = nullptr;
    // Deactivates every registered class that nothing uses; ResetScene calls it.
    void (*release_unused)() = nullptr;
};

UNDALINE_API void SetFluidHooks(const FluidHooks& hooks);
UNDALINE_API const FluidHooks& GetFluidHooks();
UNDALINE_API void SetObjectHooks(const ObjectHooks& hooks);
UNDALINE_API const ObjectHooks& GetObjectHooks();
UNDALINE_API void SetClassRegistryHooks(const ClassRegistryHooks& hooks);

// Null-safe calls of the hooks above.
UNDALINE_API bool IsOnlyFluid(const Fluido* fluid);
UNDALINE_API int SmallestEmitterId(const Creador* leaving);
UNDALINE_API bool EmitterIdInUse(int id);
UNDALINE_API void AttachEmitter(Fluido* fluid, Creador* emitter);
UNDALINE_API void ControlCommonUpdate(Fluido* fluid);
UNDALINE_API bool EmitterUses(const Descriptor* d);
UNDALINE_API void WithdrawDaemon(Daemon* daemon);
UNDALINE_API void AssignNewDaemon(Daemon* daemon);
UNDALINE_API platform::Dialog* FluidParamWindow();
UNDALINE_API void ClearFluids();
UNDALINE_API void ClearEmitterMask(Body* object, int bit);
UNDALINE_API void ClearObjects();
UNDALINE_API void ReleaseClass(Descriptor* d);
UNDALINE_API void ReleaseUnusedClasses();
