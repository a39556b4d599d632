#include "scene/nodo.h"

#include <cstddef>
#include <initializer_list>

#include "platform/workspace_file.h"
#include "scene/axes.h"
#include "scene/undo.h"

// The field layout is what compiled plug-ins see.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(void*) != 8 || offsetof(Nodo, next) == 8, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, kind) == 16, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, pos) == 20, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, build_matrix) == 80, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, matrix) == 144, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, link) == 208, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, display) == 216, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, listed) == 220, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Nodo, flags) == 224, "Nodo layout changed");
static_assert(sizeof(void*) != 8 || sizeof(Nodo) == 232, "Nodo layout changed");
#pragma GCC diagnostic pop

Nodo root;
Nodo* selnodo = nullptr;

namespace {

constexpr float kDegToRad = 0.017453292f;

void (*g_refresh_hook)(Nodo*) = nullptr;

// Plain data, so it outlives every static node whatever the order of destruction.
const Nodo* g_list_heads[4] = {};

bool IsListHead(const Nodo* n) {
    for (const Nodo* h : g_list_heads) {
        if (h == n) return true;
    }
    return false;
}

// An object is a node: Body derives from Nodo alone, so its node part sits at its address.
const Nodo* NodeOf(const Body* object) { return reinterpret_cast<const Nodo*>(object); }

}  // namespace

Matrix NodeRotation(const Vector& rot_degrees) { return NodeRotationFor(axis_mode, rot_degrees); }

Matrix NodeRotationFor(int mode, const Vector& rot_degrees) {
    Matrix rx, ry, rz;
    rx.MatrixRotationX(rot_degrees.x * kDegToRad);
    ry.MatrixRotationY(rot_degrees.y * kDegToRad);
    rz.MatrixRotationZ(rot_degrees.z * kDegToRad);
    switch (mode) {
        case 2:
            return ry * rz * rx;
        case 3:
            return rx * ry * rz;
        default:
            return ry * rx * rz;
    }
}

Nodo::Nodo()
    : next(nullptr),
      kind(0),
      pos(0, 0, 0),
      rot(0, 0, 0),
      scale(1, 1, 1),
      pivot(0, 0, 0),
      pivot2(0, 0, 0),
      link(nullptr),
      display(kDisplayWire),
      reserved(0),
      wants_sel(0),
      enabled(1),
      listed(0),
      flags(0) {}

Nodo::Nodo(const Nodo& other) = default;
Nodo& Nodo::operator=(const Nodo& other) = default;

void MarkListHead(const Nodo* head) {
    for (const Nodo*& h : g_list_heads) {
        if (!h || h == head) {
            h = head;
            return;
        }
    }
}

Nodo::~Nodo() {
    // List heads live until exit; nothing refers to them.
    if (this == &root || IsListHead(this)) return;
    ForgetUndo(this);
    AtaNodos();
    // A destroyed node must not stay selected.
    if (selnodo == this) selnodo = nullptr;
}

void Nodo::RepresentaNodo() {}
void Nodo::RepresentaSel() {}
void Nodo::DoOnSel(void*) {}

int Nodo::Save() {
    bool ok = true;
    for (const Vector* v : {&pos, &rot, &scale, &pivot, &pivot2}) {
        ok = ok && platform::WriteF32(v->x) && platform::WriteF32(v->y) && platform::WriteF32(v->z);
    }
    ok = ok && platform::WriteU8(enabled);
    return ok ? 1 : 0;
}

int Nodo::Load() {
    // Read into a copy so that a short record leaves the node as it was.
    Vector v[5];
    unsigned char on = 0;
    for (Vector& each : v) {
        if (!platform::ReadF32(&each.x) || !platform::ReadF32(&each.y) ||
            !platform::ReadF32(&each.z)) {
            return 0;
        }
    }
    if (!platform::ReadU8(&on)) return 0;
    pos = v[0];
    rot = v[1];
    scale = v[2];
    pivot = v[3];
    pivot2 = v[4];
    enabled = on;
    return 1;
}

void Nodo::PostLoad() {}

void Nodo::Move(Vector delta) {
    switch (flag_plane) {
        case kMoveX:
            pos[AX] += delta[AX];
            break;
        case kMoveY:
            pos[AY] += delta[AY];
            break;
        case kMoveZ:
            pos[AZ] += delta[AZ];
            break;
        case kMoveXZ:
            pos[AX] += delta[AX];
            pos[AZ] += delta[AZ];
            break;
        case kMoveYZ:
            pos[AY] += delta[AY];
            pos[AZ] += delta[AZ];
            break;
        case kMoveXY:
            pos[AX] += delta[AX];
            pos[AY] += delta[AY];
            break;
        default:
            break;
    }
}

void Nodo::Rotate(float) {}
void Nodo::Scale(float) {}
void Nodo::NotifyReset() {}
void Nodo::AboutReset() {}
void Nodo::CalculaDependientes() {}

void Nodo::UpdateLink() {
    if (!link) return;
    Matrix followed = NodeOf(link)->matrix;
    followed.Desescala();
    Matrix offset;
    offset.MatrixTranslation(pos);
    build_matrix = followed * offset * NodeRotation(rot);
    matrix = build_matrix;
}

void Nodo::UndoChangePos() {}

void Nodo::Copy(Nodo* source) {
    if (!source || source == this) return;
    kind = source->kind;
    pos = source->pos;
    rot = source->rot;
    scale = source->scale;
    pivot = source->pivot;
    pivot2 = source->pivot2;
    build_matrix = source->build_matrix;
    matrix = source->matrix;
    display = source->display;
    reserved = source->reserved;
    enabled = source->enabled;
    flags = source->flags;
    link = source->link;
}

void Nodo::AtaNodos() {
    for (Nodo* prev = &root; prev->next; prev = prev->next) {
        if (prev->next == this) {
            prev->next = next;
            return;
        }
    }
}

Matrix Nodo::GimmeMatrix() const {
    Matrix t, s, p;
    t.MatrixTranslation(pos);
    s.MatrixScale(scale);
    p.MatrixTranslation(-pivot);
    return t * NodeRotation(rot) * s * p;
}

void Nodo::UpdateMatrix() {
    build_matrix = GimmeMatrix();
    matrix = build_matrix;
}

void SetNodeRefreshHook(void (*hook)(Nodo*)) { g_refresh_hook = hook; }

void UnlinkNodesFrom(Body* object) {
    if (!object) return;
    for (Nodo* n = root.next; n; n = n->next) {
        if (n->link != object) continue;
        n->pos = n->matrix.GetTranslation();
        n->rot = n->matrix.GetEuler(axis_mode);
        n->link = nullptr;
        if (g_refresh_hook) g_refresh_hook(n);
    }
}
