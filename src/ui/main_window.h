#pragma once

#include <QMainWindow>
#include <QString>

#include <functional>
#include <vector>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QToolBar;
class Nodo;

namespace ui {

class MessageWindow;
class ScenePanels;
class Viewport;
struct CommandRow;

// The program's main window: menus, toolbar, status bar, the viewport in the centre and the
// message window as a dock. It owns the current workspace's name and modified flag and turns
// commands into calls on the scene, the driver and the files.
class MainWindow : public QMainWindow {
    Q_OBJECT

public:
    MainWindow();
    ~MainWindow() override;

    Viewport* viewport() const { return viewport_; }
    MessageWindow* messages() const { return messages_; }
    ScenePanels* panels() const { return panels_; }
    // The action of a command by its key ("start", "view.front", ...); null for none.
    QAction* Action(const char* key) const;

    const QString& workspace() const { return workspace_; }
    bool modified() const { return modified_; }
    void SetModified(bool modified);

    // Loads path as the workspace (the title, the recent ring and the viewport follow). The
    // scene stays as it was when the file is refused.
    bool OpenWorkspace(const QString& path);
    // Saves to path; false when it could not be written.
    bool SaveWorkspaceTo(const QString& path);
    // Asks "Do you want to save your changes?" when there are any. False when the user
    // cancelled (or a save failed), so whatever was about to happen must not.
    bool MaySetSceneAside();
    // Re-enables the commands whose condition may have changed.
    void RefreshCommands();
    void RebuildRecentMenu();
    // The scene information report.
    static QString SceneInfo();

    // "All data will be removed. Continue?", then a new workspace; false when declined.
    bool NewWorkspaceAsked();

    // Command handlers (the command table names them).
    void NewWorkspaceCmd();
    void ImportSceneCmd();
    void SdLockCmd();
    void SdDeleteCmd();
    void OpenCmd();
    void SaveCmd();
    void SaveAsCmd();
    void RevertCmd();
    void ImportParticlesCmd();
    void ExportParticlesCmd();
    void PreferencesCmd();
    void ExitCmd();
    void UndoCmd();
    void RedoCmd();
    void MoveToolCmd();
    void RotateToolCmd();
    void ScaleToolCmd();
    void CameraRotateCmd();
    void CameraPanCmd();
    void FrontViewCmd();
    void TopViewCmd();
    void SideViewCmd();
    void PerspectiveViewCmd();
    void PanoramicCmd();
    void FullScreenCmd();
    void ResetViewCmd();
    void CenterViewCmd();
    void FirstPersonCmd();
    void ToggleAxesCmd();
    void ToggleDaemonsCmd();
    void ToggleEmittersCmd();
    void ToggleInfoCmd();
    void ToggleGridCmd();
    void ToggleMotionCmd();
    void ViewMessagesCmd();
    void ZoomRegionCmd();
    void FastViewCmd();
    void MemoCmd();
    void SceneInfoCmd();
    void StartFullCmd();
    void StartParticlesCmd();
    void StopCmd();
    void ResetSimulationCmd();
    void DisplayCmd();
    void AdvancedCmd();
    void PluginsManagerCmd();
    void SceneTreeCmd();
    void HelpContentsCmd();
    void ReleaseNotesCmd();
    void KeysCmd();
    void AboutCmd();
    // The tools of main_window_tools.cpp: picking, copies, arrays, image output.
    void SelectToolCmd();
    void SelectParticlesCmd();
    void LockSelectionCmd();
    void ElementBoxCmd();
    void ElementWireCmd();
    void ElementFlatCmd();
    void ElementSmoothCmd();
    void SceneBoxCmd();
    void SceneWireCmd();
    void SceneFlatCmd();
    void SceneSmoothCmd();
    // The way the selected element, or every object and mesh, is drawn (NodoDisplay).
    void SetElementDisplay(int mode);
    void SetSceneDisplay(int mode);
    void CloneCmd();
    void ArrayCmd();
    void SaveImagesCmd();

    // What a click in the viewport picked does: a daemon shows its window, an emitter selects
    // its fluid, other kinds go to the handler their panel installed.
    void OnPicked(Nodo* node);
    // "Clone selected" and the Shift drag: the copy, now the selected node, or null.
    Nodo* CloneSelectedElement();
    // "Save images" asks for a file name and, for a movie, the compression: tests answer in
    // their place. The name ("" for cancel), and the JPEG quality (0 full frames, -1 cancel).
    std::function<QString()> choose_image_file;
    std::function<int()> choose_movie_quality;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void BuildCommands();
    void BuildStatusBar();
    void InstallSimulationHooks();
    void UpdateTitle();
    // The status bar's clock from the scene's, when no step is telling it.
    void ShowClock();
    void SetView(int mode);
    void StartSimulation(bool full);
    void OnStopped();
    void OpenHelpFile(const char* name);
    void InstallToolHooks();

    Viewport* viewport_;
    MessageWindow* messages_;
    ScenePanels* panels_ = nullptr;
    QMenu* recent_menu_ = nullptr;
    QToolBar* toolbar_ = nullptr;
    QLabel* status_line_;
    QLabel* sim_text_;
    QLabel* time_text_;
    QLabel* step_text_;
    QLabel* cpu_text_;
    QLabel* frame_text_;
    QProgressBar* progress_;
    std::vector<std::pair<const CommandRow*, QAction*>> actions_;
    QString workspace_ = "Untitled";
    bool modified_ = false;
    QString memo_;
    bool panoramic_ = false;
};

// The main window while it exists (the driver's hooks reach it through this).
MainWindow* TheMainWindow();

// Asks a running simulation to stop and keeps the interface answering (a message box the
// step shows) until it has.
void StopRunKeepingEventsFlowing();

}  // namespace ui
