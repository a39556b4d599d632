// The viewport's tools on a real GL context under a virtual screen: picking elements and
// particles, copying by dragging, and capturing frames to files.
#include <QAction>
#include <QDockWidget>
#include <QListWidget>
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QtTest>

#include <cmath>
#include <string>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "objects/body.h"
#include "objects/object_panel.h"
#include "output/frame_capture.h"
#include "output/targa_file.h"
#include "platform/message_box.h"
#include "plugins/registry.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/view_settings.h"
#include "ui/application.h"
#include "ui/capture_requests.h"
#include "ui/main_window.h"
#include "ui/qt_dialog.h"
#include "ui/scene_panels.h"
#include "ui/viewport.h"
#include "tool_output.h"
#include "ui_fixture.h"

namespace {

Descriptor* ShippedClass(int class_id) { return RegisteredClass(ActivatePluginClass(class_id)); }

void Drag(QWidget* w, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::NoModifier) {
    QTest::mousePress(w, Qt::LeftButton, keys, from);
    QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(w->mapToGlobal(to)), Qt::NoButton, Qt::LeftButton, keys);
    QApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, keys, to);
}

int CountColour(const QImage& image, QColor c) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += image.pixelColor(x, y) == c;
    }
    return n;
}

int Frozen(const Fluido* f, int mark) {
    int n = 0;
    for (Particula* p = f->First(); p; p = p->next) n += p->frozen == mark;
    return n;
}

// The last picture of the viewport, taken when a question is asked.
QImage g_at_question;
int AnswerAfterLooking(const char*, const char*, int, int) {
    g_at_question = ui::TheMainWindow()->viewport()->grabFramebuffer();
    return platform::kAnswerNo;
}

}  // namespace

class ToolsTest : public QObject {
    Q_OBJECT

    ui::MainWindow* window_ = nullptr;
    ui::Viewport* view_ = nullptr;
    QString scratch_;

    void Click(QPointF at) {
        QTest::mouseClick(view_, Qt::LeftButton, Qt::NoModifier, at.toPoint());
        QApplication::processEvents();
    }
    QImage Draw() {
        view_->update();
        return view_->grabFramebuffer();
    }

private slots:
    void init() {
        uitest::FreshProgram();
        view_settings.view_axes = 0;
        view_settings.view_grid = 0;
        view_settings.view_info = 0;
        window_ = new ui::MainWindow;
        ui::InstallQtDialogs(window_);
        window_->resize(1000, 700);
        window_->show();
        QVERIFY(QTest::qWaitForWindowExposed(window_));
        view_ = window_->viewport();
        Draw();
        scratch_ = QDir::tempPath() + "/undaline-tools-" + QString::number(QCoreApplication::applicationPid());
        QDir(scratch_).removeRecursively();
        QDir().mkpath(scratch_);
    }
    void cleanup() {
        sim::RequestStop();
        while (sim::Running()) QApplication::processEvents(QEventLoop::AllEvents, 20);
        output::CloseMovie();
        platform::SetMessageBoxHandler(nullptr);
        window_->SetModified(false);
        delete window_;
        platform::SetDialogFactory(nullptr);
        sim::ClearSimulation();
        QDir(scratch_).removeRecursively();
    }

    void clicksCycleThroughOverlappingElements() {
        // Two boxes in the same place; a click on their common edge hits both.
        Daemon* kill = NewDaemon(ShippedClass(5));
        Daemon* freeze = NewDaemon(ShippedClass(11));
        QVERIFY(kill && freeze);
        window_->SelectToolCmd();
        selnodo = nullptr;
        Draw();
        const QPointF edge = view_->Project(Vector(0.5f, 0.5f, 0.0f));
        for (Daemon* expected : {kill, freeze, kill}) {
            Click(edge);
            QCOMPARE(selnodo, static_cast<Nodo*>(expected));
            QCOMPARE(seldaemon, expected);
        }
        // Six pixels around the pointer: three away still hits, five away does not.
        Click(edge + QPointF(0, 3));
        QCOMPARE(selnodo, static_cast<Nodo*>(freeze));
        // Locked, a click elsewhere keeps the selection; unlocked it clears it.
        window_->Action("view.lock")->trigger();
        Click(QPointF(5, 5));
        QCOMPARE(selnodo, static_cast<Nodo*>(freeze));
        window_->Action("view.lock")->trigger();
        Click(edge + QPointF(0, 40));
        QCOMPARE(selnodo, static_cast<Nodo*>(nullptr));

        // With the move tool a click on the selected one keeps it: the drag moves it.
        selnodo = freeze;
        window_->MoveToolCmd();
        const Vector before = freeze->pos;
        Drag(view_, edge.toPoint(), edge.toPoint() + QPoint(-30, 0));
        QCOMPARE(selnodo, static_cast<Nodo*>(freeze));
        QVERIFY(freeze->pos.x != before.x);
        QCOMPARE(kill->pos.x, 0.0f);

        // A Shift drag moves a copy and leaves the original where it was.
        Drag(view_, edge.toPoint(), edge.toPoint() + QPoint(-40, 0), Qt::ShiftModifier);
        QCOMPARE(CountDaemons(), 3);
        QVERIFY(seldaemon != kill && seldaemon != freeze);
        QCOMPARE(std::string(seldaemon->name), std::string("Kill volume 1"));
        QCOMPARE(kill->pos.x, 0.0f);
        QVERIFY(seldaemon->pos.x != 0.0f);
    }

