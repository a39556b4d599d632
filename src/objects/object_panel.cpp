// The object panel's window: its template, its fields, and what an edit does to the body.
#include "objects/object_panel.h"

#include <string>

#include "objects/body.h"
#include "objects/scene_data.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/fields.h"
#include "scene/node_panel.h"
#include "scene/undo.h"

int show_normals = 0;

namespace {

using platform::ControlKind;

platform::Dialog* g_panel = nullptr;
Body* g_current = nullptr;

#define EDIT(id, x, y) \
    { id, ControlKind::Edit, "", x, y, 40, 12, 0 }
#define LABEL(text, x, y) \
    { 0, ControlKind::Static, text, x, y, 60, 10, 0 }
const platform::ControlTemplate kControls[] = {
    {kIdObjectList, ControlKind::ListBox, "", 6, 6, 188, 60, 0},
    {kIdImportObject, ControlKind::PushButton, "Import object", 6, 70, 60, 14, 0},
    {kIdRemoveObject, ControlKind::PushButton, "Remove", 70, 70, 60, 14, 0},
    {kIdRemoveAllObjects, ControlKind::PushButton, "Remove all", 134, 70, 60, 14, 0},
    LABEL("Points", 6, 92),
    {kIdObjectPoints, ControlKind::Static, "", 40, 92, 50, 10, 0},
    LABEL("Faces", 100, 92),
    {kIdObjectFaces, ControlKind::Static, "", 134, 92, 50, 10, 0},
    LABEL("Position", 6, 108),
    EDIT(kIdPosX, 66, 106),
    EDIT(kIdPosY, 110, 106),
    EDIT(kIdPosZ, 154, 106),
    LABEL("Angles", 6, 124),
    EDIT(kIdRotX, 66, 122),
    EDIT(kIdRotY, 110, 122),
    EDIT(kIdRotZ, 154, 122),
    LABEL("Scale", 6, 140),
    EDIT(kIdScaleX, 66, 138),
    EDIT(kIdScaleY, 110, 138),
    EDIT(kIdScaleZ, 154, 138),
    LABEL("Pivot", 6, 156),
    EDIT(kIdPivotX, 66, 154),
    EDIT(kIdPivotY, 110, 154),
    EDIT(kIdPivotZ, 154, 154),
    LABEL("Velocity", 6, 172),
    EDIT(kIdVelocityX, 66, 170),
    EDIT(kIdVelocityY, 110, 170),
    EDIT(kIdVelocityZ, 154, 170),
    LABEL("Rotation", 6, 188),
    EDIT(kIdSpinX, 66, 186),
    EDIT(kIdSpinY, 110, 186),
    EDIT(kIdSpinZ, 154, 186),
    // The collision pair has the longest captions: a row each.
    {0, ControlKind::Static, "Collision distance", 6, 206, 100, 10, 0},
    EDIT(kIdCollisionDistance, 154, 204),
    {0, ControlKind::Static, "Collision tolerance", 6, 222, 100, 10, 0},
    EDIT(kIdCollisionTolerance, 154, 220),
    LABEL("Friction", 6, 238),
    EDIT(kIdFriction, 66, 236),
    LABEL("K", 110, 238),
    EDIT(kIdBounce, 154, 236),
    LABEL("Sticky", 6, 254),
    EDIT(kIdSticky, 66, 252),
    LABEL("Rough", 110, 254),
    EDIT(kIdRough, 154, 252),
    LABEL("Temp", 6, 270),
    EDIT(kIdTemperature, 66, 268),
    LABEL("Cond", 110, 270),
    EDIT(kIdConductivity, 154, 268),
    {kIdThinFaceTest, ControlKind::CheckBox, "Thin face test", 6, 288, 90, 10, 0},
    {kIdShowNormals, ControlKind::CheckBox, "Show normals", 100, 288, 90, 10, 0},
    {kIdResetObject, ControlKind::PushButton, "Reset Parameters", 6, 304, 188, 14, 0},
};
#undef EDIT
#undef LABEL
const platform::DialogTemplate kTemplate = {
    "Object parameters", 200, 324, kControls,
    static_cast<int>(sizeof kControls / sizeof kControls[0])};

// The three fields of a vector show the internal components AX, AY, AZ.
void ShowVector(int first_id, const Vector& v) {
    PonFloat(g_panel, first_id, v[AX]);
    PonFloat(g_panel, first_id + 1, v[AY]);
    PonFloat(g_panel, first_id + 2, v[AZ]);
}

void ShowFields(const Body* b) {
    g_panel->SetText(kIdObjectPoints, platform::Format("%d", b->nverts));
    g_panel->SetText(kIdObjectFaces, platform::Format("%d", b->nfaces));
    PonFloat(g_panel, kIdPosX, b->pos[AX]);
    PonFloat(g_panel, kIdPosY, b->pos[AY]);
    PonFloat(g_panel, kIdPosZ, b->pos[AZ]);
    PonFloat(g_panel, kIdRotX, b->rot[AX]);
    PonFloat(g_panel, kIdRotY, b->rot[AY]);
    PonFloat(g_panel, kIdRotZ, b->rot[AZ]);
    PonFloat(g_panel, kIdScaleX, b->scale[AX]);
    PonFloat(g_panel, kIdScaleY, b->scale[AY]);
    PonFloat(g_panel, kIdScaleZ, b->scale[AZ]);
    ShowVector(kIdPivotX, b->pivot);
    ShowVector(kIdVelocityX, b->velocity);
    ShowVector(kIdSpinX, b->angularVelocity);
    PonFloat(g_panel, kIdCollisionDistance, b->collisionDistance);
    PonFloat(g_panel, kIdCollisionTolerance, b->collisionTolerance);
    PonFloat(g_panel, kIdFriction, b->friction);
    PonFloat(g_panel, kIdBounce, b->K);
    PonFloat(g_panel, kIdSticky, b->sticky);
    PonFloat(g_panel, kIdRough, b->rough);
    PonFloat(g_panel, kIdTemperature, b->temperature);
    PonFloat(g_panel, kIdConductivity, b->conductivity);
    g_panel->SetCheck(kIdThinFaceTest, b->thinFaceTest != 0);
    g_panel->SetCheck(kIdShowNormals, show_normals != 0);
}

void EnablePivot(const Body* b) {
    const bool on = (b->nverts > 0 || b->nfaces > 0) && !sd_locked;
    for (int id = kIdPivotX; id <= kIdPivotZ; ++id) g_panel->Enable(id, on);
}

// After any change of the node transform: the body rests there, and everything linked to it
// follows.
void TransformChanged(Body* b, const NodeTransform& before) {
    b->StoreRest();
    b->UpdateMatrix();
    RefreshNodeLinks();
    b->UpdateWorld();
    const NodeTransform now = CaptureTransform(*b);
    const auto same = [](const Vector& p, const Vector& q) {
        return p.x == q.x && p.y == q.y && p.z == q.z;
    };
    if (!same(before.pos, now.pos) || !same(before.rot, now.rot) ||
        !same(before.scale, now.scale) || !same(before.pivot, now.pivot)) {
        RecordUndo(b, kUndoTransform, before);
    }
    platform::RequestRepaint();
}

int Axis(int id, int first) {
    const int axes[3] = {AX, AY, AZ};
    return axes[(id - first) % 3];
}

// An edit field lost the focus: read it into the panel's body.
void ReadField(platform::Dialog* d, int id) {
    Body* b = g_current;
    if (!b) return;
    const NodeTransform before = CaptureTransform(*b);
    if (id >= kIdPosX && id <= kIdPosZ) {
        DameFloat(d, id, &b->pos[Axis(id, kIdPosX)], 0.0f, 0.0f);
        TransformChanged(b, before);
    } else if (id >= kIdScaleX && id <= kIdScaleZ) {
        DameFloat(d, id, &b->scale[Axis(id, kIdScaleX)], 0.0f, kNoLimit);
        TransformChanged(b, before);
    } else if (id >= kIdRotX && id <= kIdRotZ) {
        DameFloat(d, id, &b->rot[Axis(id, kIdRotX)], 0.0f, 0.0f);
        TransformChanged(b, before);
    } else if (id >= kIdPivotX && id <= kIdPivotZ) {
        DameFloat(d, id, &b->pivot[Axis(id, kIdPivotX)], 0.0f, 0.0f);
        // The pivot moves, the object stays where it is.
        b->pos = b->pos + b->pivot - b->pivot2;
        b->pivot2 = b->pivot;
        ShowPanelPosition(b);
        TransformChanged(b, before);
    } else if (id >= kIdVelocityX && id <= kIdVelocityZ) {
        DameFloat(d, id, &b->velocity[Axis(id, kIdVelocityX)], 0.0f, 0.0f);
    } else if (id >= kIdSpinX && id <= kIdSpinZ) {
        DameFloat(d, id, &b->angularVelocity[Axis(id, kIdSpinX)], 0.0f, 0.0f);
    } else {
        struct Limited {
            int id;
            float Body::*field;
            float min, max;
        };
        static const Limited kFields[] = {
            {kIdCollisionDistance, &Body::collisionDistance, 0.0f, 0.0f},
            {kIdCollisionTolerance, &Body::collisionTolerance, 0.0f, 0.75f},
            {kIdFriction, &Body::friction, 0.0f, 0.0f},
            {kIdBounce, &Body::K, 0.0f, 0.9f},
            {kIdSticky, &Body::sticky, 0.0f, 0.0f},
            {kIdRough, &Body::rough, 0.0f, 1.0f},
            {kIdTemperature, &Body::temperature, 0.0f, 0.0f},
            {kIdConductivity, &Body::conductivity, 0.0f, 1.0f},
        };
        for (const Limited& f : kFields) {
            if (f.id == id) DameFloat(d, id, &(b->*f.field), f.min, f.max);
        }
    }
}

void Clicked(platform::Dialog* d, int id) {
    switch (id) {
        case kIdImportObject:
            ImportObject();
            break;
        case kIdRemoveObject:
            RemoveSelectedBody();
            break;
        case kIdRemoveAllObjects:
            RemoveAllBodiesCommand();
            break;
        case kIdResetObject:
            ResetObjectParameters();
            break;
        case kIdThinFaceTest:
            if (!g_current) break;
            g_current->thinFaceTest = d->IsChecked(id) ? 1 : 0;
            if (g_current->thinFaceTest) {
                RedWarning(
                    " The process will run slower as interaction through thin faces is "
                    "tested");
            }
            break;
        case kIdShowNormals:
            show_normals = d->IsChecked(id) ? 1 : 0;
            platform::RequestRepaint();
            break;
        default:
            break;
    }
}

}  // namespace

