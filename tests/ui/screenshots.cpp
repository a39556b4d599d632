// Makes the user guide's pictures: the main window with the fountain loaded, and the same
// scene in the middle of its run. Run under a virtual X server by docs/screenshots.sh.
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QSurfaceFormat>
#include <QThread>

#include <cstdio>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "ui/application.h"
#include "ui/main_window.h"
#include "ui/message_window.h"
#include "ui/qt_dialog.h"
#include "ui_fixture.h"

namespace {

bool Save(QWidget* w, const QString& path) {
    QCoreApplication::processEvents();
    const bool ok = w->grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
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

    // Run until frame 45, then stop and take the picture.
    sim::StopAtFrame(45);
    window.StartFullCmd();
    QElapsedTimer clock;
    clock.start();
    while (frame < 45 && clock.elapsed() < 120000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        QThread::msleep(10);
    }
    sim::RequestStop();
    while (sim::Running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    ok = Save(&window, out + "/mid-simulation.png") && ok;
    window.SetModified(false);
    ui::CloseInterfaceWindows();
    return ok ? 0 : 1;
}
