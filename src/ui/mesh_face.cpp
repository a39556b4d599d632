// The mesh panel on real widgets, below the list of meshes: its tree gets the popup menus of
// meshes and of their fluids and the Delete key; the list of meshes follows the scene.
#include "ui/mesh_face.h"

#include <QDockWidget>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>

#include "fluid/driver.h"
#include "mesh/mesh.h"
#include "mesh/mesh_panel.h"
#include "platform/dialog.h"
#include "platform/ui_hooks.h"
#include "scene/nodo.h"
#include "ui/element_lists.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"

namespace ui {
namespace {

QtDialog* g_face = nullptr;
bool g_inside = false;

int MeshIndex(const Mesh* m) {
    int i = 0;
    for (Mesh* x = rootmesh; x; x = x->nextMesh, ++i) {
        if (x == m) return i;
    }
    return -1;
}

const ElementSource kMeshes = {
    [] { return CountMeshes(); },
    [](int i) {
        const Mesh* m = MeshAt(i);
        return m ? std::string(m->name) : std::string();
    },
    [](int i) {
        selmesh = MeshAt(i);
        if (selmesh) selnodo = selmesh;
        if (g_face) mesh_panel::Refresh(g_face);
    },
    [] { return MeshIndex(selmesh); },
};

// The panel's own procedure, then the lists and the window hear of what changed.
// Commands that change which meshes there are or which fluids feed them: a running step
// builds meshes from those lists, so they wait for the run to stop.
bool ChangesLinks(int id) {
    switch (id) {
        case mesh_panel::kIdNewMesh:
        case mesh_panel::kIdDeleteMesh:
        case mesh_panel::kIdInsertSelected:
        case mesh_panel::kIdInsertAll:
        case mesh_panel::kIdCleanList:
        case mesh_panel::kIdRemoveItem:
        case mesh_panel::kIdAddToAll:
        case mesh_panel::kIdBuildNow:
        case mesh_panel::kIdUvw:
            return true;
        default:
            return false;
    }
}

intptr_t FaceProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (msg == platform::kMsgCommand && sim::Running() && ChangesLinks(platform::CommandId(wparam))) return 1;
    const bool was = g_inside;
    g_inside = true;
    const intptr_t answer = mesh_panel::Procesa(d, msg, wparam, lparam);
    if (msg == platform::kMsgCommand && answer && ThePanels()) {
        ThePanels()->Refresh();
        // Choosing in the panel's lists changes nothing of the scene.
        const int id = platform::CommandId(wparam);
        if (id != mesh_panel::kIdTree && id != mesh_panel::kIdFluids) ThePanels()->Changed();
    }
    g_inside = was;
    return answer;
}

void Click(int id) {
    if (g_face) platform::ClickControl(g_face, id);
}

// The tree's popup menus: a mesh's, or the item menu of one of its fluids.
void TreeMenu(QListWidget* tree, const QPoint& at) {
    const int row = tree->indexAt(at).row();
    if (row < 0) return;
    tree->setCurrentRow(row);  // the panel chooses the mesh or link
    Mesh* m = selmesh;
    if (!m) return;
    QMenu menu;
    if (mesh_panel::SelectedFluid()) {
        QAction* remove = menu.addAction("Remove Item");
        if (menu.exec(tree->viewport()->mapToGlobal(at)) == remove) Click(mesh_panel::kIdRemoveItem);
        return;
    }
    QAction* selected = menu.addAction("Insert fluids from selection");
    QAction* all = menu.addAction("Insert all fluids");
    QAction* clean = menu.addAction("Clean list of fluids");
    menu.addSeparator();
    QAction* display = menu.addAction("Display mesh on viewport");
    display->setCheckable(true);
    display->setChecked(m->displayOn);
    QAction* disable = menu.addAction("Disable mesh generation");
    disable->setCheckable(true);
    disable->setChecked(!m->generationOn);
    QAction* chosen = menu.exec(tree->viewport()->mapToGlobal(at));
    if (chosen == selected) Click(mesh_panel::kIdInsertSelected);
    if (chosen == all) Click(mesh_panel::kIdInsertAll);
    if (chosen == clean) Click(mesh_panel::kIdCleanList);
    if (chosen == display) Click(mesh_panel::kIdDisplay);
    if (chosen == disable) Click(mesh_panel::kIdDisable);
}

// Delete on a fluid item removes it from its mesh; on a mesh item it deletes the mesh.
class DeleteKeyFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress || static_cast<QKeyEvent*>(e)->key() != Qt::Key_Delete || !selmesh) {
            return QObject::eventFilter(watched, e);
        }
        Click(mesh_panel::SelectedFluid() ? mesh_panel::kIdRemoveItem : mesh_panel::kIdDeleteMesh);
        return true;
    }
};

}  // namespace

QtDialog* BuildMeshFace(QWidget* parent) {
    g_face = QtDialog::CreateEmbedded(mesh_panel::Template(), FaceProc, parent);
    auto* tree = qobject_cast<QListWidget*>(g_face->ControlWidget(mesh_panel::kIdTree));
    tree->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(tree, &QListWidget::customContextMenuRequested, tree,
                     [tree](const QPoint& at) { TreeMenu(tree, at); });
    tree->installEventFilter(new DeleteKeyFilter(tree));
    SetElementSource(kElementMeshes, &kMeshes);
    return g_face;
}

void RefreshMeshFace() {
    // The panel refreshes itself after its own commands; a refresh from inside would rebuild
    // its lists while they are telling of a selection.
    if (g_face && !g_inside) mesh_panel::Refresh(g_face);
}

void ShowPickedMesh(Mesh* mesh) {
    selmesh = mesh;
    if (g_face) mesh_panel::Refresh(g_face);
    if (ScenePanels* panels = ThePanels()) {
        panels->Refresh();
        panels->mesh_dock()->show();
        panels->mesh_dock()->raise();
    }
}

void ForgetMeshFace() {
    if (GetElementSource(kElementMeshes) == &kMeshes) SetElementSource(kElementMeshes, nullptr);
    g_face = nullptr;
}

}  // namespace ui
