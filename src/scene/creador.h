#pragma once

#include "export.h"
#include "math/vector.h"
#include "platform/dialog.h"
#include "scene/nodo.h"

class Descriptor;
class Fluido;
class MeshBuilder;
class Particula;

// Capability bits an emitter sets in `flags` (in its constructor) and the engine reads.
enum EmitterFlag {
    kEmitterIntegrates = 1,       // the engine calls Integra instead of its own integration
    kEmitterKeepsExtraVel = 2,    // extraVel is not cleared before the daemons act
    kEmitterNoCollisions = 4,     // no object collision pass and no collision limit on the step
    kEmitterAsksVoxels = 8,       // AreVoxelsNeeded decides whether the voxel grid is built
    kEmitterBuildsMesh = 16,      // HowManyPoli and Poligoniza build the fluid's mesh
};

// Base of every emitter: the plug-in class that decides where and when a fluid's particles
// are born. Every fluid has exactly one. Creador itself emits nothing; its operations are the
// defaults a plug-in overrides. Field and virtual-operation order are a binary contract.
class UNDALINE_API Creador : public Nodo {
public:
    // Node defaults, kind 3, and the smallest emitter id that no listed fluid's emitter has
    // (stored into seed too).
    Creador();
    Creador(const Creador& other) = default;
    Creador& operator=(const Creador& other) = default;

    // Clears the emitter's bit in the masks of a linked object and gives its id back to the
    // seed (to 0 when its fluid was the only one, else down to the smallest id still in use).
    ~Creador() override;
    // The node move; then fields 1000 to 1002 of the parameter window show pos, the window is
    // redrawn, the link followed and CalculaDependientes called.
    void Move(Vector delta) override;
    // Working plane 0, 1, 2 adds angle to rot[AX/AY/AZ]; then fields 1006 to 1008 show rot,
    // the window is redrawn, the link followed and CalculaDependientes called.
    void Rotate(float angle) override;
    // After undo or redo: refreshes the fluid's common controls, shows the parameter window,
    // SetParameterBlock, repaints the viewport.
    void UndoChangePos() override;

    // Once, right after the emitter has been attached to a new fluid.
    virtual void PostCreation();
    // Fills the parameter window (pos in 1000 to 1002, rot in 1006 to 1008) whenever the
    // emitter's panel is shown or must be refreshed.
    virtual void SetParameterBlock();
    // Draws the emitter while the viewport draws its fluid, when emitters are shown.
    virtual void Representa();
    // Once per step: creates this step's particles with Fluido::CreaParticula.
    virtual void Crea();
    // Centre of the emitter, for framing and placement.
    virtual Vector DameCentro();
    // Time at which the emitter's output ends (seconds); 0 means no limit.
    virtual float DameTiempoMaximo();
    // Elastic fluids: non-zero stops the engine from building springs itself.
    virtual float DameVolumen();
    // Asked each step when flags has kEmitterAsksVoxels: whether the voxel grid is needed.
    virtual bool AreVoxelsNeeded();
    // With kEmitterBuildsMesh: the numbers of vertices and faces to allocate, then the fill.
    virtual void HowManyPoli(int* vertices, int* faces);
    virtual void Poligoniza(MeshBuilder* builder);
    // Once per step, after the daemons have acted on the fluid.
    virtual void Affect();
    // With kEmitterIntegrates: moves the particles instead of the engine.
    virtual void Integra();
    // Just before a particle of the fluid is removed and freed.
    virtual void GonnaKill(Particula* particle);
    // The user changed the fluid's type; the fluid has its new type, previous_type the old.
    virtual void OnFluidChange(char previous_type);

    Fluido* fluid;
    int emitter_id;  // also the bit (emitter_id & 31) of the emitter masks of a linked object
    char name[50];
    Descriptor* descriptor;  // the class; its parameter window is the emitter's panel

    // Counts up with every emitter constructed; 0 at start.
    static int seed;
};

// The emitter panel, parent of the emitter classes' parameter windows; installed by the
// desktop application (null in batch runs).
UNDALINE_API void SetEmitterPanel(platform::Dialog* panel);
UNDALINE_API platform::Dialog* EmitterPanel();

// Creates the emitter of a new fluid from an emitter class, in this order: the class's
// Create, descriptor, fluid (and the fluid's emitter, through the fluid layer), name = the
// class name, PostCreation. Null when the class gives no object or no emitter.
UNDALINE_API Creador* CreaEmisor(Descriptor* d, Fluido* fluid);