    void clicksCycleThroughOverlappingObjects() {
        // Two copies of one cube: every edge of one is an edge of the other.
        const QString cube = scratch_ + "/cube.obj";
        QFile file(cube);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("v -0.5 -0.5 -0.5\nv 0.5 -0.5 -0.5\nv 0.5 0.5 -0.5\nv -0.5 0.5 -0.5\n"
                   "v -0.5 -0.5 0.5\nv 0.5 -0.5 0.5\nv 0.5 0.5 0.5\nv -0.5 0.5 0.5\n"
                   "f 1 2 3 4\nf 5 8 7 6\nf 1 5 6 2\nf 2 6 7 3\nf 3 7 8 4\nf 4 8 5 1\n");
        file.close();
        Body* first = ImportObjectFile(cube.toLocal8Bit().constData());
        Body* second = ImportObjectFile(cube.toLocal8Bit().constData());
        QVERIFY(first && second);
        selnodo = nullptr;
        window_->SelectToolCmd();
        const QImage image = Draw();
        const QPointF edge = view_->Project(Vector(0.5f, 0.5f, 0.0f));
        QVERIFY(CountColour(image.copy(QRect(edge.toPoint() - QPoint(2, 2), QSize(5, 5))), QColor(204, 204, 204)) > 0);
        const Body* expected[3] = {first, second, first};
        for (const Body* b : expected) {
            Click(edge);
            QCOMPARE(selnodo, static_cast<const Nodo*>(b));
            QCOMPARE(PanelBody(), b);
        }
        // The selected one is drawn white.
        QVERIFY(CountColour(Draw().copy(QRect(edge.toPoint() - QPoint(2, 2), QSize(5, 5))), QColor(255, 255, 255)) > 0);
        RemoveAllBodies();
    }

    void aClickOnAnEmitterSelectsItsFluid() {
        Fluido* a = CreaFluido(ShippedClass(110));
        Fluido* b = CreaFluido(ShippedClass(110));
        QVERIFY(a && b);
        b->emitter->pos = Vector(1.5f, 0, 0);
        b->emitter->UpdateMatrix();
        window_->panels()->SelectFluid(a);
        window_->SelectToolCmd();
        Draw();
        // The spray's cone: its axis up from the emitter.
        Click(view_->Project(Vector(1.5f, 0.1f, 0)));
        QCOMPARE(selflow, b);
        QCOMPARE(selnodo, static_cast<Nodo*>(b->emitter));
    }

    void aClickOnAMeshMakesItTheEditedOne() {
        BlockSpec spec;
        spec.nx = spec.ny = spec.nz = 6;
        spec.origin = Vector(-0.25f, -0.25f, -0.25f);
        Fluido* f = MakeBlockFluid(spec);
        Mesh* first = NewMesh();
        Mesh* m = NewMesh();
        QVERIFY(f && first && m && LinkFluidToMesh(m, f));
        OneShotMeshBuild();
        m->display = kDisplayFlat;
        view_settings.point_size = 0;
        selmesh = first;
        window_->panels()->Refresh();
        QCOMPARE(window_->panels()->mesh_list()->currentRow(), 0);
        window_->SelectToolCmd();
        selnodo = nullptr;
        Draw();
        const QPointF middle = view_->Project(Vector(0, 0, 0));
        Click(middle);
        QCOMPARE(selnodo, static_cast<Nodo*>(m));
        QCOMPARE(selmesh, m);
        QVERIFY(window_->panels()->mesh_dock()->isVisible());
        QCOMPARE(window_->panels()->mesh_list()->currentRow(), 1);
        // Hidden, it cannot be picked.
        m->displayOn = false;
        Click(middle);
        QCOMPARE(selnodo, static_cast<Nodo*>(nullptr));
        DeleteAllMeshes();
    }

