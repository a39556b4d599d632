#pragma once

#include "export.h"

class Body;
class Daemon;
class Fluido;

// What acts on a fluid: each fluid keeps three lists, in insertion order and without
// duplicates, of the daemons applied to it, the objects it collides with and the other fluids
// whose particles join its neighbour search. Nothing acts on a fluid unless it is listed.
// The arrays come from malloc (the fluid frees them); a list with no entries has no array.
//
// The fluid list holds the fluids themselves: the scene tree shows each by its emitter
// (fluid->emitter), and the engine walks their particles.

// The list kinds; the numbers are the node kinds of the items the scene tree shows.
enum LinkKind { kLinkDaemons = 1, kLinkObjects = 2, kLinkFluids = 3 };

// Appends the item and returns its position (from 0); an item already listed keeps its
// position and nothing changes. -1 when nothing can be listed: a null fluid or item, the fluid
// itself, or no memory. Linking an object that the fluid's emitter is itself linked to still
// lists it, with the warning " Warning: <emitter> is also linked to <object>".
UNDALINE_API int LinkDaemon(Fluido* fluid, Daemon* daemon);
UNDALINE_API int LinkObject(Fluido* fluid, Body* object);
UNDALINE_API int LinkFluid(Fluido* fluid, Fluido* other);

// Takes the item out, keeping the others in order; an absent item changes nothing.
UNDALINE_API void UnlinkDaemon(Fluido* fluid, Daemon* daemon);
UNDALINE_API void UnlinkObject(Fluido* fluid, Body* object);
UNDALINE_API void UnlinkFluid(Fluido* fluid, Fluido* other);

// Empties one list (kind: LinkKind).
UNDALINE_API void CleanLinks(Fluido* fluid, int kind);

// Position of the item in its list, or -1.
UNDALINE_API int FindDaemonLink(const Fluido* fluid, const Daemon* daemon);
UNDALINE_API int FindObjectLink(const Fluido* fluid, const Body* object);
UNDALINE_API int FindFluidLink(const Fluido* fluid, const Fluido* other);

// An item leaving the scene leaves every fluid's list.
UNDALINE_API void WithdrawDaemonFromFluids(Daemon* daemon);
UNDALINE_API void WithdrawObjectFromFluids(Body* object);
UNDALINE_API void WithdrawFluidFromFluids(Fluido* fluid);

// A daemon just added to the scene acts on the scene's fluid when there is exactly one.
UNDALINE_API void AssignDaemonToOnlyFluid(Daemon* daemon);

// The scene tree's menu commands, for the fluid of the clicked item. The "selection" forms
// take the items chosen in the window's lists; items no longer in the scene are skipped, and
// a fluid is never linked to itself.
UNDALINE_API void LinkSelectedDaemons(Fluido* fluid, Daemon* const* daemons, int n);
UNDALINE_API void LinkAllDaemons(Fluido* fluid);
UNDALINE_API void LinkSelectedObjects(Fluido* fluid, Body* const* objects, int n);
UNDALINE_API void LinkAllObjects(Fluido* fluid);
UNDALINE_API void LinkSelectedFluids(Fluido* fluid, Fluido* const* fluids, int n);
UNDALINE_API void LinkAllFluids(Fluido* fluid);

// The scene tree's buttons, for every fluid of the scene.
UNDALINE_API void AddDaemonsToAllFluids(Daemon* const* daemons, int n);
UNDALINE_API void AddObjectsToAllFluids(Body* const* objects, int n);
UNDALINE_API void AddFluidsToAllFluids(Fluido* const* fluids, int n);
// "ALL to ALL": every fluid gets every daemon, every object and every other fluid.
UNDALINE_API void LinkAllToAll();
// "Clean ALL": every fluid's three lists emptied.
UNDALINE_API void CleanAllLinks();

// Checks the fluid's lists: counts not negative, an array exactly when the count is
// positive, no null entry, no duplicate, not the fluid itself. For tests and debug checks.
UNDALINE_API bool ValidaLinks(const Fluido* fluid);
