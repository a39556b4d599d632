// The viewport's pictures, drawn by a real GL context on a virtual screen and read back.
#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QSurfaceFormat>
#include <QtTest>

#include "fluid/fluido.h"
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
    }

    void orthographicViewsLookAlongTheirAxes() {
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
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QApplication app(argc, argv);
    ViewportTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "viewport_test.moc"