    void particlesInARectangleAreMarkedThenRemovedOrKept() {
        // Three columns of particles in the front view, two pixels apart, the middle one on
        // the centre of a pixel.
        camera.view_mode = 2;
        camera.zoom[1] = 2.0f;
        Draw();
        const double origin = view_->Project(Vector(0, 0, 0)).x();
        const double per_unit = view_->Project(Vector(1, 0, 0)).x() - origin;
        const float middle = static_cast<float>((std::floor(origin) + 0.5 - origin) / per_unit);
        const float step = static_cast<float>(2.0 / std::fabs(per_unit));
        Fluido* f = MakeEmptyFluid();
        f->colourMode = 4;
        f->colour = Vector(0, 0, 1);
        for (int column = -1; column <= 1; ++column) {
            for (int row = 0; row < 5; ++row) {
                f->CreaParticula(Vector(middle + step * column, 0.1f * row - 0.2f, 0), Vector(0, 0, 0));
            }
        }
        Draw();
        window_->Action("edit.particles")->trigger();
        QVERIFY(view_->particle_selection);
        const QPointF top = view_->Project(Vector(middle, 0.35f, 0)), bottom = view_->Project(Vector(middle, -0.35f, 0));
        const int x = static_cast<int>(top.x());
        // A rectangle of no width: the middle column only. "No" keeps them, unmarked.
        platform::SetMessageBoxHandler(AnswerAfterLooking);
        Drag(view_, QPoint(x, static_cast<int>(top.y())), QPoint(x, static_cast<int>(bottom.y())));
        QCOMPARE(platform::LastMessageBoxText(), std::string("Do you want to remove selected particles?"));
        QVERIFY(CountColour(g_at_question, QColor(255, 255, 0)) > 0);  // marked in yellow while asked
        QCOMPARE(f->count, 15);
        QCOMPARE(Frozen(f, 0), 15);
        // "Yes" removes them.
        platform::SetMessageBoxHandler(nullptr);
        platform::QueueMessageBoxAnswer(platform::kAnswerYes);
        Drag(view_, QPoint(x, static_cast<int>(top.y())), QPoint(x, static_cast<int>(bottom.y())));
        QCOMPARE(f->count, 10);
        for (Particula* p = f->First(); p; p = p->next) QVERIFY(p->pos.x != middle);
        QVERIFY(view_->particle_selection);
        // A rectangle over nothing ends the mode and releases its button.
        Drag(view_, QPoint(20, 20), QPoint(40, 40));
        QVERIFY(!view_->particle_selection);
        QVERIFY(!window_->Action("edit.particles")->isChecked());
        QCOMPARE(f->count, 10);
    }

    void moreParticlesThanTheBufferHoldsAreAllSelected() {
        Fluido* f = MakeEmptyFluid();
        for (int i = 0; i < 20000; ++i) {
            f->CreaParticula(Vector(0.001f * (i % 200) - 0.1f, 0.001f * (i / 200) - 0.05f, 0), Vector(0, 0, 0));
        }
        Draw();
        platform::SetMessageBoxHandler([](const char*, const char*, int, int) -> int {
            int n = 0;
            for (Particula* p = rootflow->First(); p; p = p->next) n += p->frozen == -1;
            return n == 20000 ? platform::kAnswerNo : platform::kAnswerYes;
        });
        window_->Action("edit.particles")->trigger();
        Drag(view_, QPoint(1, 1), QPoint(view_->width() - 2, view_->height() - 2));
        QCOMPARE(f->count, 20000);  // "No": every particle was marked, and none went
        QCOMPARE(Frozen(f, 0), 20000);
    }

