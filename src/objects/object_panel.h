#pragma once

#include <cstdint>

#include "export.h"
#include "platform/dialog.h"

class Body;

// The object panel ("Object parameters"): the object list, the import and removal commands,
// and the fields of the panel's current body. The logic is written against the dialog layer;
// the desktop application creates the window from ObjectPanelTemplate with ProcesaObjectPanel
// and registers it. Without a registered panel (batch runs) the window steps are skipped and
// the rest still runs.

// Controls. Position, angles and scale use the ids every node panel shares (1000 to 1008).
enum ObjectPanelControl {
    kIdObjectList = 5600,
    kIdImportObject = 5601,
    kIdRemoveObject = 5602,
    kIdRemoveAllObjects = 5603,
    kIdObjectPoints = 5604,
    kIdObjectFaces = 5605,
    kIdPivotX = 5610,
    kIdPivotY = 5611,
    kIdPivotZ = 5612,
    kIdVelocityX = 5613,
    kIdVelocityY = 5614,
    kIdVelocityZ = 5615,
    kIdSpinX = 5616,
    kIdSpinY = 5617,
    kIdSpinZ = 5618,
    kIdCollisionDistance = 5620,
    kIdCollisionTolerance = 5621,
    kIdFriction = 5622,
    kIdBounce = 5623,
    kIdSticky = 5624,
    kIdRough = 5625,
    kIdTemperature = 5626,
    kIdConductivity = 5627,
    kIdThinFaceTest = 5630,
    kIdShowNormals = 5631,
    kIdResetObject = 5632,
};

UNDALINE_API const platform::DialogTemplate* ObjectPanelTemplate();
UNDALINE_API intptr_t ProcesaObjectPanel(platform::Dialog* panel, unsigned msg, uintptr_t wparam,
                                         intptr_t lparam);
// Registers the panel window (null: none). Its list shows the bodies' labels, each item
// carrying its body.
UNDALINE_API void SetObjectPanel(platform::Dialog* panel);
UNDALINE_API platform::Dialog* ObjectPanel();

// The viewport draws face normals while this is set ("Show normals").
UNDALINE_API extern int show_normals;

// The body the panel shows (null: none).
UNDALINE_API Body* PanelBody();
// Makes b the panel's current body, fills every field from it and shows the window. While the
// animated scene is locked, the transform controls follow b's origin.
UNDALINE_API void ShowObjectPanel(Body* b);
UNDALINE_API void HideObjectPanel();
// Refresh one group of fields when b is the body shown.
UNDALINE_API void ShowPanelPosition(const Body* b);
UNDALINE_API void ShowPanelAngles(const Body* b);
UNDALINE_API void ShowPanelScale(const Body* b);
// The transform, velocity and rotation controls and "Reset Parameters" are enabled or not
// (locking and unlocking the animated scene).
UNDALINE_API void EnableTransformControls(bool enabled);
// A body being destroyed: the panel forgets it.
UNDALINE_API void ForgetPanelBody(const Body* b);

// The object list: add (selecting the new item when asked), remove, rewrite an item after its
// label changed, empty. Items are found by the body they carry.
UNDALINE_API void AddBodyToList(Body* b, bool select);
UNDALINE_API void RemoveBodyFromList(const Body* b);
UNDALINE_API void RelabelBodyInList(const Body* b);
UNDALINE_API void ClearBodyList();

// "Import object": the "Import Object" file dialog, then ImportObjectFile. Null when nothing
// was imported.
UNDALINE_API Body* ImportObject();
// Imports path as a new body. A file whose extension is not asc, lwo, obj or dxf is not read;
// a file the reader refuses leaves the scene as it was; a body that has points but no faces is
// dropped without a word. On success the body is listed and selected, becomes the panel's body
// and the selected node, and two undo steps (creation and transform) are recorded.
UNDALINE_API Body* ImportObjectFile(const char* path);
// "Remove" (the panel's body; refused for an animated-scene body) and "Remove all" (asks first).
UNDALINE_API void RemoveSelectedBody();
UNDALINE_API void RemoveAllBodiesCommand();
// "Reset Parameters" on the panel's body.
UNDALINE_API void ResetObjectParameters();
