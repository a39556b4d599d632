#include "scene/node_panel.h"

#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/fields.h"
#include "scene/nodo.h"
#include "scene/undo.h"

namespace {

ObjectChooser g_chooser = nullptr;
Body* g_preset_answer = nullptr;

void ReadIfPresent(platform::Dialog* dialog, int id, float* value) {
    if (id != 0) DameFloat(dialog, id, value, 0.0f, 0.0f);
}

bool SameVector(const Vector& a, const Vector& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

}  // namespace

Body* ChooseObject(Body* current) { return g_chooser ? g_chooser(current) : g_preset_answer; }
void SetObjectChooser(ObjectChooser chooser) { g_chooser = chooser; }
void SetObjectChooserAnswer(Body* answer) { g_preset_answer = answer; }

int ProcesaControlesComunes(platform::Dialog* dialog, int id, Nodo* node) {
    if (!node || id < kIdPosX || id > kIdRotZ) return 0;
    const int axes[3] = {AX, AY, AZ};
    const int axis = axes[(id - kIdPosX) % 3];
    NodeTransform before = CaptureTransform(*node);
    if (id <= kIdPosZ) {
        DameFloat(dialog, id, &node->pos[axis], 0.0f, 0.0f);
    } else if (id <= kIdScaleZ) {
        DameFloat(dialog, id, &node->scale[axis], 0.0f, kNoLimit);
    } else {
        DameFloat(dialog, id, &node->rot[axis], 0.0f, 0.0f);
    }
    // A free node recomposes its own matrix here; otherwise an edited field would not move it.
    if (node->link) {
        node->UpdateLink();
    } else {
        node->UpdateMatrix();
    }
    node->CalculaDependientes();
    if (!SameVector(before.pos, node->pos) || !SameVector(before.rot, node->rot) ||
        !SameVector(before.scale, node->scale)) {
        RecordUndo(node, kUndoTransform, before);
        platform::RequestRepaint();
    }
    return 1;
}

void Nodo::AbreLink(platform::Dialog* window, int id_px, int id_py, int id_pz, int id_rx,
                    int id_ry, int id_rz, int id_link) {
    Body* was = link;
    link = ChooseObject(was);
    if (was && !link) {
        ReadIfPresent(window, id_px, &pos[AX]);
        ReadIfPresent(window, id_py, &pos[AY]);
        ReadIfPresent(window, id_pz, &pos[AZ]);
        ReadIfPresent(window, id_rx, &rot[AX]);
        ReadIfPresent(window, id_ry, &rot[AY]);
        ReadIfPresent(window, id_rz, &rot[AZ]);
        UpdateMatrix();
    } else if (link) {
        // Recompose first and follow last, so the linked transform is the one that stands.
        UpdateMatrix();
        UpdateLink();
    }
    ActualizaIcono(window, id_px, id_py, id_pz, id_rx, id_ry, id_rz, id_link);
}

void Nodo::ActualizaIcono(platform::Dialog* window, int, int, int, int, int, int, int id_link) {
    if (window) window->SetImage(id_link, link ? kIconLinked : kIconFree);
}

void ShowNodePosition(platform::Dialog* dialog, const Nodo* node) {
    if (!dialog || !node) return;
    PonFloat(dialog, kIdPosX, node->pos[AX]);
    PonFloat(dialog, kIdPosY, node->pos[AY]);
    PonFloat(dialog, kIdPosZ, node->pos[AZ]);
    dialog->Repaint();
}

void ShowNodeRotation(platform::Dialog* dialog, const Nodo* node) {
    if (!dialog || !node) return;
    PonFloat(dialog, kIdRotX, node->rot[AX]);
    PonFloat(dialog, kIdRotY, node->rot[AY]);
    PonFloat(dialog, kIdRotZ, node->rot[AZ]);
    dialog->Repaint();
}

void RotateOnWorkingPlane(Nodo* node, float angle) {
    if (!node) return;
    switch (flag_plane) {
        case kMoveX:
            node->rot[AX] += angle;
            break;
        case kMoveY:
            node->rot[AY] += angle;
            break;
        case kMoveZ:
            node->rot[AZ] += angle;
            break;
        default:
            break;
    }
}