    void aCapturedFrameHoldsTheViewportsPixels() {
        Fluido* f = MakeEmptyFluid();
        f->colourMode = 4;
        f->colour = Vector(1, 0.5f, 0);
        for (int i = 0; i < 50; ++i) f->CreaParticula(Vector(0.02f * i - 0.5f, 0.01f * i, 0), Vector(0, 0, 0));
        NewDaemon(ShippedClass(3));  // gravity: an arrow
        view_settings.view_info = 1;
        window_->choose_image_file = [this] { return scratch_ + "/still.tga"; };
        window_->SaveImagesCmd();
        QVERIFY(sim_settings.image_output);
        QVERIFY(window_->Action("sim.images")->isChecked());
        frame = 4;
        ui::CaptureHook();
        const QImage shown = Draw();
        output::RgbImage saved;
        QVERIFY(output::ReadTarga((scratch_ + "/still00004.tga").toLocal8Bit().constData(), &saved));
        QCOMPARE(saved.width, shown.width());
        QCOMPARE(saved.height, shown.height());
        int differ = 0, lit = 0;
        for (int y = 0; y < saved.height; ++y) {
            const uint8_t* row = saved.Row(saved.height - 1 - y);  // the file's rows run bottom up
            for (int x = 0; x < saved.width; ++x) {
                const QColor c = shown.pixelColor(x, y);
                differ += c != QColor(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
                lit += row[3 * x] > 0;
            }
        }
        QCOMPARE(differ, 0);
        QVERIFY(lit > 100);
        // With the display switched off the frames still show the scene.
        window_->DisplayCmd();
        QVERIFY(output::ChooseImageSequence((scratch_ + "/dark.tga").toStdString()));
        ui::CaptureHook();
        window_->DisplayCmd();
        output::RgbImage dark;
        QVERIFY(output::ReadTarga((scratch_ + "/dark00004.tga").toLocal8Bit().constData(), &dark));
        QCOMPARE(dark.pixels, saved.pixels);

        // Switched on again over an existing sequence: "New sequence?" and, on no, the same names.
        window_->SaveImagesCmd();
        QVERIFY(!sim_settings.image_output);
        window_->choose_image_file = [] { return QString(); };
        platform::QueueMessageBoxAnswer(platform::kAnswerNo);
        window_->SaveImagesCmd();
        QCOMPARE(platform::LastMessageBoxText(), std::string("New sequence?"));
        QVERIFY(sim_settings.image_output);
        QCOMPARE(QString(image_output.sequence), QString("dark"));
    }

    void aRunRecordsAMovieThatPlaysElsewhere() {
        Fluido* f = MakeEmptyFluid();
        f->colourMode = 4;
        f->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
        // A cancelled compression leaves the movie closed and the images off.
        window_->choose_image_file = [this] { return scratch_ + "/take.avi"; };
        window_->choose_movie_quality = [] { return -1; };
        window_->SaveImagesCmd();
        QVERIFY(!output::MovieOpen());
        QVERIFY(!sim_settings.image_output);
        QCOMPARE(image_output.directory[0], '\0');
        window_->choose_movie_quality = [] { return 0; };
        window_->SaveImagesCmd();
        QVERIFY(output::MovieOpen());
        sim::StopAtFrame(3);
        window_->StartFullCmd();
        QElapsedTimer clock;
        clock.start();
        while (sim::Running() && clock.elapsed() < 60000) QApplication::processEvents(QEventLoop::AllEvents, 20);
        sim::StopAtFrame(-1);
        const int frames = output::MovieFrames();
        QCOMPARE(frames, frame + 1);  // frame 0 before the first step, then every frame end
        platform::QueueMessageBoxAnswer(platform::kAnswerYes);  // "Close AVI file?"
        window_->SaveImagesCmd();
        QCOMPARE(platform::LastMessageBoxText(), std::string("Close AVI file?"));
        QVERIFY(!output::MovieOpen());
        const std::string want = QString("rawvideo,%1,%2,%3\n")
                                     .arg(view_->width())
                                     .arg(view_->height())
                                     .arg(frames)
                                     .toStdString();
        QCOMPARE(ProbeMovie((scratch_ + "/take.avi").toStdString()), want);
    }

    void aResetDuringACapturedRunDoesNotWaitForever() {
        MakeEmptyFluid()->CreaParticula(Vector(0, 0, 0), Vector(0, 0, 0));
        window_->choose_image_file = [this] { return scratch_ + "/reset.jpg"; };
        window_->SaveImagesCmd();
        window_->StartFullCmd();
        QTest::qWait(50);
        window_->ResetSimulationCmd();  // returns: the capture the thread waited for is dropped
        QVERIFY(!sim::Running());
        QCOMPARE(frame, 0);
    }
};

int main(int argc, char** argv) {
    ui::UseViewportGlFormat();
    QApplication app(argc, argv);
    ToolsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tools_test.moc"
