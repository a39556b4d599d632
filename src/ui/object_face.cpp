// The object panel on real widgets, below the Objects dock's list, which takes over from the
// panel's own list; the object chooser and the "File not found" question of object files.
#include "ui/object_face.h"

#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

#include "fluid/driver.h"
#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "platform/dialog.h"
#include "scene/node_panel.h"
#include "scene/nodo.h"
#include "ui/element_lists.h"
#include "ui/main_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"

namespace ui {
namespace {

QtDialog* g_face = nullptr;
const Body* g_filled = nullptr;  // the body whose values the fields hold

const ElementSource kObjects = {
    [] { return CountBodies(); },
    [](int i) {
        const Body* b = BodyAt(i);
        return b ? std::string(b->label) : std::string();
    },
    [](int i) {
        Body* b = BodyAt(i);
        if (!b) return;
        selnodo = b;
        ShowObjectPanel(b);
    },
    [] { return BodyIndex(PanelBody()); },
};

// What the panel shows of its body.
constexpr int kBodyControls[] = {
    kIdRemoveObject, kIdObjectPoints, kIdObjectFaces, kIdPosX,       kIdPosY,       kIdPosZ,
    kIdRotX,         kIdRotY,         kIdRotZ,        kIdScaleX,     kIdScaleY,     kIdScaleZ,
    kIdPivotX,       kIdPivotY,       kIdPivotZ,      kIdVelocityX,  kIdVelocityY,  kIdVelocityZ,
    kIdSpinX,        kIdSpinY,        kIdSpinZ,       kIdCollisionDistance, kIdCollisionTolerance,
    kIdFriction,     kIdBounce,       kIdSticky,      kIdRough,      kIdTemperature, kIdConductivity,
    kIdThinFaceTest, kIdShowNormals,  kIdResetObject,
};

intptr_t FaceProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    // A running step collides with the objects: the list changes only between runs.
    const int id = platform::CommandId(wparam);
    if (msg == platform::kMsgCommand && sim::Running() &&
        (id == kIdImportObject || id == kIdRemoveObject || id == kIdRemoveAllObjects)) {
        return 1;
    }
    const intptr_t answer = ProcesaObjectPanel(d, msg, wparam, lparam);
    if (msg == platform::kMsgCommand && answer && ThePanels()) {
        ThePanels()->Refresh();
        ThePanels()->Changed();
    }
    return answer;
}

// The chooser of the link buttons and of "Fit to object": none, or one of the objects.
Body* ChooseBody(Body* current) {
    QStringList names = {"(none)"};
    int at = 0;
    for (int i = 0; i < CountBodies(); ++i) {
        names << QString::fromLocal8Bit(BodyAt(i)->label);
        if (BodyAt(i) == current) at = i + 1;
    }
    bool ok = false;
    const QString chosen =
        QInputDialog::getItem(TheMainWindow(), "Objects", "Object:", names, at, false, &ok);
    if (!ok) return current;
    const int index = static_cast<int>(names.indexOf(chosen)) - 1;
    return index >= 0 ? BodyAt(index) : nullptr;
}

int FileNotFound(const char* text) {
    QMessageBox box(QMessageBox::Warning, "Undaline", QString::fromLocal8Bit(text), QMessageBox::NoButton,
                    TheMainWindow());
    box.addButton("Skip", QMessageBox::RejectRole);
    QPushButton* another = box.addButton("Choose another file...", QMessageBox::AcceptRole);
    box.exec();
    return box.clickedButton() == another ? kFileChooseAnother : kFileSkip;
}

}  // namespace

QtDialog* BuildObjectFace(QWidget* holder) {
    g_face = QtDialog::CreateEmbedded(ObjectPanelTemplate(), FaceProc, holder);
    SetObjectPanel(g_face);
    // The dock's list above is the list of objects: the panel's own goes, and the panel starts
    // with its import and removal buttons.
    g_face->Show(kIdObjectList, false);
    const int top = static_cast<int>(g_face->ControlRect(kIdImportObject).y * QtDialog::UnitY()) - 4;
    g_face->move(0, -top);
    holder->setFixedSize(g_face->width(), g_face->height() - top);
    SetElementSource(kElementObjects, &kObjects);
    SetObjectChooser(ChooseBody);
    SetFileNotFoundHandler(FileNotFound);
    return g_face;
}

void RefreshObjectFace() {
    if (!g_face) return;
    // The panel hides itself when its body goes; here it stays, greyed, for the next import.
    g_face->ShowWindow(true);
    g_face->Enable(kIdRemoveAllObjects, CountBodies() > 0);
    Body* b = PanelBody();
    const bool shown = b && BodyIndex(b) >= 0;
    // The same body: its fields are as the user left them (a typed entry keeps its text).
    if (shown && b == g_filled) return;
    for (int id : kBodyControls) {
        g_face->Enable(id, shown);
        const bool text = g_face->Kind(id) == platform::ControlKind::Edit || id == kIdObjectPoints || id == kIdObjectFaces;
        if (!shown && text) g_face->SetText(id, "");
    }
    // Refilled, with the animated scene's locks on the transform.
    if (shown) ShowObjectPanel(b);
    g_filled = shown ? b : nullptr;
}

void ForgetObjectFace() {
    if (GetElementSource(kElementObjects) == &kObjects) SetElementSource(kElementObjects, nullptr);
    SetObjectPanel(nullptr);
    SetObjectChooser(nullptr);
    SetFileNotFoundHandler(nullptr);
    g_face = nullptr;
    g_filled = nullptr;
}

}  // namespace ui
