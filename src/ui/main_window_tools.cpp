// The main window's tools: picking in the viewport, copies and arrays of elements, and the
// image output of "Save images".
#include <QAction>
#include <QButtonGroup>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "fluid/clock.h"
#include "fluid/clone.h"
#include "fluid/driver.h"
#include "fluid/element_array.h"
#include "fluid/fluid_panel.h"
#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "objects/body.h"
#include "objects/object_panel.h"
#include "output/frame_capture.h"
#include "platform/dialog.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/nodo.h"
#include "scene/view_settings.h"
#include "ui/capture_requests.h"
#include "ui/main_window.h"
#include "ui/mesh_face.h"
#include "ui/picking.h"
#include "ui/scene_panels.h"
#include "ui/viewport.h"

namespace ui {
namespace {

// The copies the array window made show in the panels, the last one selected.
intptr_t ArrayWindow(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam) {
    const intptr_t answer = ArrayWindowProc(d, msg, wparam, lparam);
    if (msg == platform::kMsgCommand && platform::CommandId(wparam) == kIdArrayCreate) {
        if (MainWindow* w = TheMainWindow()) {
            if (selnodo && selnodo->kind == kKindEmitter) w->panels()->SelectFluid(selflow);
            w->panels()->Refresh();
            w->SetModified(true);
            w->RefreshCommands();
        }
    }
    return answer;
}

QString AskImageFile(QWidget* parent) {
    QString filter;
    const QString start = image_output.directory[0] ? QString::fromLocal8Bit(image_output.directory) : QString();
    QString path = QFileDialog::getSaveFileName(parent, "Save images", start,
                                                "Targa files (*.tga);;JPEG files (*.jpg);;AVI files (*.avi)", &filter);
    // A name typed without its extension takes the one of the chosen filter.
    if (!path.isEmpty() && output::ImageTypeOfName(path.toStdString()) == 0) {
        path += filter.startsWith("JPEG") ? ".jpg" : filter.startsWith("AVI") ? ".avi" : ".tga";
    }
    return path;
}

// The movie's compression: full frames, or Motion-JPEG at a quality. -1 when cancelled.
int AskMovieQuality(QWidget* parent) {
    QDialog d(parent);
    d.setWindowTitle("Video compression");
    auto* layout = new QVBoxLayout(&d);
    auto* full = new QRadioButton("Full frames (uncompressed)", &d);
    auto* jpeg = new QRadioButton("Motion JPEG", &d);
    const int last = output::DefaultMovieQuality();
    (last > 0 ? jpeg : full)->setChecked(true);
    auto* quality = new QSpinBox(&d);
    quality->setRange(1, 100);
    quality->setValue(last > 0 ? last : 90);
    auto* form = new QFormLayout;
    form->addRow("Quality (1-100):", quality);
    layout->addWidget(full);
    layout->addWidget(jpeg);
    layout->addLayout(form);
    QObject::connect(jpeg, &QRadioButton::toggled, quality, &QSpinBox::setEnabled);
    quality->setEnabled(jpeg->isChecked());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &d);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &d, &QDialog::reject);
    layout->addWidget(buttons);
    if (d.exec() != QDialog::Accepted) return -1;
    return jpeg->isChecked() ? quality->value() : 0;
}

}  // namespace

void MainWindow::InstallToolHooks() {
    choose_image_file = [this] { return AskImageFile(this); };
    choose_movie_quality = [this] { return AskMovieQuality(this); };
    viewport_->on_picked = [this](Nodo* node) { OnPicked(node); };
    viewport_->on_clone = [this] { return CloneSelectedElement(); };
    viewport_->on_particle_mode_left = [this] {
        if (QAction* a = Action("edit.particles")) a->setChecked(false);
        fluid_panel::SetDeleteBySelection(false);
    };
    // The fluid panel's "Delete particles by selection" is the same mode as the command.
    fluid_panel::SetDeleteBySelectionHook([](bool on) {
        MainWindow* w = TheMainWindow();
        if (!w || !w->Action("edit.particles")) return;
        w->Action("edit.particles")->setChecked(on);
        w->SelectParticlesCmd();
    });
    SimulationHooks().capture_image = CaptureHook;
    // A picked object is the one the object panel shows.
    SetPickedHandler(kKindObject, [](Nodo* node) { ShowObjectPanel(static_cast<Body*>(node)); });
    SetPickedHandler(kKindMesh, [](Nodo* node) { ShowPickedMesh(static_cast<Mesh*>(node)); });
}

void MainWindow::OnPicked(Nodo* node) {
    if (node && node->kind == kKindDaemon) {
        if (auto* d = dynamic_cast<Daemon*>(node)) {
            const int item = DaemonItem(d);
            if (item >= 0) {
                SelectDaemonItem(item);
            } else {
                seldaemon = d;
            }
            selnodo = d;
        }
    } else if (node && node->kind == kKindEmitter) {
        if (Fluido* f = static_cast<Creador*>(node)->fluid) panels_->SelectFluid(f);
    } else if (node) {
        if (PickedHandler handler = GetPickedHandler(node->kind)) handler(node);
    }
    RefreshCommands();
}

