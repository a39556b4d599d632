// What each command of the main window does.
#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <cstring>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "mesh/mesh.h"
#include "io/workspace.h"
#include "objects/body.h"
#include "objects/scene_data.h"
#include "objects/scene_import.h"
#include "platform/dialog.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "plugins/manager.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/nodo.h"
#include "scene/undo.h"
#include "scene/view_settings.h"
#include "ui/camera_math.h"
#include "ui/capture_requests.h"
#include "ui/commands.h"
#include "ui/main_window.h"
#include "ui/message_window.h"
#include "ui/preferences_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/scene_tree_window.h"
#include "ui/viewport.h"
#include "version.h"

namespace ui {
namespace {

const char* const kFluidTypes[] = {"?", "Gas", "Liquid", "Viscous", "Chof", "Dumb", "Elastic"};

QString StartDirectory() { return QString::fromLocal8Bit(scenes_dir); }

// A text window of the main window: the report and the memo use it.
QString TextWindow(QWidget* parent, const QString& title, const QString& text, bool editable) {
    QDialog d(parent);
    d.setWindowTitle(title);
    auto* layout = new QVBoxLayout(&d);
    auto* edit = new QPlainTextEdit(text, &d);
    edit->setReadOnly(!editable);
    edit->setFont(QFont("Monospace", 10));
    layout->addWidget(edit);
    auto* buttons = new QDialogButtonBox(editable ? QDialogButtonBox::Ok | QDialogButtonBox::Cancel
                                                  : QDialogButtonBox::Close,
                                         &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(buttons);
    d.resize(560, 380);
    if (d.exec() != QDialog::Accepted) return text;
    return edit->toPlainText();
}

// Where the HTML guide is: installed beside the program's data, else the source tree's docs.
QString HelpDirectory() {
    const QString app = QString::fromLocal8Bit(platform::AppDir().c_str());
    const QStringList candidates = {app + "/../share/undaline/help", app + "/help",
#ifdef UNDALINE_DOCS_DIR
                                    QString(UNDALINE_DOCS_DIR) + "/help"
#endif
    };
    for (const QString& c : candidates) {
        if (QFileInfo(c + "/index.html").exists()) return QDir(c).absolutePath();
    }
    return QString();
}

}  // namespace

QString MainWindow::SceneInfo() {
    std::string s = "FLUIDS:\r\n";
    int i = 0;
    for (Fluido* f = rootflow; f; f = f->next) {
        const char* name = f->emitter ? f->emitter->name : "";
        const int type = f->type >= 1 && f->type <= 6 ? f->type : 0;
        s += platform::Format("%2d. %s-%s [%d particles] d=%5.1f p=%5.3f v=%5.3f\r\n", ++i, name, kFluidTypes[type],
                              f->count, static_cast<double>(f->restDensity), static_cast<double>(f->pressureK.value),
                              static_cast<double>(f->viscosity.value));
    }
    s += "\r\n DAEMONS:\r\n";
    i = 0;
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) s += platform::Format("%2d. %s\r\n", ++i, d->name);
    s += "\r\n OBJECTS:\r\n";
    i = 0;
    for (Body* b = rootbody.next; b; b = b->next) s += platform::Format("%2d. %s\r\n", ++i, b->label);
    s += "\r\n MESHES:\r\n";
    i = 0;
    // The counts of the mesh the viewport shows: the last one built.
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        s += platform::Format("%2d. %s [%d vertices , %d faces]\r\n", ++i, m->name, m->prevNumVertices, m->prevNumFaces);
    }
    return QString::fromStdString(s);
}

void MainWindow::NewWorkspaceCmd() { NewWorkspaceAsked(); }

bool MainWindow::NewWorkspaceAsked() {
    if (platform::MessageBox("All data will be removed. Continue?", "Undaline", platform::kIconQuestion,
                             platform::kButtonsYesNo) != platform::kAnswerYes) {
        return false;
    }
    StopRunKeepingEventsFlowing();
    NewWorkspace();
    panels_->Refresh();
    ShowClock();
    memo_.clear();
    workspace_ = "Untitled";
    SetModified(false);
    UpdateTitle();
    viewport_->update();
    return true;
}

void MainWindow::ImportSceneCmd() {
    ImportScene();
    RefreshCommands();
    viewport_->update();
}

void MainWindow::SdLockCmd() { ToggleSceneDataLock(); }

void MainWindow::SdDeleteCmd() {
    DeleteSceneData();
    viewport_->update();
}

