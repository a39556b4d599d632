// Makes the guide's pictures of the tools: picking elements and particles, an array of
// daemons with its window, and a frame of a captured JPEG sequence. Run under a virtual X
// server by docs/screenshots.sh.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QSurfaceFormat>
#include <QThread>
#include <QtTest>

#include <algorithm>
#include <cstdio>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/element_array.h"
#include "fluid/fluido.h"
#include "output/frame_capture.h"
#include "platform/dialog.h"
#include "platform/message_box.h"
#include "plugins/registry.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/view_settings.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/viewport.h"
#include "ui_fixture.h"

namespace {

bool Save(const QImage& image, const QString& path) {
    const bool ok = image.save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QCoreApplication::processEvents();
        QThread::msleep(20);
    }
}

void Drag(QWidget* w, QPoint from, QPoint to) {
    QTest::mousePress(w, Qt::LeftButton, Qt::NoModifier, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(w->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, Qt::NoModifier, to);
}

QString g_out;
ui::MainWindow* g_window = nullptr;
bool g_ok = true;

// The question about removing particles is asked over the marked ones: that is the picture.
int PictureAtQuestion(const char*, const char*, int, int) {
    Settle();
    g_ok = Save(g_window->grab().toImage(), g_out + "/picking.png") && g_ok;
    return platform::kAnswerNo;
}

}  // namespace

int main(int argc, char** argv) {
    ui::UseViewportGlFormat();
    QApplication app(argc, argv);
    g_out = argc > 1 ? argv[1] : "docs/images";
    QDir().mkpath(g_out);

    uitest::FreshProgram();
    ui::MainWindow window;
    g_window = &window;
    ui::InstallQtDialogs(&window);
    window.resize(1280, 800);
    window.move(0, 0);
    window.show();
    window.OpenWorkspace(uitest::Example("fountain.ulw"));
    ui::Viewport* view = window.viewport();

    // Picking: run the fountain a little, select the kill volume with a click, then drag a
    // rectangle over part of the spray.
    sim::StopAtFrame(20);
    window.StartFullCmd();
    QElapsedTimer clock;
    clock.start();
    while (sim::Running() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    sim::StopAtFrame(-1);
    Settle();
    window.Action("edit.select")->trigger();
    Daemon* kill = nullptr;
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        if (d->descriptor && d->descriptor->class_id == 5) kill = d;
    }
    if (kill) {
        const Vector corner = kill->matrix * Vector(0.5f, 0.1f, 0.5f);
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->Project(corner).toPoint());
    }
    Settle();
    window.Action("edit.particles")->trigger();
    platform::SetMessageBoxHandler(PictureAtQuestion);
    const QPoint centre = view->Project(Vector(0, 0.4f, 0)).toPoint();
    Drag(view, centre - QPoint(70, 60), centre + QPoint(10, 40));
    platform::SetMessageBoxHandler(nullptr);
    window.Action("edit.particles")->setChecked(false);
    view->particle_selection = false;

    // An array: eight vortices on a circle about the fountain, with the window beside.
    window.ResetSimulationCmd();
    camera.distance = 6.0f;
    camera.elevation = 35;
    Daemon* vortex = NewDaemon(RegisteredClass(ActivatePluginClass(7)));
    if (vortex) {
        vortex->pos = Vector(1.8f, 0.3f, 0);
        vortex->UpdateMatrix();
        selnodo = vortex;
    }
    window.panels()->Refresh();
    array_settings.type = kArrayCircular;
    array_settings.items = 7;
    array_settings.rotation = Vector(0, 45, 0);
    array_settings.rotate_around_pivot = 1;
    window.ArrayCmd();
    Settle();
    QWidget* array_window = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && w->windowTitle() == "Array of fluids") array_window = w;
    }
    if (array_window) {
        array_settings.pivot = Vector(0, 0.3f, 0);
        auto* d = dynamic_cast<platform::Dialog*>(array_window);
        if (d) {
            platform::TypeIntoField(d, kIdArrayPivotX + 1, "0.3");
            platform::TypeIntoField(d, kIdArrayPivotX, "0");
            platform::ClickControl(d, kIdArrayCreate);
        }
        Settle();
        // The viewport and the window side by side.
        const QImage scene = view->grabFramebuffer();
        const QImage panel = array_window->grab().toImage();
        QImage picture(scene.width() + panel.width() + 12, std::max(scene.height(), panel.height()),
                       QImage::Format_RGB32);
        picture.fill(window.palette().window().color());
        QPainter p(&picture);
        p.drawImage(0, 0, scene);
        p.drawImage(scene.width() + 12, 0, panel);
        p.end();
        g_ok = Save(picture, g_out + "/array.png") && g_ok;
        array_window->close();
    } else {
        g_ok = false;
    }

    // A JPEG sequence of a few frames of the fountain; one of them is the guide's picture.
    window.SetModified(false);
    window.OpenWorkspace(uitest::Example("fountain.ulw"));
    const QString frames = QDir::tempPath() + "/undaline-shots";
    QDir(frames).removeRecursively();
    window.choose_image_file = [&] { return frames + "/fountain.jpg"; };
    window.SaveImagesCmd();
    sim::StopAtFrame(30);
    window.StartFullCmd();
    clock.restart();
    while (sim::Running() && clock.elapsed() < 60000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    sim::StopAtFrame(-1);
    g_ok = Save(QImage(frames + "/fountain00030.jpg"), g_out + "/captured-frame.png") && g_ok;
    window.SaveImagesCmd();
    QDir(frames).removeRecursively();

    window.SetModified(false);
    ui::CloseInterfaceWindows();
    return g_ok ? 0 : 1;
}