const platform::DialogTemplate* ObjectPanelTemplate() {
    return &kTemplate;
}

void SetObjectPanel(platform::Dialog* panel) {
    g_panel = panel;
}
platform::Dialog* ObjectPanel() {
    return g_panel;
}
Body* PanelBody() {
    return g_current;
}

intptr_t ProcesaObjectPanel(platform::Dialog* panel, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand || !panel || panel != g_panel) return 0;
    const int id = platform::CommandId(wparam);
    const int code = platform::CommandCode(wparam);
    if (id == kIdObjectList) {
        if (code != platform::kNotifySelChange) return 0;
        const intptr_t data = panel->ListData(id, panel->ListSelection(id));
        for (Body* b = rootbody.next; b; b = b->next) {
            if (reinterpret_cast<intptr_t>(b) != data) continue;
            selnodo = b;
            ShowObjectPanel(b);
            platform::RequestRepaint();
        }
        return 1;
    }
    if (code == platform::kNotifyKillFocus) {
        ReadField(panel, id);
        return 1;
    }
    if (code == platform::kNotifyClicked) {
        Clicked(panel, id);
        return 1;
    }
    return 0;
}

void ShowObjectPanel(Body* b) {
    g_current = b;
    if (!g_panel || !b) return;
    ShowFields(b);
    EnablePivot(b);
    if (sd_locked) {
        if (b->origin == kOriginObjectFile) EnableTransformControls(true);
        if (b->origin == kOriginSceneData) EnableTransformControls(false);
        EnablePivot(b);
    }
    g_panel->ShowWindow(true);
    g_panel->Repaint();
}