void MainWindow::OpenCmd() {
    if (!MaySetSceneAside()) return;
    const QString path =
        QFileDialog::getOpenFileName(this, "Load Undaline file", StartDirectory(), "Undaline files (*.ulw);;All files (*)");
    if (!path.isEmpty()) OpenWorkspace(path);
}

void MainWindow::SaveCmd() {
    if (workspace_ == "Untitled") {
        SaveAsCmd();
    } else {
        SaveWorkspaceTo(workspace_);
    }
}

void MainWindow::SaveAsCmd() {
    QString path = QFileDialog::getSaveFileName(this, "Save Undaline file",
                                                workspace_ == "Untitled" ? StartDirectory() : workspace_,
                                                "Undaline files (*.ulw)");
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".ulw";
    SaveWorkspaceTo(path);
}

void MainWindow::RevertCmd() {
    if (workspace_ == "Untitled") return;
    OpenWorkspace(workspace_);
}

void MainWindow::ImportParticlesCmd() {
    if (!selflow) {
        platform::MessageBox("Select a fluid before");
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, "Import particles", StartDirectory(),
                                                      "Undaline particle files (*.bin);;All files (*)");
    if (path.isEmpty()) return;
    if (selflow->LoadBinGreg(path.toLocal8Bit().constData())) {
        SetModified(true);
        viewport_->update();
    }
}

void MainWindow::ExportParticlesCmd() {
    if (!selflow) {
        platform::MessageBox("Select a fluid before");
        return;
    }
    if (selflow->count == 0) {
        platform::MessageBox("The fluid has no particles");
        return;
    }
    QString path = QFileDialog::getSaveFileName(this, "Export particles", StartDirectory(), "Undaline particle files (*.bin)");
    if (path.isEmpty()) return;
    if (QFileInfo(path).suffix().isEmpty()) path += ".bin";
    selflow->EscribeBin(path.toLocal8Bit().constData());
}

void MainWindow::PreferencesCmd() {
    OpenPreferences();
    viewport_->InvalidateGrid();
    viewport_->update();
}

void MainWindow::ExitCmd() { close(); }

void MainWindow::UndoCmd() {
    if (Undo()) SetModified(true);
    viewport_->update();
}

void MainWindow::RedoCmd() {
    if (Redo()) SetModified(true);
    viewport_->update();
}

void MainWindow::MoveToolCmd() { viewport_->SetTool(Viewport::kToolMove); }
void MainWindow::RotateToolCmd() { viewport_->SetTool(Viewport::kToolRotate); }
void MainWindow::ScaleToolCmd() { viewport_->SetTool(Viewport::kToolScale); }
void MainWindow::CameraRotateCmd() { viewport_->SetTool(Viewport::kToolCamera); }
void MainWindow::CameraPanCmd() { viewport_->SetTool(Viewport::kToolPan); }

void MainWindow::SetView(int mode) {
    camera.view_mode = mode;
    viewport_->update();
}
void MainWindow::FrontViewCmd() { SetView(view::kFront); }
void MainWindow::TopViewCmd() { SetView(view::kTop); }
void MainWindow::SideViewCmd() { SetView(view::kSide); }
void MainWindow::PerspectiveViewCmd() { SetView(view::kPerspective); }

void MainWindow::PanoramicCmd() {
    // The viewport alone in the window: docks, toolbar and status bar step aside.
    panoramic_ = !panoramic_;
    toolbar_->setVisible(!panoramic_);
    statusBar()->setVisible(!panoramic_);
    if (panoramic_) {
        messages_->hide();
    }
    Action("view.panoramic")->setChecked(panoramic_);
}

void MainWindow::FullScreenCmd() {
    if (isFullScreen()) {
        showNormal();
    } else {
        showFullScreen();
    }
    Action("view.fullscreen")->setChecked(isFullScreen());
}

void MainWindow::ResetViewCmd() { viewport_->ResetView(); }

void MainWindow::CenterViewCmd() {
    if (!selnodo) {
        platform::MessageBox("No element selected");
        return;
    }
    Vector centre = selnodo->pos;
    if (selnodo->kind == 3) centre = static_cast<Creador*>(selnodo)->DameCentro();
    if (camera.view_mode >= view::kTop && camera.view_mode <= view::kSide) {
        camera.centre[camera.view_mode - 1] = centre;
    } else {
        camera.target = centre;
    }
    viewport_->update();
}

void MainWindow::FirstPersonCmd() {
    viewport_->first_person = Action("view.firstperson")->isChecked();
    viewport_->update();
}

