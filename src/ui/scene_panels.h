#pragma once

#include <QObject>

#include <functional>

class Fluido;
class QDockWidget;
class QListWidget;
class QMainWindow;

namespace ui {

class QtDialog;

// Control ids of the two panels. The fluid panel is the emitter panel: the classes' emitter
// windows open in it, below its anchor; the daemon panel holds the daemon windows the same way.
enum ScenePanelControl {
    kIdDaemonButtonsLabel = 5136,
    kIdDaemonList = 5137,
    kIdDaemonDelete = 5139,
    kIdDaemonCustomise = 5141,
    kIdFluidList = 5145,
    kIdFluidDelete = 5146,
    kIdEmitterButtonsLabel = 5147,
    kIdEmitterCustomise = 5149,
};
extern const int kEmitterButtonIds[12];
extern const int kDaemonButtonIds[12];

// The docked panels of the main window: fluids with their emitters, daemons, objects and
// meshes. Each lists its part of the scene and keeps its list in step with it; selecting an
// item selects the element and shows its parameter window; the class buttons create fluids
// and daemons. Docks keep their places through the main window's saved state.
class ScenePanels : public QObject {
    Q_OBJECT

public:
    explicit ScenePanels(QMainWindow* window);
    ~ScenePanels() override;
    // Before the window goes: the classes' parameter windows are destroyed while their
    // procedures are loaded, and the panels are withdrawn from the scene layer.
    void Shutdown();

    QDockWidget* fluid_dock() const { return fluid_dock_; }
    QDockWidget* daemon_dock() const { return daemon_dock_; }
    QDockWidget* object_dock() const { return object_dock_; }
    QDockWidget* mesh_dock() const { return mesh_dock_; }
    QtDialog* fluid_panel() const { return fluid_panel_; }
    QtDialog* daemon_panel() const { return daemon_panel_; }
    QListWidget* object_list() const { return object_list_; }
    QListWidget* mesh_list() const { return mesh_list_; }
    // The mesh panel, below the list of meshes.
    QtDialog* mesh_panel() const { return mesh_panel_; }
    // The object panel, below the list of objects.
    QtDialog* object_panel() const { return object_panel_; }

    // The class buttons from the plug-in catalogue (at start-up and after a rescan).
    void FillButtons();
    // The buttons' captions from the assignment tables (after a customise dialog).
    void ShowButtons();
    // The class id a button creates (0: none); index 0 to 11.
    int EmitterButtonClass(int index) const;
    int DaemonButtonClass(int index) const;

    // Every list follows the scene, the selection follows selflow and seldaemon, and what a
    // running simulation forbids is disabled.
    void Refresh();

    // The fluid list: selecting makes the fluid selflow, its emitter selnodo, and shows the
    // emitter's parameter window; deleting removes the selected fluid.
    void SelectFluid(Fluido* f);
    void DeleteSelectedFluid();
    void PressEmitterButton(int index);
    void PressDaemonButton(int index);
    // A fluid or daemon just made, by a button or a customise dialog: shown and selected.
    void FluidMade(Fluido* f);
    void DaemonMade();

    // After a change the user made (the window marks the scene modified).
    std::function<void()> on_changed;

private:
    void BuildFluidDock(QMainWindow* window);
    void BuildDaemonDock(QMainWindow* window);
    QDockWidget* BuildListDock(QMainWindow* window, const char* title, const char* name, int kind);
    void BuildMeshPanel();
    void BuildObjectPanel();
    void PlaceBelowList(QDockWidget* dock, QWidget* panel);
    void SyncFluidList();
    void SyncElementList(int kind);
    void ShowEmitterWindow(Fluido* f);

public:
    // After a change the user made: the viewport redraws and the window hears of it.
    void Changed();

private:
    QDockWidget* fluid_dock_ = nullptr;
    QDockWidget* daemon_dock_ = nullptr;
    QDockWidget* object_dock_ = nullptr;
    QDockWidget* mesh_dock_ = nullptr;
    QtDialog* fluid_panel_ = nullptr;
    QtDialog* daemon_panel_ = nullptr;
    QListWidget* object_list_ = nullptr;
    QListWidget* mesh_list_ = nullptr;
    QtDialog* mesh_panel_ = nullptr;
    QtDialog* object_panel_ = nullptr;
    bool syncing_ = false;
};

// The panels while they exist.
ScenePanels* ThePanels();

}  // namespace ui