Nodo* MainWindow::CloneSelectedElement() {
    if (sim::Running()) return nullptr;
    Nodo* copy = CloneSelected();
    if (!copy) return nullptr;
    if (copy->kind == kKindEmitter) panels_->SelectFluid(selflow);
    panels_->Refresh();
    selnodo = copy;
    SetModified(true);
    RefreshCommands();
    viewport_->update();
    return copy;
}

void MainWindow::SelectToolCmd() { viewport_->SetTool(Viewport::kToolSelect); }

void MainWindow::SelectParticlesCmd() {
    viewport_->particle_selection = Action("edit.particles")->isChecked();
    fluid_panel::SetDeleteBySelection(viewport_->particle_selection);
}

void MainWindow::LockSelectionCmd() { viewport_->selection_locked = Action("view.lock")->isChecked(); }

void MainWindow::SetElementDisplay(int mode) {
    if (!selnodo) {
        platform::MessageBox("No element selected");
        return;
    }
    selnodo->display = static_cast<uint8_t>(mode);
    SetModified(true);
    viewport_->update();
}

void MainWindow::SetSceneDisplay(int mode) {
    for (Body* b = rootbody.next; b; b = b->next) b->display = static_cast<uint8_t>(mode);
    for (Mesh* m = rootmesh; m; m = m->nextMesh) m->display = static_cast<uint8_t>(mode);
    SetModified(true);
    viewport_->update();
}

void MainWindow::ElementBoxCmd() { SetElementDisplay(kDisplayBox); }
void MainWindow::ElementWireCmd() { SetElementDisplay(kDisplayWire); }
void MainWindow::ElementFlatCmd() { SetElementDisplay(kDisplayFlat); }
void MainWindow::ElementSmoothCmd() { SetElementDisplay(kDisplaySmooth); }
void MainWindow::SceneBoxCmd() { SetSceneDisplay(kDisplayBox); }
void MainWindow::SceneWireCmd() { SetSceneDisplay(kDisplayWire); }
void MainWindow::SceneFlatCmd() { SetSceneDisplay(kDisplayFlat); }
void MainWindow::SceneSmoothCmd() { SetSceneDisplay(kDisplaySmooth); }

void MainWindow::CloneCmd() { CloneSelectedElement(); }

void MainWindow::ArrayCmd() {
    static platform::Dialog* window = nullptr;
    if (window && window->IsOpen()) {
        window->ShowWindow(true);
        return;
    }
    if (window) platform::DestroyDialog(window);
    window = platform::CreateDialog(ArrayWindowTemplate(), ArrayWindow, nullptr);
}

void MainWindow::SaveImagesCmd() {
    QAction* action = Action("sim.images");
    if (sim_settings.image_output) {
        if (output::MovieOpen() &&
            platform::MessageBox("Close AVI file?", "Undaline", platform::kIconQuestion, platform::kButtonsYesNo) ==
                platform::kAnswerYes) {
            output::CloseMovie();
        }
        sim_settings.image_output = false;
    } else {
        const bool exists = image_output.directory[0] != '\0';
        const bool choose = !exists || platform::MessageBox("New sequence?", "Undaline", platform::kIconQuestion,
                                                            platform::kButtonsYesNo) == platform::kAnswerYes;
        bool on = true;
        const ImageOutput before = image_output;
        if (choose) {
            const QString path = choose_image_file ? choose_image_file() : QString();
            on = !path.isEmpty() && output::ChooseImageSequence(path.toLocal8Bit().toStdString());
            if (!path.isEmpty() && !on) platform::MessageBox("Unknown output file");
            if (on && image_output.file_type == kImageAvi) {
                // A movie starts at once, at the viewport's size, once its compression is chosen.
                const int quality = choose_movie_quality ? choose_movie_quality() : 0;
                const ScenePicture::Options o = viewport_->PictureOptions();
                on = quality >= 0;
                if (on) {
                    output::SetDefaultMovieQuality(quality);
                    on = output::OpenMovie(o.width, o.height, quality);
                    if (!on) {
                        platform::MessageBox(
                            platform::Format("File write error: %s", output::MovieFileName().c_str()).c_str());
                    }
                }
            }
        }
        // Nothing chosen, nothing changed.
        if (!on) image_output = before;
        sim_settings.image_output = on;
        if (on) {
            BlueWarning(platform::Format(" Images: %s", image_output.file_type == kImageAvi
                                                            ? output::MovieFileName().c_str()
                                                            : output::FrameFileName(frame).c_str())
                            .c_str());
        }
    }
    action->setChecked(sim_settings.image_output);
    SetModified(true);
}

}  // namespace ui