namespace {
template <class T>
void Flip(T& flag) {
    flag = flag ? 0 : 1;
}
}  // namespace

void MainWindow::ToggleAxesCmd() { Flip(view_settings.view_axes), viewport_->update(); }
void MainWindow::ToggleDaemonsCmd() { Flip(view_settings.view_daemons), viewport_->update(); }
void MainWindow::ToggleEmittersCmd() { Flip(view_settings.view_emitters), viewport_->update(); }
void MainWindow::ToggleInfoCmd() { Flip(view_settings.view_info), viewport_->update(); }
void MainWindow::ToggleGridCmd() { Flip(view_settings.view_grid), viewport_->update(); }
void MainWindow::ToggleMotionCmd() { Flip(view_settings.view_particle_motion), viewport_->update(); }

void MainWindow::ViewMessagesCmd() {
    messages_->show();
    messages_->raise();
}

void MainWindow::ZoomRegionCmd() { viewport_->zoom_region = true; }

void MainWindow::FastViewCmd() { viewport_->fast_view = Action("view.fast")->isChecked(); }

void MainWindow::MemoCmd() { memo_ = TextWindow(this, "Memo", memo_, true); }

void MainWindow::SceneInfoCmd() { TextWindow(this, "Scene information", SceneInfo().remove('\r'), false); }

void MainWindow::StartSimulation(bool full) {
    if (!rootflow) {
        platform::MessageBox("Please create or select a fluid before");
        return;
    }
    sim::Start(full);
    SetModified(true);
}

void MainWindow::StartFullCmd() { StartSimulation(true); }
void MainWindow::StartParticlesCmd() { StartSimulation(false); }
void MainWindow::StopCmd() { sim::RequestStop(); }

void MainWindow::ResetSimulationCmd() {
    // A reset ends the running step first; the interface waits only for that one step.
    StopRunKeepingEventsFlowing();
    {
        SimulationWait waiting;
        sim::Reset();
    }
    SetModified(true);
    ShowClock();
    viewport_->update();
}

void MainWindow::DisplayCmd() {
    viewport_->display_on = !viewport_->display_on;
    Action("display")->setChecked(viewport_->display_on);
    viewport_->update();
}

void MainWindow::AdvancedCmd() {
    static platform::Dialog* window = nullptr;
    if (window && window->IsOpen()) {
        window->ShowWindow(true);
        return;
    }
    if (window) platform::DestroyDialog(window);
    window = platform::CreateDialog(sim::AdvancedControlsTemplate(), sim::AdvancedControlsProc, nullptr);
}

void MainWindow::PluginsManagerCmd() {
    if (auto* q = dynamic_cast<QtDialog*>(plugins_manager::OpenManager())) {
        q->hide();
        q->setWindowModality(Qt::ApplicationModal);
        q->show();
    }
}

void MainWindow::SceneTreeCmd() { SceneTreeWindow::Open(this); }

void MainWindow::OpenHelpFile(const char* name) {
    const QString dir = HelpDirectory();
    if (dir.isEmpty()) {
        platform::MessageBox("The help files are not installed");
        return;
    }
    QDesktopServices::openUrl(QUrl::fromLocalFile(dir + "/" + name));
}

void MainWindow::HelpContentsCmd() { OpenHelpFile("index.html"); }
void MainWindow::ReleaseNotesCmd() { OpenHelpFile("relnotes.txt"); }

void MainWindow::KeysCmd() {
    int count = 0;
    const CommandRow* rows = Commands(&count);
    QString text;
    for (int i = 0; i < count; ++i) {
        if (!rows[i].shortcut) continue;
        QString name = QString(rows[i].text).remove('&').remove("...");
        text += QString("%1  %2\n").arg(QKeySequence(rows[i].shortcut).toString(QKeySequence::NativeText), -14).arg(name);
    }
    text += QString("%1  %2\n").arg("Left drag", -14).arg("orbit, or the selected tool");
    text += QString("%1  %2\n").arg("Middle drag", -14).arg("pan");
    text += QString("%1  %2\n").arg("Right drag", -14).arg("dolly (zoom in an orthographic view)");
    TextWindow(this, "Key shortcuts", text, false);
}

void MainWindow::AboutCmd() {
    QMessageBox::about(this, "About Undaline",
                       QString("<b>Undaline %1</b><p>Liquids and particle fluids for 3D animation.</p>")
                           .arg(UndalineVersion()));
}

}  // namespace ui