void HideObjectPanel() {
    if (g_panel) g_panel->ShowWindow(false);
}

void ShowPanelPosition(const Body* b) {
    if (g_panel && b && b == g_current) ShowNodePosition(g_panel, b);
}

void ShowPanelAngles(const Body* b) {
    if (g_panel && b && b == g_current) ShowNodeRotation(g_panel, b);
}

void ShowPanelScale(const Body* b) {
    if (!g_panel || !b || b != g_current) return;
    PonFloat(g_panel, kIdScaleX, b->scale[AX]);
    PonFloat(g_panel, kIdScaleY, b->scale[AY]);
    PonFloat(g_panel, kIdScaleZ, b->scale[AZ]);
    g_panel->Repaint();
}

void EnableTransformControls(bool enabled) {
    if (!g_panel) return;
    for (int id = kIdPosX; id <= kIdRotZ; ++id) g_panel->Enable(id, enabled);
    for (int id = kIdPivotX; id <= kIdSpinZ; ++id) g_panel->Enable(id, enabled);
    g_panel->Enable(kIdResetObject, enabled);
}

void ForgetPanelBody(const Body* b) {
    if (g_current == b) g_current = nullptr;
    RemoveBodyFromList(b);
}

void ResetObjectParameters() {
    Body* b = g_current;
    if (!b) return;
    const NodeTransform before = CaptureTransform(*b);
    b->pos = b->rot = b->pivot = b->pivot2 = Vector(0, 0, 0);
    b->scale = Vector(1, 1, 1);
    b->velocity = b->angularVelocity = Vector(0, 0, 0);
    b->friction = 0.1f;
    b->K = 0.1f;
    b->sticky = 0.0f;
    if (g_panel) ShowFields(b);
    // Resting here too, so that a simulation reset does not bring the old place back.
    TransformChanged(b, before);
}
