#pragma once

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"

class Body;
namespace platform {
class Dialog;
}

// Node kinds; the same codes as the plug-in class kinds.
enum NodoKind { kKindDaemon = 1, kKindObject = 2, kKindEmitter = 3, kKindMesh = 4 };

// Display modes of a node.
enum NodoDisplay { kDisplayBox = 1, kDisplayWire = 2, kDisplayFlat = 3, kDisplaySmooth = 4 };

// Base of everything placed in the scene with a transform: daemons, objects, emitters and
// meshes. Plug-in classes derive from it, so the order of its fields and of its virtual
// operations is a binary contract: never add, remove or reorder either.
class UNDALINE_API Nodo {
public:
    Nodo();
    // Copies every field, next and kind included.
    Nodo(const Nodo& other);
    Nodo& operator=(const Nodo& other);

    // Removes the node's undo snapshots and takes it out of the daemon list.
    virtual ~Nodo();
    // Drawing in the viewport, and drawing for picking.
    virtual void RepresentaNodo();
    virtual void RepresentaSel();
    // Called with the picking hit buffer when wants_sel is set and something was hit.
    virtual void DoOnSel(void* hits);
    // Writes pos, rot, scale, pivot, pivot2 (floats) and enabled (byte): 61 bytes on the
    // current workspace file. Load reads the same; the caller recomposes matrix. 1 on success.
    virtual int Save();
    virtual int Load();
    virtual void PostLoad();
    // Adds the components of delta that the working plane allows to pos.
    virtual void Move(Vector delta);
    virtual void Rotate(float angle);
    virtual void Scale(float factor);
    virtual void NotifyReset();
    virtual void AboutReset();
    // Called after every change of the transform, for what a derived class derives from it.
    virtual void CalculaDependientes();
    // Follows the linked object: pos and rot become offsets in its frame, scale and pivot
    // are not applied.
    virtual void UpdateLink();
    // Called after an undo or redo restored the transform.
    virtual void UndoChangePos();
    // Copies kind, the five vectors, both matrices, display, reserved, enabled, flags and link.
    virtual void Copy(Nodo* source);

    // Takes the node out of the list headed by root; a node not in it is left alone.
    void AtaNodos();
    // Composes pos, rot, scale and pivot into build_matrix and matrix.
    void UpdateMatrix();
    // The same composition, without storing it.
    Matrix GimmeMatrix() const;
    // The link button of a node's window: opens the object chooser on link and applies the
    // choice. Freed from its object, the node takes pos and rot from the six fields (an id of
    // 0 skips a field); newly linked, it follows its object. The button's icon then follows.
    void AbreLink(platform::Dialog* window, int id_px, int id_py, int id_pz, int id_rx,
                  int id_ry, int id_rz, int id_link);
    // The link button shows the linked icon (5313) or the free one (5314).
    void ActualizaIcono(platform::Dialog* window, int id_px, int id_py, int id_pz, int id_rx,
                        int id_ry, int id_rz, int id_link);

    Nodo* next;
    int kind;
    Vector pos;
    Vector rot;  // degrees
    Vector scale;
    Vector pivot;
    Vector pivot2;
    Matrix build_matrix;
    Matrix matrix;  // object to world
    Body* link;
    unsigned char display;
    unsigned char reserved;
    unsigned char wants_sel;
    unsigned char enabled;
    int listed;
    int flags;
};

// Head of the daemon list: root.next is the first daemon.
UNDALINE_API extern Nodo root;
UNDALINE_API extern Nodo* selnodo;
// A static list head other than root (the objects' head): its destruction at exit touches
// nothing, since the lists and stores it would update may already be gone.
UNDALINE_API void MarkListHead(const Nodo* head);

// The rotation part of a node transform, R_y·R_x·R_z or the order of the host axis mode, for
// angles in degrees.
UNDALINE_API Matrix NodeRotation(const Vector& rot_degrees);
// The same for a given axis mode (1, 2 or 3; any other gives mode 1's order).
UNDALINE_API Matrix NodeRotationFor(int mode, const Vector& rot_degrees);

// The object a node is linked to is about to be deleted: every node of the daemon list that
// follows it keeps its place (pos and rot from its matrix), is freed and refreshes its panel.
UNDALINE_API void UnlinkNodesFrom(Body* object);
// How a freed node refreshes its parameter block; installed by the daemon panel.
UNDALINE_API void SetNodeRefreshHook(void (*hook)(Nodo* node));
