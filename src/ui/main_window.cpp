#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QStatusBar>
#include <QSettings>
#include <QStyle>
#include <QThread>
#include <QToolBar>

#include <map>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "io/particle_files.h"
#include "io/workspace.h"
#include "output/frame_capture.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/ui_hooks.h"
#include "scene/daemon.h"
#include "scene/preferences.h"
#include "scene/undo.h"
#include "scene/view_settings.h"
#include "ui/application.h"
#include "ui/commands.h"
#include "ui/message_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/scene_tree_window.h"
#include "ui/viewport.h"

namespace ui {
namespace {

MainWindow* g_main = nullptr;

const char* const kMenuTitles[] = {"&File", "&Edit", "&View", "&Simulation", "&Tools", "&Help"};

bool Condition(When when, const MainWindow& w) {
    switch (when) {
        case When::kAlways: return true;
        case When::kNotBuilt: return false;
        case When::kCanUndo: return CanUndo();
        case When::kCanRedo: return CanRedo();
        case When::kIdle: return !sim::Running();
        case When::kRunning: return sim::Running();
        case When::kNamedWorkspace: return w.workspace() != "Untitled" && !sim::Running();
    }
    return false;
}

QIcon ToolbarIcon(const char* name, QStyle* style) {
    const std::map<std::string, QStyle::StandardPixmap> standard = {
        {"Open", QStyle::SP_DialogOpenButton}, {"Save", QStyle::SP_DialogSaveButton},
        {"Start", QStyle::SP_MediaPlay},       {"Stop", QStyle::SP_MediaStop},
        {"Reset", QStyle::SP_MediaSkipBackward}};
    auto it = standard.find(name);
    return it == standard.end() ? QIcon() : style->standardIcon(it->second);
}

}  // namespace

MainWindow* TheMainWindow() { return g_main; }

MainWindow::MainWindow() {
    g_main = this;
    setObjectName("main");
    // The panels are dialogs of the dialog layer: real widgets from the start.
    InstallQtDialogs(this);
    viewport_ = new Viewport(this);
    setCentralWidget(viewport_);
    viewport_->on_changed = [this] {
        SetModified(true);
        RefreshCommands();
    };
    BuildStatusBar();
    messages_ = new MessageWindow(status_line_, this);
    addDockWidget(Qt::BottomDockWidgetArea, messages_);
    messages_->hide();
    panels_ = new ScenePanels(this);
    panels_->on_changed = [this] {
        SetModified(true);
        RefreshCommands();
    };
    BuildCommands();
    InstallSimulationHooks();
    InstallToolHooks();
    // The first layout, until the user's own is restored: the log gets a few lines.
    resizeDocks({messages_}, {130}, Qt::Vertical);
    platform::SetRepaintHook([] {
        if (g_main) g_main->viewport()->RequestRedraw();
    });
    GetWorkspaceHooks().title = [](const char* path) {
        // A backup written by the simulation thread does not rename the window's workspace.
        if (!g_main || QThread::currentThread() != g_main->thread()) return;
        g_main->workspace_ = QString::fromLocal8Bit(path);
        g_main->UpdateTitle();
    };
    UpdateTitle();
    resize(1280, 800);
}

MainWindow::~MainWindow() {
    panels_->Shutdown();
    GetWorkspaceHooks().title = nullptr;
    platform::SetRepaintHook(nullptr);
    StepHooks& h = SimulationHooks();
    h.status = nullptr;
    h.redraw = nullptr;
    h.autosave = nullptr;
    h.write_particles = nullptr;
    h.stopped = nullptr;
    h.status_text = nullptr;
    h.capture_image = nullptr;
    g_main = nullptr;
}

QAction* MainWindow::Action(const char* key) const {
    for (const auto& [row, action] : actions_) {
        if (std::string(row->key) == key) return action;
    }
    return nullptr;
}

void MainWindow::BuildCommands() {
    int count = 0;
    const CommandRow* rows = Commands(&count);
    QMenu* menus[6];
    for (int m = 0; m < 6; ++m) menus[m] = menuBar()->addMenu(kMenuTitles[m]);
    std::map<std::string, QMenu*> submenus;
    toolbar_ = addToolBar("Tools");
    toolbar_->setObjectName("toolbar");
    toolbar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    auto* tools = new QActionGroup(this);
    auto* views = new QActionGroup(this);
    bool toolbar_sep = false;
    for (int i = 0; i < count; ++i) {
        const CommandRow& r = rows[i];
        QMenu* menu = menus[static_cast<int>(r.menu)];
        if (r.submenu) {
            QMenu*& sub = submenus[std::string(kMenuTitles[static_cast<int>(r.menu)]) + r.submenu];
            if (!sub) {
                if (r.separator_before) menu->addSeparator();
                sub = menu->addMenu(r.submenu);
            }
            menu = sub;
        } else if (r.separator_before) {
            menu->addSeparator();
        }
        auto* a = new QAction(r.text, this);
        QList<QKeySequence> keys;
        if (r.shortcut) keys << QKeySequence(r.shortcut);
        if (r.shortcut2) keys << QKeySequence(r.shortcut2);
        a->setShortcuts(keys);
        a->setShortcutVisibleInContextMenu(true);
        a->setCheckable(r.checkable);
        if (r.tip) a->setStatusTip(r.tip);
        if (r.when == When::kNotBuilt) a->setToolTip(QString(r.text).remove('&') + " (not in this version)");
        if (r.handler) {
            auto handler = r.handler;
            connect(a, &QAction::triggered, this, [this, handler] {
                (this->*handler)();
                RefreshCommands();
            });
        }
        std::string key = r.key;
        if (key == "edit.select" || key == "edit.move" || key == "edit.rotate" || key == "edit.scale" ||
            key == "view.camrotate" || key == "view.campan") {
            tools->addAction(a);
        }
        if (key == "view.front" || key == "view.top" || key == "view.side" || key == "view.perspective") {
            views->addAction(a);
        }
        menu->addAction(a);
        addAction(a);  // the keys work while the menus are closed
        if (r.icon) {
            if (key == "edit.move" || key == "start") toolbar_->addSeparator();
            toolbar_sep = true;
            a->setIcon(ToolbarIcon(r.icon, style()));
            a->setIconText(QString(r.icon));
            toolbar_->addAction(a);
        }
        actions_.emplace_back(&r, a);
    }
    (void)toolbar_sep;
    // Every dock can be closed and brought back.
    QMenu* docks = new QMenu("&Panels", this);
    for (QDockWidget* d : {panels_->fluid_dock(), panels_->daemon_dock(), panels_->object_dock(),
                           panels_->mesh_dock(), static_cast<QDockWidget*>(messages_)}) {
        docks->addAction(d->toggleViewAction());
    }
    menus[static_cast<int>(Menu::kView)]->insertMenu(Action("view.messages"), docks);
    // The recent workspaces follow the file commands, after a separator.
    recent_menu_ = new QMenu("Recent workspaces", this);
    menus[0]->insertMenu(Action("file.exit"), recent_menu_);
    RebuildRecentMenu();
    Action("view.camrotate")->setChecked(true);
    Action("view.perspective")->setChecked(true);
    Action("display")->setChecked(true);
    RefreshCommands();
}

void MainWindow::RefreshCommands() {
    for (const auto& [row, action] : actions_) action->setEnabled(Condition(row->when, *this));
    panels_->Refresh();
    if (SceneTreeWindow* tree = SceneTreeWindow::Current()) tree->Rebuild();
    const struct {
        const char* key;
        bool on;
    } toggles[] = {
        {"view.axes", view_settings.view_axes != 0},     {"view.daemons", view_settings.view_daemons != 0},
        {"view.emitters", view_settings.view_emitters != 0}, {"view.info", view_settings.view_info != 0},
        {"view.grid", view_settings.view_grid != 0},     {"view.motion", view_settings.view_particle_motion != 0},
        {"view.front", camera.view_mode == 2},           {"view.top", camera.view_mode == 1},
        {"view.side", camera.view_mode == 3},            {"view.perspective", camera.view_mode == 0},
        {"sim.images", sim_settings.image_output},
    };
    for (const auto& t : toggles) {
        if (QAction* a = Action(t.key)) a->setChecked(t.on);
    }
}

void MainWindow::BuildStatusBar() {
    status_line_ = new QLabel(this);
    status_line_->setMinimumWidth(320);
    sim_text_ = new QLabel("Ready", this);
    time_text_ = new QLabel(this);
    step_text_ = new QLabel(this);
    cpu_text_ = new QLabel(this);
    frame_text_ = new QLabel("Frame 0", this);
    progress_ = new QProgressBar(this);
    progress_->setRange(0, 100);
    progress_->setMaximumWidth(140);
    progress_->setTextVisible(false);
    statusBar()->addWidget(status_line_, 1);
    time_text_->setMinimumWidth(130);
    step_text_->setMinimumWidth(110);
    cpu_text_->setMinimumWidth(100);
    frame_text_->setMinimumWidth(80);
    for (QLabel* l : {sim_text_, time_text_, step_text_, cpu_text_, frame_text_}) statusBar()->addPermanentWidget(l);
    statusBar()->addPermanentWidget(progress_);
}

void MainWindow::InstallSimulationHooks() {
    // Particle files and backups are written by the simulation thread between two steps, as
    // in batch runs: nothing else touches the particles then, and nobody waits on anybody.
    InstallDirectFrameOutputs();
    StepHooks& h = SimulationHooks();
    h.autosave = [](const char* path) {
        if (path && *path) {
            SaveWorkspace(path);
        } else {
            RedWarning(" Autosave is on but no backup file is set");
        }
    };
    // Every hook runs on the simulation thread: it hands its figures over and returns at once.
    h.status = [](const char* time, const char* step, const char* cpu, int progress, int at) {
        if (!g_main) return;
        const QString t = time, s = step, c = cpu;
        QMetaObject::invokeMethod(
            g_main,
            [t, s, c, progress, at] {
                if (!g_main) return;
                g_main->time_text_->setText(t);
                g_main->step_text_->setText(s);
                g_main->cpu_text_->setText(c);
                g_main->progress_->setValue(progress);
                g_main->frame_text_->setText(QString("Frame %1").arg(at));
            },
            Qt::QueuedConnection);
    };
    h.redraw = [](bool frame_end) {
        if (!g_main || (prefs.display_only_at_frames && !frame_end)) return;
        g_main->viewport()->RequestRedraw();
    };
    h.stopped = [] {
        if (g_main) QMetaObject::invokeMethod(g_main, [] { if (g_main) g_main->OnStopped(); }, Qt::QueuedConnection);
    };
    h.status_text = [](const char* text) {
        if (!g_main) return;
        const QString t = text;
        QMetaObject::invokeMethod(g_main, [t] { if (g_main) g_main->sim_text_->setText(t); }, Qt::QueuedConnection);
    };
}

void MainWindow::OnStopped() {
    RefreshCommands();
    ShowClock();
    // The request to stop has been carried out: the status line says so.
    if (status_line_->text() == QString("Stopping process...please wait")) status_line_->setText("Process stopped");
    viewport_->update();
}

void MainWindow::ShowClock() {
    time_text_->setText(QString::fromStdString(platform::Format("Time: %.2f (%.2f)", static_cast<double>(tuniversal),
                                                                static_cast<double>(tbuzz))));
    step_text_->setText(inct > 0.0f ? QString::fromStdString(platform::Format("Step: %f", static_cast<double>(inct)))
                                    : QString());
    const int hours = static_cast<int>(cpu_hours), minutes = static_cast<int>((cpu_hours - hours) * 60.0);
    cpu_text_->setText(QString("CPU: %1 h %2 m").arg(hours).arg(minutes));
    const float tpf = TimePerFrame();
    progress_->setValue(tpf > 0.0f ? static_cast<int>(frame_time * 100.0f / tpf) : 0);
    frame_text_->setText(QString("Frame %1").arg(frame));
}

void MainWindow::SetModified(bool modified) {
    if (modified_ == modified) return;
    modified_ = modified;
    UpdateTitle();
}

void MainWindow::UpdateTitle() {
    setWindowTitle(QString("Undaline - [%1]%2").arg(workspace_, modified_ ? " *" : ""));
}

void MainWindow::RebuildRecentMenu() {
    recent_menu_->clear();
    std::string recent[kRecentWorkspaces];
    const int n = config::RecentWorkspaces(recent);
    for (int i = 0; i < n; ++i) {
        const QString path = QString::fromLocal8Bit(recent[i].c_str());
        QAction* a = recent_menu_->addAction(QString("&%1  %2").arg(i < 9 ? QString::number(i + 1) : "0", path));
        connect(a, &QAction::triggered, this, [this, path] {
            if (sim::Running() || !MaySetSceneAside()) return;
            OpenWorkspace(path);
            RefreshCommands();
        });
    }
    recent_menu_->setEnabled(n > 0);
}

bool MainWindow::OpenWorkspace(const QString& name) {
    // Kept whole, so that the recent list still finds it from another folder.
    const QString path = QFileInfo(name).absoluteFilePath();
    const QByteArray p = path.toLocal8Bit();
    const bool loaded = LoadWorkspace(p.constData());
    // A loaded scene opens on its first fluid, so its emitter's window is in view.
    if (loaded && !selflow && rootflow) panels_->SelectFluid(rootflow);
    panels_->Refresh();
    ShowClock();
    if (!loaded) return false;
    workspace_ = path;
    config::AddRecentWorkspace(p.constData());
    RebuildRecentMenu();
    SetModified(false);
    UpdateTitle();
    viewport_->InvalidateGrid();
    viewport_->update();
    BlueWarning(QString("Workspace loaded: %1").arg(QFileInfo(path).fileName()).toLocal8Bit().constData());
    return true;
}

bool MainWindow::SaveWorkspaceTo(const QString& name) {
    const QString path = QFileInfo(name).absoluteFilePath();
    const QByteArray p = path.toLocal8Bit();
    if (!SaveWorkspace(p.constData())) return false;
    workspace_ = path;
    config::AddRecentWorkspace(p.constData());
    RebuildRecentMenu();
    SetModified(false);
    UpdateTitle();
    return true;
}

void StopRunKeepingEventsFlowing() {
    // The run ends after its current step; a message box the step may show waits for this
    // thread to answer it, so the events keep flowing while waiting.
    if (!sim::Running()) return;
    sim::RequestStop();
    while (sim::Running()) QApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool MainWindow::MaySetSceneAside() {
    if (!modified_) return true;
    const int answer = platform::MessageBox("Do you want to save your changes?", "Undaline", platform::kIconQuestion,
                                            platform::kButtonsYesNoCancel);
    if (answer == platform::kAnswerCancel) return false;
    if (answer == platform::kAnswerNo) return true;
    if (workspace_ == "Untitled") {
        SaveAsCmd();
    } else {
        SaveWorkspaceTo(workspace_);
    }
    return !modified_;
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (!MaySetSceneAside()) {
        e->ignore();
        return;
    }
    config::WriteConfigFile(config::ConfigFilePath().c_str());
    StopRunKeepingEventsFlowing();
    sim::WaitUntilStopped();
    // A movie being recorded gets its index and its name.
    output::CloseMovie();
    QSettings layout(LayoutFilePath(), QSettings::IniFormat);
    layout.setValue("geometry", saveGeometry());
    layout.setValue("state", saveState());
    e->accept();
}

}  // namespace ui
