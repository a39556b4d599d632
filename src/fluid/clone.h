#pragma once

#include "export.h"
#include "math/vector.h"

class Fluido;
class Nodo;

// Copies of fluids and daemons, one at a time ("Clone selected", a Shift drag in the viewport)
// or many in an array (element_array.h). Objects and meshes are not copied.

// A copy of source: a new fluid of its emitter's class (which names it, "Spray 1" after
// "Spray"), with the source's physical parameters and their envelopes, destruction and
// split rules and its three link lists; its emitter is a Copy of the source's, placed at pos
// and rot when they are given. Particles, output settings, prefix and output directory are
// not copied: the copy is regenerated, so it holds what its emitter makes at a reset. The copy
// is the last fluid of the scene and becomes selflow, its emitter selnodo. Null, after "Memory
// Error: fluid", when it cannot be made.
UNDALINE_API Fluido* CloneFluid(Fluido* source, const Vector* pos = nullptr, const Vector* rot = nullptr);

// A copy of the selected element (selnodo): a daemon is duplicated (and added to the daemon
// panel), an emitter's fluid cloned. The copy's node is selnodo afterwards and is returned.
// Null after "No element selected", or "Cannot do array of selected element" for an object or
// a mesh.
UNDALINE_API Nodo* CloneSelected();
