// The viewport's pictures, drawn by a real GL context on a virtual screen and read back.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QtTest>

#include <climits>
#include <cstdio>

#include "fluid/fluido.h"
#include "math/random.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "mesh/mesh_texture.h"
#include "output/targa_file.h"
#include "plugins/registry.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "ui/application.h"
#include "ui/draw_hooks.h"
#include "ui/particle_draw.h"
#include "fluid_scenes.h"
#include "io/config.h"
#include "scene/preferences.h"
#include "scene/view_settings.h"
#include "ui/camera_math.h"
#include "ui/viewport.h"
#include "ui_fixture.h"

namespace {

// One fluid drawn in a constant colour with big points.
Fluido* ColouredFluid(const std::vector<Vector>& points, Vector colour) {
    Fluido* f = MakeEmptyFluid();
    f->colourMode = 4;
    f->colour = colour;
    for (const Vector& p : points) f->CreaParticula(p, Vector(0, 0, 0));
    return f;
}

QColor At(const QImage& image, QPointF p) { return image.pixelColor(p.toPoint()); }

bool Near(const QColor& a, const QColor& b, int tolerance = 3) {
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// Pixels of one colour in a picture, or in a box of it.
int Count(const QImage& image, const QColor& colour, QRect box = QRect()) {
    if (box.isNull()) box = image.rect();
    box = box.intersected(image.rect());
    int n = 0;
    for (int y = box.top(); y <= box.bottom(); ++y) {
        for (int x = box.left(); x <= box.right(); ++x) n += Near(image.pixelColor(x, y), colour, 2);
    }
    return n;
}

Descriptor* ShippedClass(int class_id) { return RegisteredClass(ActivatePluginClass(class_id)); }

// A surface built around a block of particles centred on `centre`, half a unit wide.
Mesh* BlockMesh(Vector centre) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = 6;
    spec.origin = centre - Vector(0.25f, 0.25f, 0.25f);
    Fluido* f = MakeBlockFluid(spec);
    Mesh* m = NewMesh();
    if (!f || !m || !LinkFluidToMesh(m, f)) return nullptr;
    OneShotMeshBuild();
    return m->prevNumFaces > 0 ? m : nullptr;
}

// Lit in the mesh's own blue, neither background nor white.
bool MeshBlue(const QColor& c) { return c.blue() > 80 && c.blue() > c.red() + 30 && c.blue() > c.green() + 30; }

// The particles drawn whole, for comparing with the picture the viewport makes.
void DrawEveryParticle(const draw::Pass& pass) {
    static draw::ParticleArrays arrays;
    for (Fluido* f = rootflow; f; f = f->next) {
        draw::GatherParticles(f, arrays, false, false);
        draw::KeepNearestPerPixel(arrays, draw::CurrentScreen(), INT_MAX);
        draw::ColourParticles(f, arrays, false);
        draw::DrawParticleArrays(arrays, pass.point_size, false);
    }
}

}  // namespace

class ViewportTest : public QObject {
    Q_OBJECT

    ui::Viewport* viewport_ = nullptr;

