// The fluid panel, the plug-ins manager, the customise dialogs and the scene tree on real
// widgets, without a screen.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <vector>

#include "fluid/fluid_panel.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "platform/message_box.h"
#include "mesh/mesh.h"
#include "mesh/mesh_panel.h"
#include "objects/body.h"
#include "objects/object_panel.h"
#include "platform/file_dialog.h"
#include "plugins/class_buttons.h"
#include "plugins/manager.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/node_panel.h"
#include "scene/axes.h"
#include "ui/main_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/scene_tree_window.h"
#include "ui_fixture.h"

namespace {

using fluid_panel::SubPanel;

QWidget* Control(platform::Dialog* d, int id) { return dynamic_cast<ui::QtDialog*>(d)->ControlWidget(id); }

// Types into a field and leaves it, as the user does.
void Enter(platform::Dialog* d, int id, const char* text) {
    auto* field = qobject_cast<QLineEdit*>(Control(d, id));
    field->setText(text);
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(field, &out);
}

void Click(platform::Dialog* d, int id) { qobject_cast<QAbstractButton*>(Control(d, id))->click(); }

std::vector<int> Buttons(const ui::ScenePanels* p, bool daemons) {
    std::vector<int> ids;
    for (int b = 0; b < kClassButtons; ++b) ids.push_back(daemons ? p->DaemonButtonClass(b) : p->EmitterButtonClass(b));
    return ids;
}

QWidget* OpenWindow(const QString& title) {
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == title) return w;
    }
    return nullptr;
}

// Loads the plug-ins of dir through the manager's own buttons.
void LoadThroughManager(ui::MainWindow& window, const QString& dir) {
    window.Action("tools.plugins")->trigger();
    platform::Dialog* manager = plugins_manager::OpenManager();
    Enter(manager, plugins_manager::kIdDirectory, dir.toLocal8Bit().constData());
    Click(manager, plugins_manager::kIdLoadPlugins);
}

}  // namespace

class WindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { uitest::FreshProgram(); }
    void cleanup() { platform::SetDialogFactory(nullptr); }

    void fluidPanelChecksItsFields() {
        ui::MainWindow window;
        window.panels()->PressEmitterButton(4);  // Cube: a liquid
        Fluido* f = selflow;
        QVERIFY(f && f->type == kFluidLiquid);
        QCOMPARE(window.panels()->fluid_panel()->ListText(ui::kIdFluidList, 0), std::string("Cube (Liquid)"));
        platform::Dialog* liquid = SubPanel(kFluidLiquid);
        QVERIFY(!dynamic_cast<QWidget*>(liquid)->isHidden());

        Enter(liquid, fluid_panel::kIdDensity, "-20");
        QCOMPARE(platform::LastMessageBoxText(), std::string(fluid_panel::kMsgDensityNotValid));
        QCOMPARE(f->restDensity, 1000.0f);
        QCOMPARE(qobject_cast<QLineEdit*>(Control(liquid, fluid_panel::kIdDensity))->text(), QString(" 1000"));
        QVERIFY(f->count > 0);  // started again: the cube is filled

        // Viscous after Liquid: the emitter hears the type just left and gives the new type's
        // start values; the list shows the type.
        Click(fluid_panel::Window(), fluid_panel::kIdGas + 2);  // Viscous
        QCOMPARE(f->type, static_cast<unsigned char>(kFluidViscous));
        QCOMPARE(f->pressureK.value, 100.0f);
        QCOMPARE(window.panels()->fluid_panel()->ListText(ui::kIdFluidList, 0), std::string("Cube (Viscous)"));
        QVERIFY(!Control(liquid, fluid_panel::kIdConductivity)->isEnabled());

        Click(fluid_panel::Window(), fluid_panel::kIdElastic);
        QVERIFY(!dynamic_cast<QWidget*>(SubPanel(kFluidElastic))->isHidden());
        QVERIFY(dynamic_cast<QWidget*>(liquid)->isHidden());
        // The emitter's window stays below the fluid's own, whichever sub-panel shows.
        auto* emitter = dynamic_cast<QWidget*>(f->emitter->descriptor->window);
        QVERIFY(emitter->geometry().top() > dynamic_cast<QWidget*>(fluid_panel::Window())->geometry().bottom());
        QVERIFY(window.modified());
        // "Delete particles by selection" and Edit → Select particles are one mode.
        Click(fluid_panel::Window(), fluid_panel::kIdDeleteBySelection);
        QVERIFY(window.Action("edit.particles")->isChecked());
        window.Action("edit.particles")->trigger();
        QVERIFY(!qobject_cast<QAbstractButton*>(Control(fluid_panel::Window(), fluid_panel::kIdDeleteBySelection))->isChecked());

        // Deleting needs a selected fluid.
        selflow = nullptr;
        window.panels()->Refresh();
        Click(window.panels()->fluid_panel(), ui::kIdFluidDelete);
        QCOMPARE(platform::LastMessageBoxText(), std::string("Select a fluid before"));
        QVERIFY(rootflow != nullptr);
    }

    void loadPluginsShowsTheReportAndHidesButtonsOfMissingClasses() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        QTemporaryDir dir;
        QVERIFY(QFile::copy(PLUGIN_GOOD, dir.filePath("daemons.so")));  // class 3 alone
        QVERIFY(QFile::copy(PLUGIN_ALL_REJECTED, dir.filePath("f_rejected.so")));
        LoadThroughManager(window, dir.path());
        // The report's own text is pinned with the manager; here it must reach the widget whole.
        auto* report = qobject_cast<QPlainTextEdit*>(Control(plugins_manager::OpenManager(), plugins_manager::kIdReport));
        QVERIFY(report->toPlainText().contains("F_REJECTED.SO"));
        QCOMPARE(report->toPlainText().remove('\r'),
                 QString::fromStdString(plugins_manager::PluginsReport()).remove('\r'));
        // A library under the shipped name that lacks most of the fixed classes: their
        // buttons have no caption, are not shown and make nothing.
        QCOMPARE(Buttons(panels, true), (std::vector<int>{3, 1, 4, 2, 7, 6, 5, 9, 8, 10, 11, 12}));
        auto* first = qobject_cast<QPushButton*>(panels->daemon_panel()->ControlWidget(ui::kDaemonButtonIds[0]));
        QCOMPARE(first->text(), QString("Wind"));
        auto* second = qobject_cast<QPushButton*>(panels->daemon_panel()->ControlWidget(ui::kDaemonButtonIds[1]));
        QVERIFY(second->isHidden() && second->text().isEmpty());
        platform::ClearMessageBoxes();
        panels->PressDaemonButton(1);
        QVERIFY(FirstDaemon() == nullptr);
        QCOMPARE(platform::MessageBoxCount(), 0);
    }

    void customiseDialogsKeepTheAssignmentOnlyOnClose() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        const std::vector<int> found = Buttons(panels, true);
        auto* first = qobject_cast<QPushButton*>(panels->daemon_panel()->ControlWidget(ui::kDaemonButtonIds[0]));
        for (int way = 0; way < 3; ++way) {
            Click(panels->daemon_panel(), ui::kIdDaemonCustomise);
            QWidget* dialog = OpenWindow("Add/Customize daemons");
            QVERIFY(dialog);
            platform::Dialog* d = plugins_manager::OpenCustomise(kClassDaemon);
            QCOMPARE(dynamic_cast<QWidget*>(d), dialog);
            Click(d, plugins_manager::kIdSlot);
            auto* classes = qobject_cast<QListWidget*>(Control(d, plugins_manager::kIdClassList));
            QCOMPARE(classes->currentRow(), 0);  // Gravity, the slot's class
            classes->setCurrentRow(4);           // Vortex
            QCOMPARE(panels->DaemonButtonClass(0), 7);
            QCOMPARE(first->text(), QString("Gravity"));  // the panel changes when the dialog ends
            if (way == 0) dialog->close();
            if (way == 1) QTest::keyClick(dialog, Qt::Key_Escape);
            if (way == 2) Click(d, plugins_manager::kIdCustomiseClose);
            QVERIFY(!dialog->isVisible());
            QCOMPARE(Buttons(panels, true)[0], way < 2 ? found[0] : 7);
        }
        QCOMPARE(first->text(), QString("Vortex"));
        first->click();
        QCOMPARE(seldaemon->descriptor->class_id, 7);
    }

    void theSceneTreeLinksAndUnlinks() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        panels->PressEmitterButton(4);  // Cube
        panels->PressEmitterButton(9);  // Spray
        panels->PressDaemonButton(0);   // Gravity
        panels->PressDaemonButton(2);   // Drag
        Fluido* cube = rootflow;
        Fluido* spray = cube->next;
        window.Action("tools.tree")->trigger();
        ui::SceneTreeWindow* tree = ui::SceneTreeWindow::Current();
        QVERIFY(tree && tree->isVisible());
        QCOMPARE(tree->list(kLinkDaemons)->count(), 2);

        // "Insert daemons from selection" on the spray's daemons.
        tree->list(kLinkDaemons)->item(1)->setSelected(true);
        QTreeWidgetItem* spray_daemons = nullptr;
        for (QTreeWidgetItem* i : tree->tree()->findItems("Daemons", Qt::MatchRecursive)) {
            if (tree->ItemOf(i)->fluid == spray) spray_daemons = i;
        }
        QVERIFY(spray_daemons);
        tree->RunCommand(0, spray_daemons);
        QCOMPARE(spray->numDaemons, 1);
        QCOMPARE(cube->numDaemons, 0);
        const QList<QTreeWidgetItem*> drag = tree->tree()->findItems("Drag", Qt::MatchRecursive);
        QCOMPARE(drag.size(), 1);
        QVERIFY(drag[0]->parent()->isExpanded());

        // Delete on a linked item unlinks it.
        tree->tree()->setCurrentItem(drag[0]);
        QTest::keyClick(tree, Qt::Key_Delete);
        QCOMPARE(spray->numDaemons, 0);
        QVERIFY(tree->tree()->findItems("Drag", Qt::MatchRecursive).isEmpty());

        auto button = [&](const char* text) {
            for (QPushButton* b : tree->findChildren<QPushButton*>()) {
                if (b->text() == text) return b;
            }
            return static_cast<QPushButton*>(nullptr);
        };
        button("ALL to ALL")->click();
        QCOMPARE(cube->numDaemons, 2);
        QCOMPARE(spray->numLinkedFluids, 1);
        QCOMPARE(tree->tree()->findItems("Gravity", Qt::MatchRecursive).size(), 2);
        button("Clean ALL")->click();
        QCOMPARE(cube->numDaemons + cube->numLinkedFluids + spray->numDaemons, 0);
        QVERIFY(window.modified());
        tree->close();
    }

    void objectsAndMeshesAreListedInTheirDocks() {
        ui::MainWindow window;
        ui::ScenePanels* panels = window.panels();
        QTemporaryDir dir;
        QFile obj(dir.filePath("wedge.obj"));
        QVERIFY(obj.open(QIODevice::WriteOnly));
        obj.write("v 0 0 0\nv 2 0 0\nv 0 1 0\nv 0 0 3\nf 1 2 3\nf 1 3 4\nf 1 4 2\nf 2 4 3\n");
        obj.close();
        platform::QueueOpenFileAnswer(dir.filePath("wedge.obj").toStdString());
        Click(panels->object_panel(), kIdImportObject);
        QCOMPARE(panels->object_list()->count(), 1);
        QCOMPARE(panels->object_list()->item(0)->text(), QString("wedge.obj"));
        QCOMPARE(panels->object_list()->currentRow(), 0);
        QCOMPARE(qobject_cast<QLabel*>(Control(panels->object_panel(), kIdObjectPoints))->text(), QString("4"));
        QVERIFY(window.modified());

        // "Fit to object": the kill box becomes the object's world box.
        panels->PressEmitterButton(0);
        SetObjectChooser(nullptr);  // the preset answer instead of the window's chooser
        SetObjectChooserAnswer(BodyAt(0));
        platform::Dialog* destruction = fluid_panel::OpenDestruction();
        Click(destruction, fluid_panel::kIdShowAge + 1);  // Volume
        Click(destruction, fluid_panel::kIdFitToObject);
        QCOMPARE(selflow->killBoxMax.z, 3.0f * scene_scale);
        QCOMPARE(selflow->killBoxMin.x, 0.0f);
        SetObjectChooserAnswer(nullptr);

        // Removed: the list empties, the panel stays for the next import, greyed.
        panels->object_list()->setCurrentRow(0);
        Click(panels->object_panel(), kIdRemoveObject);
        QCOMPARE(panels->object_list()->count(), 0);
        QVERIFY(!panels->object_panel()->isHidden());
        QVERIFY(!Control(panels->object_panel(), kIdFriction)->isEnabled());
        QVERIFY(Control(panels->object_panel(), kIdImportObject)->isEnabled());

        // Meshes: the dock lists what the panel makes, and choosing there chooses the mesh.
        Click(panels->mesh_panel(), mesh_panel::kIdNewMesh);
        Click(panels->mesh_panel(), mesh_panel::kIdNewMesh);
        QCOMPARE(panels->mesh_list()->count(), 2);
        QCOMPARE(panels->mesh_list()->item(1)->text(), QString("MeshA"));
        panels->mesh_list()->setCurrentRow(0);
        QCOMPARE(selmesh, rootmesh);
        QCOMPARE(panels->mesh_panel()->ListSelection(mesh_panel::kIdTree), 0);
    }
};

QTEST_MAIN(WindowsTest)
#include "windows_test.moc"
