#include "ui/scene_panels.h"

#include <QApplication>
#include <QDockWidget>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QThread>
#include <QVBoxLayout>

#include <string>

#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluid_panel.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/ui_hooks.h"
#include "plugins/class_buttons.h"
#include "plugins/loader.h"
#include "plugins/manager.h"
#include "plugins/registry.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/nodo.h"
#include "scene/scene_hooks.h"
#include "ui/element_lists.h"
#include "ui/mesh_face.h"
#include "ui/object_face.h"
#include "ui/qt_dialog.h"

namespace ui {

const int kEmitterButtonIds[12] = {5541, 5542, 5543, 5544, 5545, 5546, 5547, 5548, 5549, 5550, 5551, 5552};
const int kDaemonButtonIds[12] = {5495, 5496, 5497, 5498, 5499, 5500, 5501, 5502, 5503, 5375, 5376, 5377};

namespace {

using platform::ControlKind;
using platform::ControlTemplate;

ScenePanels* g_panels = nullptr;
const ElementSource* g_sources[2] = {nullptr, nullptr};
void (*g_previous_created)(Fluido*) = nullptr;
void (*g_previous_deleting)(Fluido*) = nullptr;

const char* const kFluidTypeNames[] = {"?", "Gas", "Liquid", "Viscous", "Chof", "Dumb", "Elastic"};

// A panel: its list, a delete button, the class buttons in three columns under a caption, and
// the anchor below which the parameter windows open. Dialog units.
constexpr int kButtonsTop = 83, kAnchorTop = kButtonsTop + 4 * 15;

std::vector<ControlTemplate> PanelControls(int list, int remove, int customise, int caption_id, const char* caption,
                                           const int* buttons, int anchor) {
    std::vector<ControlTemplate> c = {
        {list, ControlKind::ListBox, "", 4, 4, 193, 46, 0},
        {remove, ControlKind::PushButton, "Delete", 4, 53, 50, 13, 0},
        {customise, ControlKind::PushButton, "Customize...", 134, 53, 63, 13, 0},
        {caption_id, ControlKind::Static, caption, 4, 72, 193, 9, 0},
    };
    for (int b = 0; b < kClassButtons; ++b) {
        c.push_back({buttons[b], ControlKind::PushButton, "", 4 + (b % 3) * 65, kButtonsTop + (b / 3) * 15, 63, 13,
                     platform::kStyleHidden});
    }
    c.push_back({anchor, ControlKind::Static, "", 4, kAnchorTop, 193, 1, 0});
    return c;
}

const platform::DialogTemplate* FluidTemplate() {
    static const std::vector<ControlTemplate> controls =
        PanelControls(kIdFluidList, kIdFluidDelete, kIdEmitterCustomise, kIdEmitterButtonsLabel, "New fluid with emitter:",
                      kEmitterButtonIds, kIdEmitterWindowAnchor);
    static const platform::DialogTemplate tmpl = {"Fluids", 201, kAnchorTop + 3, controls.data(),
                                                  static_cast<int>(controls.size())};
    return &tmpl;
}

const platform::DialogTemplate* DaemonTemplate() {
    static const std::vector<ControlTemplate> controls =
        PanelControls(kIdDaemonList, kIdDaemonDelete, kIdDaemonCustomise, kIdDaemonButtonsLabel, "Add daemon:", kDaemonButtonIds,
                      kIdDaemonWindowAnchor);
    static const platform::DialogTemplate tmpl = {"Daemons", 201, kAnchorTop + 3, controls.data(),
                                                  static_cast<int>(controls.size())};
    return &tmpl;
}

bool Listed(const Fluido* f) {
    for (Fluido* g = rootflow; g; g = g->next) {
        if (g == f) return true;
    }
    return false;
}

std::string FluidText(const Fluido* f) {
    const char* name = f->emitter ? f->emitter->name : "";
    const int type = f->type >= 1 && f->type <= 6 ? f->type : 0;
    return platform::Format("%s (%s)", name, kFluidTypeNames[type]);
}

Fluido* FluidOfItem(platform::Dialog* panel, int index) {
    auto* f = reinterpret_cast<Fluido*>(panel->ListData(kIdFluidList, index));
    return Listed(f) ? f : nullptr;
}

// The customise dialogs own the buttons until they close, so they keep the rest of the
// program waiting.
void OpenCustomise(int kind) {
    if (sim::Running()) return;
    platform::Dialog* d = plugins_manager::OpenCustomise(kind);
    if (auto* q = dynamic_cast<QtDialog*>(d)) {
        q->hide();
        q->setWindowModality(Qt::ApplicationModal);
        q->show();
    }
}

int ButtonIndex(const int* ids, int id) {
    for (int b = 0; b < kClassButtons; ++b) {
        if (ids[b] == id) return b;
    }
    return -1;
}

intptr_t FluidPanelProc(platform::Dialog* panel, unsigned msg, uintptr_t wparam, intptr_t) {
    if (msg != platform::kMsgCommand || !g_panels) return 0;
    const int id = platform::CommandId(wparam);
    if (id == kIdFluidList && platform::CommandCode(wparam) == platform::kNotifySelChange) {
        if (Fluido* f = FluidOfItem(panel, panel->ListSelection(kIdFluidList))) g_panels->SelectFluid(f);
        return 1;
    }
    if (id == kIdFluidDelete) {
        g_panels->DeleteSelectedFluid();
        return 1;
    }
    if (id == kIdEmitterCustomise) {
        OpenCustomise(kClassEmitter);
        return 1;
    }
    const int b = ButtonIndex(kEmitterButtonIds, id);
    if (b < 0) return 0;
    g_panels->PressEmitterButton(b);
    return 1;
}

intptr_t DaemonPanelProc(platform::Dialog* panel, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    if (!g_panels) return 0;
    if (ProcesaDaemonPanel(panel, msg, wparam, lparam)) {
        platform::RequestRepaint();
        return 1;
    }
    if (msg != platform::kMsgCommand) return 0;
    const int id = platform::CommandId(wparam);
    if (id == kIdDaemonCustomise) {
        OpenCustomise(kClassDaemon);
        return 1;
    }
    if (id == kIdDaemonDelete) {
        if (sim::Running()) return 1;
        if (!seldaemon) {
            platform::MessageBox("No element selected");
            return 1;
        }
        DeleteSelectedDaemon();
        g_panels->Refresh();
        if (g_panels->on_changed) g_panels->on_changed();
        return 1;
    }
    const int b = ButtonIndex(kDaemonButtonIds, id);
    if (b < 0) return 0;
    g_panels->PressDaemonButton(b);
    return 1;
}

bool OnInterfaceThread() {
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

// A fluid made or about to go: the list follows at once, whoever made the change.
void FluidCreated(Fluido* f) {
    if (g_previous_created) g_previous_created(f);
    if (g_panels && OnInterfaceThread()) g_panels->Refresh();
}

void FluidDeleting(Fluido* f) {
    if (g_previous_deleting) g_previous_deleting(f);
    if (!g_panels || !OnInterfaceThread()) return;
    platform::Dialog* panel = g_panels->fluid_panel();
    for (int i = panel->ListCount(kIdFluidList); i-- > 0;) {
        if (panel->ListData(kIdFluidList, i) == reinterpret_cast<intptr_t>(f)) panel->ListDelete(kIdFluidList, i);
    }
}

QDockWidget* MakeDock(QMainWindow* window, const char* title, const char* name, QWidget* content,
                      Qt::DockWidgetArea area) {
    auto* dock = new QDockWidget(title, window);
    dock->setObjectName(name);
    dock->setWidget(content);
    window->addDockWidget(area, dock);
    return dock;
}

void ButtonsHook() {
    if (g_panels) g_panels->ShowButtons();
}

void AddedHook(int kind) {
    if (!g_panels) return;
    if (kind == kClassEmitter) {
        g_panels->FluidMade(selflow);
    } else {
        g_panels->DaemonMade();
    }
}

// The fluid panel changed a fluid: its item shows the type, the scene is modified.
void FluidPanelChanged() {
    if (!g_panels) return;
    g_panels->Refresh();
    g_panels->Changed();
}

void SceneChanged() {
    if (g_panels) g_panels->Changed();
}

// The manager's directory becomes the one the program starts with.
void Rescanned(const char* dir) { platform::CopyText(plugins_dir, kConfigPathSize, dir); }

QScrollArea* Scrolled(QWidget* panel) {
    auto* scroll = new QScrollArea;
    scroll->setWidget(panel);
    scroll->setWidgetResizable(false);
    scroll->setFrameShape(QFrame::NoFrame);
    // As wide as the panel: only the height scrolls.
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setMinimumWidth(panel->width() + scroll->verticalScrollBar()->sizeHint().width() + 4);
    return scroll;
}

}  // namespace

void SetElementSource(ElementKind kind, const ElementSource* source) {
    g_sources[kind] = source;
    if (g_panels) g_panels->Refresh();
}

const ElementSource* GetElementSource(ElementKind kind) { return g_sources[kind]; }

ScenePanels* ThePanels() { return g_panels; }

ScenePanels::ScenePanels(QMainWindow* window) : QObject(window) {
    g_panels = this;
    BuildFluidDock(window);
    BuildDaemonDock(window);
    object_dock_ = BuildListDock(window, "Objects", "dock.objects", kElementObjects);
    mesh_dock_ = BuildListDock(window, "Meshes", "dock.meshes", kElementMeshes);
    // The object and mesh panels are as tall as the daemons': tabs of one column.
    window->tabifyDockWidget(daemon_dock_, object_dock_);
    window->tabifyDockWidget(object_dock_, mesh_dock_);
    daemon_dock_->raise();
    BuildMeshPanel();
    BuildObjectPanel();
    SetClassButtonsHook(ButtonsHook);
    platform::SetSceneChangedHook(SceneChanged);
    plugins_manager::SetAddedHook(AddedHook);
    plugins_manager::SetRescanHook(Rescanned);
    fluid_panel::SetChangedHook(FluidPanelChanged);
    // The windows of classes activated before the panels existed move into them.
    RecreateParamWindows();
    EngineHookTable& hooks = EngineHooks();
    g_previous_created = hooks.fluid_created;
    g_previous_deleting = hooks.fluid_deleting;
    hooks.fluid_created = FluidCreated;
    hooks.fluid_deleting = FluidDeleting;
    FillButtons();
    Refresh();
}

ScenePanels::~ScenePanels() { Shutdown(); }

void ScenePanels::Shutdown() {
    if (g_panels != this) return;
    EngineHookTable& hooks = EngineHooks();
    hooks.fluid_created = g_previous_created;
    hooks.fluid_deleting = g_previous_deleting;
    SetClassButtonsHook(nullptr);
    plugins_manager::SetAddedHook(nullptr);
    plugins_manager::SetRescanHook(nullptr);
    fluid_panel::SetChangedHook(nullptr);
    plugins_manager::DestroyWindows();
    platform::SetSceneChangedHook(nullptr);
    ForgetMeshFace();
    ForgetObjectFace();
    DestroyParamWindows();
    fluid_panel::Destroy();
    SetDaemonPanel(nullptr, 0);
    SetEmitterPanel(nullptr);
    g_panels = nullptr;
}

void ScenePanels::BuildFluidDock(QMainWindow* window) {
    fluid_panel_ = QtDialog::CreateEmbedded(FluidTemplate(), FluidPanelProc, nullptr);
    SetEmitterPanel(fluid_panel_);
    // The fluid's own parameters, between the class buttons and the emitter windows.
    fluid_panel::Create(fluid_panel_);
    fluid_dock_ = MakeDock(window, "Fluids", "dock.fluids", Scrolled(fluid_panel_), Qt::LeftDockWidgetArea);
}

void ScenePanels::BuildDaemonDock(QMainWindow* window) {
    daemon_panel_ = QtDialog::CreateEmbedded(DaemonTemplate(), DaemonPanelProc, nullptr);
    SetDaemonPanel(daemon_panel_, kIdDaemonList);
    daemon_dock_ = MakeDock(window, "Daemons", "dock.daemons", Scrolled(daemon_panel_), Qt::RightDockWidgetArea);

    auto* list = qobject_cast<QListWidget*>(daemon_panel_->ControlWidget(kIdDaemonList));
    // "Enable" on the item under the pointer.
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QListWidget::customContextMenuRequested, this, [this, list](const QPoint& at) {
        const int row = list->indexAt(at).row();
        if (row < 0) return;
        list->setCurrentRow(row);  // selects the daemon through the panel
        QMenu menu;
        QAction* enable = menu.addAction("Enable");
        enable->setCheckable(true);
        enable->setChecked(DaemonEnableChecked());
        if (menu.exec(list->viewport()->mapToGlobal(at)) == enable) {
            daemon_panel_->Send(platform::kMsgCommand, platform::MakeCommand(kCmdDaemonEnable, 0), 0);
            Changed();
        }
    });
    // A double click edits the name in place; leaving the field renames the daemon.
    connect(list, &QListWidget::itemDoubleClicked, this, [this, list](QListWidgetItem* item) {
        const int row = list->row(item);
        Daemon* d = DaemonOfItem(row);
        if (!d) return;
        auto* edit = new QLineEdit(QString::fromLocal8Bit(d->name), list->viewport());
        edit->setMaxLength(kDaemonNameMax);
        edit->setGeometry(list->visualItemRect(item));
        edit->show();
        edit->setFocus();
        edit->selectAll();
        connect(edit, &QLineEdit::editingFinished, this, [this, edit, row] {
            if (edit->isHidden()) return;  // Enter, then the focus leaving: one rename
            edit->hide();
            RenameDaemonItem(row, edit->text().toLocal8Bit().constData());
            edit->deleteLater();
            Changed();
        });
    });
}

QDockWidget* ScenePanels::BuildListDock(QMainWindow* window, const char* title, const char* name, int kind) {
    // The list on top; the element's panel, when it has one, scrolls below it.
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* list = new QListWidget;
    list->setMaximumHeight(list->fontMetrics().height() * 6);
    layout->addWidget(list);
    layout->addStretch(1);
    (kind == kElementObjects ? object_list_ : mesh_list_) = list;
    connect(list, &QListWidget::currentRowChanged, this, [this, kind](int row) {
        const ElementSource* source = g_sources[kind];
        if (syncing_ || !source || row < 0) return;
        source->select(row);
        platform::RequestRepaint();
    });
    return MakeDock(window, title, name, content, Qt::RightDockWidgetArea);
}

void ScenePanels::BuildMeshPanel() {
    auto* holder = new QWidget;
    mesh_panel_ = BuildMeshFace(holder);
    holder->setFixedSize(mesh_panel_->size());
    PlaceBelowList(mesh_dock_, holder);
}

void ScenePanels::BuildObjectPanel() {
    auto* holder = new QWidget;
    object_panel_ = BuildObjectFace(holder);
    PlaceBelowList(object_dock_, holder);
}

void ScenePanels::PlaceBelowList(QDockWidget* dock, QWidget* panel) {
    auto* layout = static_cast<QVBoxLayout*>(dock->widget()->layout());
    delete layout->takeAt(1);  // the panel takes the room the stretch kept
    layout->addWidget(Scrolled(panel), 1);
}

void ScenePanels::FillButtons() {
    RefillClassButtons(kClassDaemon);
    RefillClassButtons(kClassEmitter);
    ShowButtons();
}

int ScenePanels::EmitterButtonClass(int index) const { return ClassButtonTable(kClassEmitter)[index]; }
int ScenePanels::DaemonButtonClass(int index) const { return ClassButtonTable(kClassDaemon)[index]; }

void ScenePanels::ShowButtons() {
    struct Panel {
        QtDialog* dialog;
        const int* controls;
        const int* ids;
    } panels[] = {{fluid_panel_, kEmitterButtonIds, ClassButtonTable(kClassEmitter)},
                  {daemon_panel_, kDaemonButtonIds, ClassButtonTable(kClassDaemon)}};
    for (const Panel& p : panels) {
        for (int b = 0; b < kClassButtons; ++b) {
            int position = 0;
            const PluginLibrary* lib = p.ids[b] ? FindPluginClass(p.ids[b], &position) : nullptr;
            const PluginClass* cls = lib ? &lib->classes[static_cast<size_t>(position)] : nullptr;
            // A button whose class is missing has no caption and does nothing: it is not shown.
            p.dialog->SetText(p.controls[b], cls ? cls->label : "");
            p.dialog->Show(p.controls[b], cls != nullptr);
            if (QWidget* w = p.dialog->ControlWidget(p.controls[b])) {
                w->setToolTip(cls ? QString::fromLocal8Bit(cls->description) : QString());
                // Captions of up to twenty characters fit three buttons across.
                QFont small = QApplication::font();
                small.setPointSizeF(small.pointSizeF() * 0.9);
                w->setFont(small);
            }
        }
    }
}

void ScenePanels::Refresh() {
    if (syncing_) return;
    syncing_ = true;
    SyncFluidList();
    if (Daemon* d = seldaemon) daemon_panel_->ListSelect(kIdDaemonList, DaemonItem(d));
    SyncElementList(kElementObjects);
    SyncElementList(kElementMeshes);
    // While the simulation runs nothing may join or leave the scene it is stepping.
    const bool idle = !sim::Running();
    for (int b = 0; b < kClassButtons; ++b) {
        fluid_panel_->Enable(kEmitterButtonIds[b], idle);
        daemon_panel_->Enable(kDaemonButtonIds[b], idle);
    }
    fluid_panel_->Enable(kIdFluidDelete, idle && rootflow);
    daemon_panel_->Enable(kIdDaemonDelete, idle && FirstDaemon());
    fluid_panel_->Enable(kIdEmitterCustomise, idle);
    daemon_panel_->Enable(kIdDaemonCustomise, idle);
    syncing_ = false;
    // The emitter window shown is the selected fluid's.
    if (!Listed(selflow)) selflow = nullptr;
    fluid_panel::ShowFluid(selflow);
    ShowEmitterWindow(selflow);
    RefreshMeshFace();
    RefreshObjectFace();
}

void ScenePanels::SyncFluidList() {
    platform::Dialog* panel = fluid_panel_;
    int i = 0;
    bool same = true;
    for (Fluido* f = rootflow; f && same; f = f->next, ++i) {
        same = i < panel->ListCount(kIdFluidList) && panel->ListData(kIdFluidList, i) == reinterpret_cast<intptr_t>(f) &&
               panel->ListText(kIdFluidList, i) == FluidText(f);
    }
    if (!same || i != panel->ListCount(kIdFluidList)) {
        panel->ListClear(kIdFluidList);
        for (Fluido* f = rootflow; f; f = f->next) {
            const int item = panel->ListAdd(kIdFluidList, FluidText(f));
            panel->ListSetData(kIdFluidList, item, reinterpret_cast<intptr_t>(f));
        }
    }
    int selected = -1;
    for (int k = 0; k < panel->ListCount(kIdFluidList); ++k) {
        if (panel->ListData(kIdFluidList, k) == reinterpret_cast<intptr_t>(selflow)) selected = k;
    }
    panel->ListSelect(kIdFluidList, selected);
}

void ScenePanels::SyncElementList(int kind) {
    QListWidget* list = kind == kElementObjects ? object_list_ : mesh_list_;
    const ElementSource* source = g_sources[kind];
    const bool was = syncing_;
    syncing_ = true;
    const int n = source ? source->count() : 0;
    bool same = list->count() == n;
    for (int i = 0; i < n && same; ++i) same = list->item(i)->text() == QString::fromStdString(source->name(i));
    if (!same) {
        list->clear();
        for (int i = 0; i < n; ++i) list->addItem(QString::fromStdString(source->name(i)));
    }
    const int selected = source && source->selected ? source->selected() : -1;
    list->setCurrentRow(selected >= 0 && selected < n ? selected : -1);
    if (selected < 0) list->clearSelection();
    syncing_ = was;
}

void ScenePanels::ShowEmitterWindow(Fluido* f) {
    Creador* shown = f ? f->emitter : nullptr;
    platform::Dialog* keep = shown && shown->descriptor ? shown->descriptor->window : nullptr;
    for (int i = 0; i <= RegistryLastIndex(); ++i) {
        Descriptor* d = RegisteredClass(i);
        if (d->kind == kClassEmitter && d->window && d->window != keep) d->window->ShowWindow(false);
    }
    if (!shown) return;
    shown->SetParameterBlock();
    if (!keep) return;
    // Below the fluid's own parameters, whose height follows the fluid's type.
    if (shown->descriptor->layout == kLayoutBelowFluidWindow && fluid_panel::Window()) {
        keep->MoveWindow(keep->WindowRect().x, fluid_panel::WindowBottom() + 2);
    }
    keep->ShowWindow(true);
}

void ScenePanels::SelectFluid(Fluido* f) {
    if (f && !Listed(f)) return;
    selflow = f;
    if (f) selnodo = f->emitter;
    syncing_ = true;
    SyncFluidList();
    syncing_ = false;
    fluid_panel::ShowFluid(f);
    ShowEmitterWindow(f);
    platform::RequestRepaint();
}

void ScenePanels::DeleteSelectedFluid() {
    if (sim::Running()) return;
    Fluido* f = Listed(selflow) ? selflow : nullptr;
    if (!f) {
        platform::MessageBox("Select a fluid before");
        return;
    }
    const std::string question =
        platform::Format("Delete the fluid %s and its particles?", f->emitter ? f->emitter->name : "");
    if (platform::MessageBox(question.c_str(), "Undaline", platform::kIconQuestion, platform::kButtonsYesNo) !=
        platform::kAnswerYes) {
        return;
    }
    Fluido* then = nullptr;
    for (Fluido* g = rootflow; g && g != f; g = g->next) then = g;
    if (!then) then = f->next;
    Descriptor* cls = f->emitter ? f->emitter->descriptor : nullptr;
    ShowEmitterWindow(nullptr);
    DeleteFluido(f);
    ReleaseClass(cls);  // its window goes with it when nothing else uses the class
    SelectFluid(then);
    Refresh();
    Changed();
}

void ScenePanels::PressEmitterButton(int index) {
    if (index < 0 || index >= kClassButtons || sim::Running()) return;
    // A button whose class the catalogue lacks is not shown and does nothing.
    if (!FindPluginClass(EmitterButtonClass(index))) return;
    FluidMade(::PressEmitterButton(EmitterButtonClass(index)));
}

void ScenePanels::FluidMade(Fluido* f) {
    if (!f) return;
    // As after a reset: volume emitters show the volume they will start from.
    f->Regenera();
    SelectFluid(f);
    Refresh();
    Changed();
}

void ScenePanels::PressDaemonButton(int index) {
    if (index < 0 || index >= kClassButtons || sim::Running()) return;
    if (FindPluginClass(DaemonButtonClass(index)) && ::PressDaemonButton(DaemonButtonClass(index))) DaemonMade();
}

void ScenePanels::DaemonMade() {
    if (!seldaemon) return;
    selnodo = seldaemon;  // listed as selected: also the one the viewport shows selected
    Refresh();
    Changed();
}

void ScenePanels::Changed() {
    platform::RequestRepaint();
    if (on_changed) on_changed();
}

}  // namespace ui