    QImage Draw() {
        viewport_->update();
        return viewport_->grabFramebuffer();
    }

private slots:
    void init() {
        uitest::FreshProgram();
        view_settings.view_axes = 0;
        view_settings.view_grid = 0;
        view_settings.view_info = 0;
        view_settings.point_size = 7;
        viewport_ = new ui::Viewport;
        viewport_->resize(640, 480);
        viewport_->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewport_));
    }
    void cleanup() {
        delete viewport_;
        ClearFluidScene();
    }

    void backgroundAndGridColours() {
        background_colour = Vector(0.2f, 0.4f, 0.6f);
        QImage image = Draw();
        QVERIFY(Near(image.pixelColor(5, 5), QColor(51, 102, 153)));

        view_settings.view_grid = 1;
        prefs.grid_dimension = 10;
        prefs.grid_square = 1.0f;
        camera.view_mode = view::kTop;
        viewport_->InvalidateGrid();
        image = Draw();
        // The grid's middle lines cross at the origin; half a square away is background.
        QVERIFY(Near(At(image, viewport_->Project(Vector(0, 0, 0))), QColor(102, 102, 102)));
        QVERIFY(Near(At(image, viewport_->Project(Vector(0.5f, 0, 0.5f))), QColor(51, 102, 153)));

        // In perspective the lines keep their grey near the point looked at; far off they fade
        // into the background.
        background_colour = Vector(0, 0, 0);
        prefs.grid_dimension = 100;
        camera.view_mode = view::kPerspective;
        viewport_->InvalidateGrid();
        image = Draw();
        auto grey_near = [&](const Vector& p) {
            const QPoint at = viewport_->Project(p).toPoint();
            return Count(image, QColor(102, 102, 102), QRect(at - QPoint(1, 1), QSize(3, 3))) > 0;
        };
        QVERIFY(grey_near(Vector(0, 0, 2)));
        QVERIFY(grey_near(Vector(1, 0, -1)));
        const QPoint far = viewport_->Project(Vector(0, 0, -45)).toPoint();
        QVERIFY(QRect(0, 0, 640, 480).contains(far));
        QCOMPARE(Count(image, QColor(0, 0, 0), QRect(far - QPoint(2, 2), QSize(5, 5))), 25);
    }

    void particlesAppearWhereTheCameraSays() {
        const Vector p(0.6f, 0.3f, -0.4f);
        ColouredFluid({p}, Vector(1, 1, 0));
        camera.elevation = 25;
        camera.azimuth = 40;
        QImage image = Draw();
        const QPointF at = viewport_->Project(p);
        QVERIFY(QRectF(image.rect()).contains(at));
        QVERIFY(Near(At(image, at), QColor(255, 255, 0)));
        // Only around the particle: the middle of the window stays black.
        QVERIFY(Near(image.pixelColor(320, 240), QColor(0, 0, 0)));
        // The picture's x is mirrored: seen from +z, +x lies to the left.
        camera.elevation = 0;
        camera.azimuth = 0;
        Draw();
        QVERIFY(viewport_->Project(Vector(1, 0, 0)).x() < viewport_->Project(Vector(0, 0, 0)).x());

        // The orthographic views look along their axes.
        const struct {
            int mode;
            Vector along;   // the direction looked along
            Vector across;  // a direction in the picture's plane
        } views[] = {{view::kTop, Vector(0, 1, 0), Vector(1, 0, 0)},
                     {view::kFront, Vector(0, 0, 1), Vector(0, 1, 0)},
                     {view::kSide, Vector(1, 0, 0), Vector(0, 0, 1)}};
        for (const auto& v : views) {
            ClearFluidScene();
            camera.view_mode = v.mode;
            ColouredFluid({v.along * 3.0f}, Vector(0, 1, 1));
            QImage image = Draw();
            QVERIFY(Near(image.pixelColor(320, 240), QColor(0, 255, 255)));
            ClearFluidScene();
            ColouredFluid({v.across * 0.5f}, Vector(0, 1, 1));
            image = Draw();
            QVERIFY(Near(image.pixelColor(320, 240), QColor(0, 0, 0)));
        }
    }

    void aCameraDragTurnsOneDegreePerPixel() {
        camera.azimuth = 30;
        camera.elevation = 20;
        viewport_->SetTool(ui::Viewport::kToolCamera);
        const QPoint from(300, 200), to(337, 190);
        QTest::mousePress(viewport_, Qt::LeftButton, Qt::NoModifier, from);
        QMouseEvent move(QEvent::MouseMove, QPointF(to), QPointF(viewport_->mapToGlobal(to)), Qt::NoButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(viewport_, &move);
        QTest::mouseRelease(viewport_, Qt::LeftButton, Qt::NoModifier, to);
        QCOMPARE(camera.azimuth, 67);
        QCOMPARE(camera.elevation, 10);
    }

    void lettersAndTheOverlayAreDrawn() {
        view_settings.view_axes = 1;
        QImage image = Draw();
        const QColor x_label(255, 89, 89);
        const QPoint at = viewport_->Project(Vector(1.12f, 0, 0)).toPoint();
        QVERIFY(Count(image, x_label, QRect(at - QPoint(14, 14), QSize(28, 28))) > 3);
        QCOMPARE(Count(image, QColor(217, 217, 217), QRect(0, 400, 320, 80)), 0);
        view_settings.view_info = 1;
        image = Draw();
        QVERIFY(Count(image, QColor(217, 217, 217), QRect(0, 400, 320, 80)) > 20);
        view_settings.view_axes = 0;
        view_settings.view_info = 0;
        QCOMPARE(Count(Draw(), x_label), 0);

        // A message whose start lies left of the window is drawn from where the window begins.
        std::snprintf(view_settings.message, sizeof view_settings.message, "MMMMMMMM");
        view_settings.message_x = -20;
        view_settings.message_y = 100;
        QVERIFY(Count(Draw(), QColor(255, 255, 255), QRect(0, 95, 60, 25)) > 10);
        view_settings.message[0] = '\0';
        QCOMPARE(Count(Draw(), QColor(255, 255, 255)), 0);
    }

    void motionLinesRunAlongTheVelocity() {
        Fluido* f = ColouredFluid({Vector(0, 0, 0)}, Vector(0, 1, 0));
        f->First()->vel = Vector(0, 50, 0);  // with length 1: a line half a unit up
        view_settings.view_particle_motion = 1;
        camera.elevation = 0;
        QImage image = Draw();
        const QPointF up = viewport_->Project(Vector(0, 0.3f, 0));
        QVERIFY(Count(image, QColor(0, 255, 0), QRect(up.toPoint() - QPoint(1, 1), QSize(3, 3))) > 0);
        view_settings.view_particle_motion = 0;
        image = Draw();
        QCOMPARE(Count(image, QColor(0, 255, 0), QRect(up.toPoint() - QPoint(1, 1), QSize(3, 3))), 0);
    }

    void daemonsAndEmittersDrawThemselvesAndTheSelectedOneIsWhite() {
        const QColor kill(255, 77, 77), emitter(77, 191, 255), white(255, 255, 255);
        Daemon* box = CreaDaemon(ShippedClass(5));  // kill volume
        QVERIFY(box);
        Fluido* spray = CreaFluido(ShippedClass(110));
        QVERIFY(spray);
        spray->emitter->pos = Vector(1, 0, 0);
        spray->emitter->UpdateMatrix();
        QImage image = Draw();
        QVERIFY(Count(image, kill) > 50);
        QVERIFY(Count(image, emitter) > 20);
        QCOMPARE(Count(image, white), 0);

        selnodo = box;
        image = Draw();
        QCOMPARE(Count(image, kill), 0);
        QVERIFY(Count(image, white) > 50);
        QVERIFY(Count(image, emitter) > 20);

        view_settings.view_daemons = 0;
        view_settings.view_emitters = 0;
        image = Draw();
        QCOMPARE(Count(image, white) + Count(image, emitter), 0);
        selnodo = nullptr;
        delete box;
        DeleteFluido(spray);
    }

    void keepingTheNearestParticleOfEachPixelChangesNothingOnScreen() {
        // Many more particles than pixels they cover, coloured by speed so that which one is
        // in front shows.
        Fluido* f = MakeEmptyFluid();
        f->colourMode = 1;
        for (int i = 0; i < 60000; ++i) {
            f->CreaParticula(Vector(DameRandom11() * 0.6f, DameRandom11() * 0.6f, DameRandom11() * 0.6f),
                             Vector(DameRandom(), 0, 0));
        }
        view_settings.point_size = 1;
        const QImage kept = Draw();
        draw::SetDrawer(draw::kParticles, DrawEveryParticle);
        const QImage whole = Draw();
        draw::SetDrawer(draw::kParticles, draw::DrawFluids);
        int differ = 0, lit = 0;
        for (int y = 0; y < whole.height(); ++y) {
            for (int x = 0; x < whole.width(); ++x) {
                differ += kept.pixel(x, y) != whole.pixel(x, y);
                lit += qGray(whole.pixel(x, y)) > 0;
            }
        }
        QVERIFY(lit > 10000);
        QVERIFY2(differ <= 3, qPrintable(QString::number(differ)));  // a pixel edge may round either way
    }

    void meshesShowTheirKeptFrameShadedAndHideWhenSwitchedOff() {
        view_settings.point_size = 0;  // the surface, not the particles inside it
        Mesh* m = BlockMesh(Vector(0, 0, 0));
        QVERIFY(m);
        const int modes[] = {kDisplayWire, kDisplayFlat, kDisplaySmooth, kDisplayBox};
        int lit[4] = {};
        for (int i = 0; i < 4; ++i) {
            m->display = static_cast<unsigned char>(modes[i]);
            const QImage image = Draw();
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x) lit[i] += image.pixelColor(x, y) != QColor(0, 0, 0);
            }
            const QColor middle = At(image, viewport_->Project(Vector(0, 0, 0)));
            if (modes[i] == kDisplayFlat || modes[i] == kDisplaySmooth) {
                QVERIFY2(MeshBlue(middle), qPrintable(middle.name()));
            }
        }
        // Lines cover less than the filled surface, and the box's edges less than the lines.
        QVERIFY(lit[0] > 500 && lit[1] > lit[0] && lit[3] < lit[0]);
        QCOMPARE(lit[1], lit[2]);

        // A new frame kept elsewhere moves the picture with it; the selected mesh is white.
        for (Particula* p = rootflow->First(); p; p = p->next) p->pos = p->pos + Vector(1.0f, 0, 0);
        OneShotMeshBuild();
        m->display = kDisplaySmooth;
        selnodo = m;
        QImage image = Draw();
        QCOMPARE(At(image, viewport_->Project(Vector(0, 0, 0))), QColor(0, 0, 0));
        const QColor moved = At(image, viewport_->Project(Vector(1.0f, 0, 0)));
        QVERIFY2(moved.red() > 80 && moved.red() == moved.blue(), qPrintable(moved.name()));
        selnodo = nullptr;

        // A preview image (here plain red) takes the place of the colour.
        output::RgbImage red;
        red.width = red.height = 4;
        red.pixels.assign(48, 0);
        for (size_t i = 0; i < red.pixels.size(); i += 3) red.pixels[i] = 255;
        const std::string tga = QDir::temp().filePath("undaline-mesh-preview.tga").toStdString();
        QVERIFY(output::WriteTarga(tga.c_str(), red) && LoadPreviewTexture(m, tga.c_str()));
        QVERIFY(m->textureName != 0);
        const QColor textured = At(Draw(), viewport_->Project(Vector(1.0f, 0, 0)));
        QVERIFY2(textured.red() > 80 && textured.green() < 20 && textured.blue() < 20, qPrintable(textured.name()));
        std::remove(tga.c_str());

        m->displayOn = false;
        image = Draw();
        QCOMPARE(At(image, viewport_->Project(Vector(1.0f, 0, 0))), QColor(0, 0, 0));
        DeleteAllMeshes();
    }

    void aDisabledDisplayDrawsOnlyItsNotice() {
        ColouredFluid({Vector(0, 0, 0)}, Vector(1, 0, 0));
        QImage image = Draw();
        QVERIFY(Near(At(image, viewport_->Project(Vector(0, 0, 0))), QColor(255, 0, 0)));
        viewport_->display_on = false;
        image = Draw();
        int red = 0, white = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                red += c == QColor(255, 0, 0);
                white += c.red() > 200 && c.green() > 200 && c.blue() > 200;
            }
        }
        QCOMPARE(red, 0);
        QVERIFY(white > 10);  // the text
    }
};

int main(int argc, char** argv) {
    ui::UseViewportGlFormat();
    QApplication app(argc, argv);
    ViewportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "viewport_test.moc"
