// What the layers below ask of the objects: the object list for the fluids' link lists, the
// emitter masks, clearing the scene, and the bodies' motion in the simulation step.
#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluid_panel.h"
#include "objects/body.h"
#include "objects/scene_data.h"
#include "scene/node_panel.h"
#include "scene/scene_hooks.h"

namespace {

Body* First() {
    return rootbody.next;
}
Body* Next(Body* b) {
    return b ? b->next : nullptr;
}
const char* Name(const Body* b) {
    return b ? b->name : "";
}

void ClearMask(Body* b, int bit) {
    if (!b || bit < 0 || bit > 31) return;
    const uint32_t keep = ~(1u << bit);
    for (int i = 0; i < b->nverts; ++i) b->verts[i].selection &= keep;
    for (int i = 0; i < b->nfaces; ++i) b->faces[i].selection &= keep;
}

// Full simulation, start of a step: the animated scene's bodies go to the time reached in
// the frame, and bodies read from object files move by their velocity.
void MoveBodies() {
    MoveSceneDataBodies(frame_time);
    for (Body* b = rootbody.next; b; b = b->next) {
        if (b->origin != kOriginObjectFile) continue;
        b->AdvanceByVelocity();
        b->ComputeVertexVelocities();
    }
}

void StandStill() {
    for (Body* b = rootbody.next; b; b = b->next) {
        for (int i = 0; i < b->nverts; ++i) b->verts[i].velocity = Vector(0, 0, 0);
    }
}

// A frame has ended: the animated scene reads its next frame.
void AdvanceScene() {
    if (SceneDataLoaded()) ReadNextSceneFrame();
}

// A reset puts every body the velocity moved back where it rested; animated-scene bodies are
// returned by their own scene, which reads its frames again from the first.
void BackToRest() {
    RewindSceneData();
    for (Body* b = rootbody.next; b; b = b->next) {
        if (b->origin == kOriginSceneData) continue;
        b->RestoreRest();
        b->UpdateMatrix();
        b->UpdateWorld();
        for (int i = 0; i < b->nverts; ++i) b->verts[i].velocity = Vector(0, 0, 0);
    }
    RefreshNodeLinks();
}

// "Fit to object" of the particle destruction dialog: the box round a body as it stands now.
void* ChooseForBox() { return ChooseObject(nullptr); }

bool WorldBounds(void* object, float lo[3], float hi[3]) {
    const Body* b = static_cast<const Body*>(object);
    if (!b || b->nverts <= 0) return false;
    for (int a = 0; a < 3; ++a) {
        lo[a] = 1e30f;
        hi[a] = -1e30f;
    }
    for (int i = 0; i < b->nverts; ++i) {
        for (int a = 0; a < 3; ++a) {
            const float v = b->verts[i].world[a];
            lo[a] = v < lo[a] ? v : lo[a];
            hi[a] = v > hi[a] ? v : hi[a];
        }
    }
    return true;
}

bool Install() {
    EngineHookTable& engine = EngineHooks();
    engine.first_object = First;
    engine.next_object = Next;
    engine.object_name = Name;

    ObjectHooks objects = GetObjectHooks();
    objects.clear_emitter_mask = ClearMask;
    objects.clear_objects = RemoveAllBodies;
    SetObjectHooks(objects);

    StepHooks& step = SimulationHooks();
    step.move_objects = MoveBodies;
    step.objects_stand_still = StandStill;
    step.reset_objects = BackToRest;
    step.advance_scene = AdvanceScene;

    fluid_panel::ObjectBoundsReader box;
    box.choose = ChooseForBox;
    box.bounds = WorldBounds;
    fluid_panel::SetObjectBoundsReader(box);
    return true;
}

// The objects layer is part of the same library, so its answers are in place from the start.
const bool g_installed = Install();

}  // namespace
