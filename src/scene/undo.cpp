#include "scene/undo.h"

#include <vector>

#include "scene/nodo.h"

namespace {

// A change holds the transform before and after it: undo restores the one, redo the other.
struct Snapshot {
    int code;
    Nodo* node;
    NodeTransform before;
    NodeTransform after;
};

struct History {
    std::vector<Snapshot> entries;
    size_t applied = 0;  // entries [0, applied) are in effect
};

// Never destroyed: nodes with static lifetime (the list head) forget their snapshots at exit.
History& TheHistory() {
    static History* history = new History;
    return *history;
}

}  // namespace

NodeTransform CaptureTransform(const Nodo& node) {
    return NodeTransform{node.pos,    node.rot,          node.scale, node.pivot,
                         node.pivot2, node.build_matrix, node.matrix};
}

void RestoreTransform(Nodo& node, const NodeTransform& t) {
    node.pos = t.pos;
    node.rot = t.rot;
    node.scale = t.scale;
    node.pivot = t.pivot;
    node.pivot2 = t.pivot2;
    node.build_matrix = t.build_matrix;
    node.matrix = t.matrix;
}

void RecordUndo(Nodo* node, int code, const NodeTransform& before) {
    if (!node) return;
    History& h = TheHistory();
    h.entries.resize(h.applied);
    h.entries.push_back(Snapshot{code, node, before, CaptureTransform(*node)});
    h.applied = h.entries.size();
}

bool Undo() {
    History& h = TheHistory();
    if (h.applied == 0) return false;
    Snapshot& s = h.entries[--h.applied];
    RestoreTransform(*s.node, s.before);
    s.node->UndoChangePos();
    return true;
}

bool Redo() {
    History& h = TheHistory();
    if (h.applied == h.entries.size()) return false;
    Snapshot& s = h.entries[h.applied++];
    RestoreTransform(*s.node, s.after);
    s.node->UndoChangePos();
    return true;
}

bool CanUndo() { return TheHistory().applied > 0; }
bool CanRedo() { return TheHistory().applied < TheHistory().entries.size(); }

void ForgetUndo(Nodo* node) {
    History& h = TheHistory();
    size_t kept = 0;
    size_t applied = h.applied;
    for (size_t i = 0; i < h.entries.size(); ++i) {
        if (h.entries[i].node == node) {
            if (i < h.applied) --applied;
            continue;
        }
        h.entries[kept++] = h.entries[i];
    }
    h.entries.resize(kept);
    h.applied = applied;
}

void ClearUndo() {
    History& h = TheHistory();
    h.entries.clear();
    h.applied = 0;
}

int UndoSize() { return static_cast<int>(TheHistory().entries.size()); }
