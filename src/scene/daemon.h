#pragma once

#include "export.h"
#include "math/vector.h"
#include "scene/nodo.h"

class Descriptor;
class Fluido;

// Base of every daemon: a plug-in class that changes the particles of the fluids it is
// assigned to (forces, removal). The program makes daemons only through their class's
// descriptor. Field and virtual-operation order are a binary contract.
class UNDALINE_API Daemon : public Nodo {
public:
    // Node defaults and kind 1.
    Daemon();
    Daemon(const Daemon& other) = default;
    Daemon& operator=(const Daemon& other) = default;

    // Withdraws the daemon from every fluid's assignments and clears seldaemon if it was
    // this one; then the node destructor.
    ~Daemon() override;
    // The node move; then fields 1000 to 1002 of the parameter window show pos, the window is
    // redrawn, the link followed and CalculaDependientes called.
    void Move(Vector delta) override;
    // Working plane 0, 1, 2 adds angle to rot[AX/AY/AZ]; fields 1006 to 1008 show rot; the
    // window is redrawn; the matrix is recomposed (following the link when linked).
    void Rotate(float angle) override;

    // Fills the parameter window (pos in 1000 to 1002, rot in 1006 to 1008) and shows the
    // toolbar's display-mode button of `display` pressed. Called after creation, when the
    // daemon panel is refreshed and after the linked object has been deleted.
    virtual void SetParameterBlock();
    // Once per step for each fluid the daemon is assigned to (only when enabled), and in the
    // mesh-build pass for class 13: adds to the particles' extraVel or forces.
    virtual void Affect(Fluido* fluid);

    char name[50];  // Wind, Wind 1, Wind 2, ... for the daemons of one class
    Descriptor* descriptor;  // the class; its parameter window is the daemon's panel
};

// The daemon selected in the daemon panel, or null.
UNDALINE_API extern Daemon* seldaemon;

// Creates a daemon of class d and appends it to the root list. Its name is the class name,
// followed by " n" when n daemons of the class exist already (the first free n, so names
// stay unique within the class). Null when the class gives no object or no daemon.
UNDALINE_API Daemon* CreaDaemon(Descriptor* d);

// The daemons of the root list, in list order; the list holds daemons only.
UNDALINE_API Daemon* FirstDaemon();
UNDALINE_API Daemon* NextDaemon(const Daemon* daemon);
UNDALINE_API int CountDaemons();

// Whenever an object is moved, rotated or scaled, after an undo that restores an object and
// at a simulation reset: SetParameterBlock, UpdateLink, and CalculaDependientes if linked,
// for every daemon.
UNDALINE_API void RefreshAllDaemons();
