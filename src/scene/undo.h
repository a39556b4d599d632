#pragma once

#include "export.h"
#include "math/matrix.h"
#include "math/vector.h"

class Nodo;

// The history of changes to element transforms, for Undo and Redo. One history for the whole
// scene with a current position: recording a change discards everything after it.

enum UndoCode { kUndoTransform = 1, kUndoDaemonAdded = 2 };

struct NodeTransform {
    Vector pos, rot, scale, pivot, pivot2;
    Matrix build_matrix, matrix;
};

UNDALINE_API NodeTransform CaptureTransform(const Nodo& node);
UNDALINE_API void RestoreTransform(Nodo& node, const NodeTransform& t);

// Records a change of node, whose transform was `before` and is now the node's own.
UNDALINE_API void RecordUndo(Nodo* node, int code, const NodeTransform& before);
// Each restores a transform and calls UndoChangePos on the node; false when there is
// nothing to undo or redo.
UNDALINE_API bool Undo();
UNDALINE_API bool Redo();
UNDALINE_API bool CanUndo();
UNDALINE_API bool CanRedo();
// Drops every snapshot that refers to node (called when a node is destroyed).
UNDALINE_API void ForgetUndo(Nodo* node);
UNDALINE_API void ClearUndo();
UNDALINE_API int UndoSize();
