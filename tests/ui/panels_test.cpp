// The docked panels on real widgets, without a screen: the lists follow the scene, the class
// buttons make what they say, selecting shows the element's window.
#include <QDir>
#include <QDockWidget>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <string>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "ui/element_lists.h"
#include "ui/main_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui_fixture.h"

namespace {

std::vector<std::string> Items(platform::Dialog* panel, int list) {
    std::vector<std::string> items;
    for (int i = 0; i < panel->ListCount(list); ++i) items.push_back(panel->ListText(list, i));
    return items;
}

Daemon* DaemonNamed(const char* name) {
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        if (std::string(d->name) == name) return d;
    }
    return nullptr;
}

bool WindowShown(const Nodo* node) {
    const Descriptor* d = nullptr;
    if (auto* e = dynamic_cast<const Creador*>(node)) d = e->descriptor;
    if (auto* x = dynamic_cast<const Daemon*>(node)) d = x->descriptor;
    return d && d->window && d->window->IsWindowVisible();
}

// A list of two made-up objects, standing in for a subsystem that lists its elements.
int g_object_selected = -1;
int g_object_selects = 0;
const ui::ElementSource kTwoObjects = {
    [] { return 2; }, [](int i) { return std::string(i == 0 ? "Floor" : "Bucket"); },
    [](int i) {
        g_object_selected = i;
        ++g_object_selects;
    },
    [] { return g_object_selected; }};

}  // namespace

class PanelsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { uitest::FreshProgram(); }
    void cleanup() { platform::SetDialogFactory(nullptr); }

    void classButtonsMakeTheirClass() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        // The shipped daemons keep their fixed places on the buttons.
        const int daemon_order[12] = {3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12};
        for (int b = 0; b < 12; ++b) QCOMPARE(panels->DaemonButtonClass(b), daemon_order[b]);
        int fluids = 0, daemons = 0;
        for (int b = 0; b < 12; ++b) {
            const struct {
                int id;
                ui::QtDialog* panel;
                int control;
                int list;
            } sides[] = {{panels->EmitterButtonClass(b), panels->fluid_panel(), ui::kEmitterButtonIds[b], ui::kIdFluidList},
                         {panels->DaemonButtonClass(b), panels->daemon_panel(), ui::kDaemonButtonIds[b], ui::kIdDaemonList}};
            for (const auto& side : sides) {
                auto* button = qobject_cast<QPushButton*>(side.panel->ControlWidget(side.control));
                QCOMPARE(!button->isHidden(), FindPluginClass(side.id) != nullptr);
                if (button->isHidden()) continue;
                button->click();
                const bool emitter = side.panel == panels->fluid_panel();
                const Nodo* made = emitter ? static_cast<Nodo*>(selflow->emitter) : seldaemon;
                const Descriptor* cls = emitter ? selflow->emitter->descriptor : seldaemon->descriptor;
                QCOMPARE(cls->class_id, side.id);
                QCOMPARE(button->text(), QString(cls->label));
                QCOMPARE(side.panel->ListCount(side.list), emitter ? ++fluids : ++daemons);
                QCOMPARE(side.panel->ListSelection(side.list), side.panel->ListCount(side.list) - 1);
                QVERIFY(WindowShown(made));
            }
        }
        QCOMPARE(fluids, 12);  // every shipped emitter has a button
        QCOMPARE(daemons, 12);
        QVERIFY(window.modified());
    }

    void listsFollowDeletingAndLoading() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        platform::Dialog* fluids = panels->fluid_panel();
        platform::Dialog* daemons = panels->daemon_panel();
        // Opened by a relative path, the workspace is remembered by its whole path.
        const QString absolute = QFileInfo(uitest::Example("fountain.ulw")).absoluteFilePath();
        const QString relative = QDir::current().relativeFilePath(absolute);
        QVERIFY(QDir::isRelativePath(relative));
        QVERIFY(window.OpenWorkspace(relative));
        QCOMPARE(window.workspace(), absolute);
        std::string recent[kRecentWorkspaces];
        QVERIFY(config::RecentWorkspaces(recent) >= 1);
        QCOMPARE(QString::fromStdString(recent[0]), absolute);
        const std::vector<std::string> fountain = {"Gravity", "Drag", "Ground plane", "Kill volume"};
        QCOMPARE(Items(fluids, ui::kIdFluidList), std::vector<std::string>{"Spray (Dumb)"});
        QCOMPARE(Items(daemons, ui::kIdDaemonList), fountain);
        // The scene opens on its first fluid.
        QCOMPARE(fluids->ListSelection(ui::kIdFluidList), 0);
        QVERIFY(WindowShown(rootflow->emitter));

        // Choosing a daemon selects it and shows its window in place of the last one.
        platform::SelectListItem(daemons, ui::kIdDaemonList, 1);
        QCOMPARE(seldaemon, DaemonNamed("Drag"));
        QCOMPARE(selnodo, static_cast<Nodo*>(DaemonNamed("Drag")));
        QVERIFY(WindowShown(DaemonNamed("Drag")));
        QVERIFY(!WindowShown(DaemonNamed("Kill volume")));

        // Deleting it selects the one before.
        platform::ClickControl(daemons, ui::kIdDaemonDelete);
        QCOMPARE(Items(daemons, ui::kIdDaemonList), (std::vector<std::string>{"Gravity", "Ground plane", "Kill volume"}));
        QCOMPARE(seldaemon, DaemonNamed("Gravity"));
        QCOMPARE(daemons->ListSelection(ui::kIdDaemonList), 0);

        // A fluid goes only when the user says yes.
        platform::QueueMessageBoxAnswer(platform::kAnswerNo);
        platform::ClickControl(fluids, ui::kIdFluidDelete);
        QCOMPARE(fluids->ListCount(ui::kIdFluidList), 1);
        const int spray = rootflow->emitter->descriptor->class_id;
        platform::QueueMessageBoxAnswer(platform::kAnswerYes);
        platform::ClickControl(fluids, ui::kIdFluidDelete);
        QCOMPARE(fluids->ListCount(ui::kIdFluidList), 0);
        QVERIFY(rootflow == nullptr && selflow == nullptr);
        QCOMPARE(RegistryIndexOf(spray), -1);  // the class, and its window, went with its last fluid
        QVERIFY(!fluids->IsEnabled(ui::kIdFluidDelete));

        // Loading again replaces whatever was listed; a new workspace empties every list.
        QVERIFY(window.OpenWorkspace(uitest::Example("fountain.ulw")));
        QCOMPARE(Items(fluids, ui::kIdFluidList), std::vector<std::string>{"Spray (Dumb)"});
        QCOMPARE(Items(daemons, ui::kIdDaemonList), fountain);
        platform::QueueMessageBoxAnswer(platform::kAnswerYes);
        window.NewWorkspaceCmd();
        QCOMPARE(fluids->ListCount(ui::kIdFluidList), 0);
        QCOMPARE(daemons->ListCount(ui::kIdDaemonList), 0);
    }

    void selectingAFluidShowsItsOwnEmitterWindow() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        panels->PressEmitterButton(0);  // Circle, class 101
        panels->PressEmitterButton(9);  // Spray, class 110
        Fluido* circle = rootflow;
        Fluido* spray = circle ? circle->next : nullptr;
        QVERIFY(spray != nullptr);
        QVERIFY(WindowShown(spray->emitter) && !WindowShown(circle->emitter));
        platform::SelectListItem(panels->fluid_panel(), ui::kIdFluidList, 0);
        QCOMPARE(selflow, circle);
        QCOMPARE(selnodo, static_cast<Nodo*>(circle->emitter));
        QVERIFY(WindowShown(circle->emitter) && !WindowShown(spray->emitter));
        // The emitter window edits the emitter shown: its position field moves it.
        platform::TypeIntoField(circle->emitter->descriptor->window, 1001, "0.75");
        QCOMPARE(circle->emitter->pos[AY], 0.75f);
        QCOMPARE(spray->emitter->pos[AY], 0.0f);
    }

    void nothingJoinsOrLeavesTheSceneWhileItRuns() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        QVERIFY(window.OpenWorkspace(uitest::Example("fountain.ulw")));
        auto enabled = [&] {
            return panels->fluid_panel()->IsEnabled(ui::kEmitterButtonIds[0]) &&
                   panels->daemon_panel()->IsEnabled(ui::kDaemonButtonIds[0]) &&
                   panels->fluid_panel()->IsEnabled(ui::kIdFluidDelete) &&
                   panels->daemon_panel()->IsEnabled(ui::kIdDaemonDelete);
        };
        QVERIFY(enabled());
        window.StartFullCmd();
        window.RefreshCommands();
        QVERIFY(!panels->fluid_panel()->IsEnabled(ui::kEmitterButtonIds[0]));
        QVERIFY(!panels->daemon_panel()->IsEnabled(ui::kIdDaemonDelete));
        panels->PressDaemonButton(0);  // refused even when called directly
        QTRY_VERIFY(frame >= 2);
        window.StopCmd();
        QTRY_VERIFY(!sim::Running());
        QTRY_VERIFY(enabled());
        QCOMPARE(panels->daemon_panel()->ListCount(ui::kIdDaemonList), 4);
        // The status bar's frame is the scene's once the run has stopped.
        const QList<QLabel*> frame_text = window.findChildren<QLabel*>();
        bool shown = false;
        for (QLabel* l : frame_text) shown = shown || l->text() == QString("Frame %1").arg(frame);
        QVERIFY(shown);
        sim::Reset();

        // A double click renames a daemon.
        auto* list = qobject_cast<QListWidget*>(panels->daemon_panel()->ControlWidget(ui::kIdDaemonList));
        emit list->itemDoubleClicked(list->item(0));
        auto* edit = list->viewport()->findChild<QLineEdit*>();
        QVERIFY(edit);
        QCOMPARE(edit->text(), QString("Gravity"));
        edit->setText("Moon gravity");
        emit edit->editingFinished();
        QVERIFY(DaemonNamed("Moon gravity") && !DaemonNamed("Gravity"));
        QCOMPARE(panels->daemon_panel()->ListText(ui::kIdDaemonList, 0), std::string("Moon gravity"));
        QVERIFY(window.modified());
    }

    void objectAndMeshListsShowTheirSource() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        QCOMPARE(panels->object_list()->count(), 0);
        g_object_selected = -1;
        ui::SetElementSource(ui::kElementObjects, &kTwoObjects);
        QCOMPARE(panels->object_list()->count(), 2);
        QCOMPARE(panels->object_list()->item(1)->text(), QString("Bucket"));
        panels->object_list()->setCurrentRow(1);
        QCOMPARE(g_object_selected, 1);
        // Selected elsewhere (in the viewport, say): the list follows without selecting again.
        g_object_selects = 0;
        g_object_selected = 0;
        panels->Refresh();
        QCOMPARE(panels->object_list()->currentRow(), 0);
        QCOMPARE(g_object_selects, 0);
        QCOMPARE(panels->mesh_list()->count(), 0);
        ui::SetElementSource(ui::kElementObjects, nullptr);
        QCOMPARE(panels->object_list()->count(), 0);
    }

    void docksKeepTheirPlaces() {
        QByteArray state;
        {
            ui::MainWindow window;
            QCOMPARE(window.dockWidgetArea(window.panels()->fluid_dock()), Qt::LeftDockWidgetArea);
            window.addDockWidget(Qt::RightDockWidgetArea, window.panels()->fluid_dock());
            window.panels()->mesh_dock()->hide();
            state = window.saveState();
        }
        ui::MainWindow again;
        QVERIFY(again.restoreState(state));
        QCOMPARE(again.dockWidgetArea(again.panels()->fluid_dock()), Qt::RightDockWidgetArea);
        QVERIFY(again.panels()->mesh_dock()->isHidden());
    }
};

QTEST_MAIN(PanelsTest)
#include "panels_test.moc"
