// Makes the guides' pictures: the main window with the fountain loaded, the same scene in the
// middle of its run, the falling block's surface, the panels and the envelope editor. Run under a virtual X server by
// docs/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTreeWidget>
#include <QSurfaceFormat>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdio>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluid_panel.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "mesh/mesh.h"
#include "fluid/scene_tree.h"
#include "mesh/mesh_panel.h"
#include "objects/object_panel.h"
#include "platform/file_dialog.h"
#include "platform/message_box.h"
#include "plugins/manager.h"
#include "platform/dialog.h"
#include "scene/anifloat.h"
#include "scene/descriptor.h"
#include "scene/envelope.h"
#include "scene/envelope_editor.h"
#include "scene/soundwave.h"
#include "ui/application.h"
#include "ui/envelope_window.h"
#include "ui/main_window.h"
#include "ui/message_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/scene_tree_window.h"
#include "ui/viewport.h"
#include "ui_fixture.h"

namespace {

// Two seconds of an 8-bit mono sound at 8000 samples a second whose loudness swells and
// falls three times: something for the audio window to show.
QString WriteSound(const QString& dir) {
    const QString path = dir + "/swells.wav";
    const int rate = 8000, count = 2 * rate;
    QByteArray data;
    auto u32 = [&](quint32 v) { for (int i = 0; i < 4; ++i) data.append(static_cast<char>((v >> (8 * i)) & 0xFF)); };
    auto u16 = [&](quint16 v) { data.append(static_cast<char>(v & 0xFF)).append(static_cast<char>(v >> 8)); };
    data.append("RIFF");
    u32(36 + count);
    data.append("WAVEfmt ");
    u32(16);
    u16(1);
    u16(1);
    u32(rate);
    u32(rate);
    u16(1);
    u16(8);
    data.append("data");
    u32(count);
    for (int i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double loud = 0.5 - 0.5 * std::cos(2.0 * 3.14159265 * 1.5 * t);
        data.append(static_cast<char>(128 + static_cast<int>(120.0 * loud * std::sin(2.0 * 3.14159265 * 220.0 * t))));
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) return QString();
    return path;
}

// A ramp sloping down along x: a slab of eight corners and twelve triangles.
QString WriteRamp(const QString& dir) {
    const QString path = dir + "/ramp.obj";
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return QString();
    file.write("# ramp\n"
               "v -1.2 0.70 -0.6\nv 1.2 0.10 -0.6\nv 1.2 0.10 0.6\nv -1.2 0.70 0.6\n"
               "v -1.2 0.60 -0.6\nv 1.2 0.00 -0.6\nv 1.2 0.00 0.6\nv -1.2 0.60 0.6\n"
               "f 1 2 3\nf 1 3 4\nf 5 7 6\nf 5 8 7\nf 1 5 6\nf 1 6 2\n"
               "f 2 6 7\nf 2 7 3\nf 3 7 8\nf 3 8 4\nf 4 8 5\nf 4 5 1\n");
    return path;
}

// Runs the scene until the frame, then stops.
void RunToFrame(int last) {
    sim::StopAtFrame(last);
    ui::TheMainWindow()->StartFullCmd();
    QElapsedTimer clock;
    clock.start();
    while (frame < last && clock.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    sim::RequestStop();
    while (sim::Running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
}

bool Save(QWidget* w, const QString& path) {
    QCoreApplication::processEvents();
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

// A scene of two fluids and three daemons: the fluid panel on a block of liquid, the scene
// tree with a daemon linked to the second fluid, and the plug-ins manager.
bool PanelPictures(ui::MainWindow& window, const QString& out) {
    ui::ScenePanels* panels = window.panels();
    platform::QueueMessageBoxAnswer(platform::kAnswerYes);
    window.NewWorkspaceCmd();
    // An object first: a ramp, imported through the panel's button.
    const QString ramp = WriteRamp(QDir::tempPath());
    platform::QueueOpenFileAnswer(ramp.toLocal8Bit().toStdString());
    platform::ClickControl(panels->object_panel(), kIdImportObject);
    panels->object_dock()->raise();
    bool ok = Save(panels->object_dock(), out + "/import-object.png");
    panels->daemon_dock()->raise();

    panels->PressDaemonButton(0);  // Gravity
    panels->PressEmitterButton(4);  // Cube: a block of liquid
    panels->PressEmitterButton(9);  // Spray
    panels->PressDaemonButton(2);  // Drag
    panels->PressDaemonButton(6);  // Kill volume
    panels->SelectFluid(rootflow);
    window.RefreshCommands();
    ok = Save(panels->fluid_panel(), out + "/fluid-panel.png") && ok;
    const struct {
        platform::Dialog* (*open)();
        const char* name;
    } dialogs[] = {{fluid_panel::OpenDestruction, "/fluid-destruction.png"}, {fluid_panel::OpenOutput, "/fluid-output.png"}};
    for (const auto& [open, name] : dialogs) {
        auto* dialog = dynamic_cast<QWidget*>(open());
        ok = dialog && Save(dialog, out + name) && ok;
        if (dialog) dialog->close();
    }

    ui::SceneTreeWindow* tree = ui::SceneTreeWindow::Open(&window);
    // Gravity acts on both fluids, drag on the spray only.
    tree->list(kLinkDaemons)->item(0)->setSelected(true);
    tree->AddToAll(kLinkDaemons);
    tree->list(kLinkDaemons)->clearSelection();
    tree->list(kLinkDaemons)->item(1)->setSelected(true);
    for (QTreeWidgetItem* item : tree->tree()->findItems("Daemons", Qt::MatchRecursive)) {
        const scene_tree::Item* row = tree->ItemOf(item);
        if (row && row->fluid == rootflow->next) tree->RunCommand(scene_tree::kInsertSelected, item);
    }
    // The block of liquid lands on the ramp.
    for (QTreeWidgetItem* item : tree->tree()->findItems("Objects", Qt::MatchRecursive)) {
        const scene_tree::Item* row = tree->ItemOf(item);
        if (row && row->fluid == rootflow) tree->RunCommand(scene_tree::kInsertAll, item);
    }
    tree->tree()->setCurrentItem(tree->tree()->findItems("Drag", Qt::MatchRecursive).value(0));
    ok = Save(tree, out + "/scene-tree.png") && ok;
    tree->close();

    // A mesh fed by the block, its link chosen.
    platform::ClickControl(panels->mesh_panel(), mesh_panel::kIdNewMesh);
    platform::SelectListItem(panels->mesh_panel(), mesh_panel::kIdFluids, 0);
    platform::ClickControl(panels->mesh_panel(), mesh_panel::kIdInsertSelected);
    platform::SelectListItem(panels->mesh_panel(), mesh_panel::kIdTree, 1);
    panels->mesh_dock()->raise();
    ok = Save(panels->mesh_panel(), out + "/mesh-panel.png") && ok;
    panels->daemon_dock()->raise();

    auto* manager = dynamic_cast<QWidget*>(plugins_manager::OpenManager());
    if (!manager) return false;
    manager->resize(manager->width(), manager->height());
    ok = Save(manager, out + "/plugins-manager.png") && ok;
    manager->close();
    auto* customise = dynamic_cast<QWidget*>(plugins_manager::OpenCustomise(kClassEmitter));
    if (!customise) return false;
    ok = Save(customise, out + "/customise-emitters.png") && ok;
    customise->close();
    window.SetModified(false);
    return ok;
}

// The falling block a few frames into its run, its surface shaded.
bool MeshPicture(ui::MainWindow& window, const QString& out) {
    if (!window.OpenWorkspace(uitest::Example("falling_block.ulw")) || !rootmesh) return false;
    rootmesh->display = kDisplaySmooth;
    // A picture, not files.
    rootmesh->outLwo2 = rootmesh->outObj = 0;
    for (Fluido* f = rootflow; f; f = f->next) f->outBin = 0;
    RunToFrame(14);
    window.viewport()->update();
    const bool ok = Save(window.viewport(), out + "/mesh-surface.png");
    window.SetModified(false);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    ui::UseViewportGlFormat();
    QApplication app(argc, argv);
    const QString out = argc > 1 ? argv[1] : "docs/images";
    QDir().mkpath(out);

    uitest::FreshProgram();
    ui::MainWindow window;
    ui::InstallQtDialogs(&window);
    window.resize(1280, 800);
    window.show();
    window.OpenWorkspace(uitest::Example("fountain.ulw"));
    window.messages()->show();
    bool ok = Save(&window, out + "/main-window.png");

    RunToFrame(45);
    ok = Save(&window, out + "/mid-simulation.png") && ok;
    window.SetModified(false);
    ok = MeshPicture(window, out) && ok;
    ok = PanelPictures(window, out) && ok;

    // The envelope editor on a parameter with a few keys, one of them a Tangent key.
    ANIFloat param;
    param.InitValue(1.0f, "Viscosity");
    param.envelope = new Envelope(60, 1.0f, 0.0f, 0.0f);
    // The sound first: it sets the envelope's length and its keys.
    const QString sound = WriteSound(QDir::tempPath());
    if (!sound.isEmpty() && LoadEnvelopeAudio(param.envelope, sound.toLocal8Bit().constData())) {
        SetAudioOversampling(param.envelope, 200);
        SetAudioScale(param.envelope, 0.02f);
    }
    param.envelope->InsertKey(18.0f, 2.2f);
    Pcontrol* tangent = param.envelope->InsertKey(36.0f, 0.6f);
    SetKeyType(param.envelope, tangent, kKeyTangent);
    tangent->slope_in = tangent->slope_out = -0.04f;
    param.envelope->show_flag = 1;
    param.envelope->Resample();
    QTimer::singleShot(200, [&] {
        auto* editor = dynamic_cast<QWidget*>(ui::OpenEnvelopeEditor());
        if (editor) {
            platform::ClickControl(ui::OpenEnvelopeEditor(), ui::kIdEnvFit);
            platform::ClickControl(ui::OpenEnvelopeEditor(), ui::kIdEnvAudio);
            ui::OpenEnvelopeCurve()->view().Select(tangent);
            ok = Save(editor, out + "/envelope-editor.png") && ok;
            platform::ClickControl(ui::OpenEnvelopeEditor(), platform::kIdOk);
        } else {
            ok = false;
        }
    });
    ui::RunEnvelopeEditor(nullptr, 0, &param, param.envelope, 0);
    ui::CloseInterfaceWindows();
    return ok ? 0 : 1;
}
