#pragma once

#include "export.h"
#include "platform/dialog.h"

class Body;
class Nodo;

// Controls every node panel shares: position, scale and rotation fields, and the link button.
enum NodePanelControl {
    kIdPosX = 1000, kIdPosY = 1001, kIdPosZ = 1002,
    kIdScaleX = 1003, kIdScaleY = 1004, kIdScaleZ = 1005,
    kIdRotX = 1006, kIdRotY = 1007, kIdRotZ = 1008,
};

// Icons of the link button.
enum LinkIcon { kIconLinked = 5313, kIconFree = 5314 };

// Reads common control `id` of a node panel into node (position, scale at least 0, rotation;
// shown x, y, z map to AX, AY, AZ), updates what depends on it, records an undo snapshot and
// repaints when the value changed. Returns 1 when id is one of the common controls.
UNDALINE_API int ProcesaControlesComunes(platform::Dialog* dialog, int id, Nodo* node);

// Show pos[AX/AY/AZ] in fields 1000 to 1002, and rot[AX/AY/AZ] in 1006 to 1008, of dialog.
// Both redraw the window at once (a null window is skipped).
UNDALINE_API void ShowNodePosition(platform::Dialog* dialog, const Nodo* node);
UNDALINE_API void ShowNodeRotation(platform::Dialog* dialog, const Nodo* node);

// The viewport's rotate tool: working plane 0, 1 or 2 adds angle (degrees) to rot[AX],
// rot[AY] or rot[AZ]; any other plane changes nothing.
UNDALINE_API void RotateOnWorkingPlane(Nodo* node, float angle);

// The modal object chooser: given the current link, returns the chosen object or null for
// none. The desktop application installs a real one; without it the preset answer is given.
using ObjectChooser = Body* (*)(Body* current);
UNDALINE_API void SetObjectChooser(ObjectChooser chooser);
UNDALINE_API void SetObjectChooserAnswer(Body* answer);
// Opens the chooser (the installed one, or the preset answer without it).
UNDALINE_API Body* ChooseObject(Body* current);
