#include "ui/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QMetaObject>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene/preferences.h"
#include "scene/undo.h"
#include "ui/camera_math.h"
#include "ui/draw_hooks.h"

namespace ui {
namespace {

const char* const kViewNames[] = {"Perspective", "Top", "Front", "Side"};

bool IsOrtho() { return camera.view_mode >= view::kTop && camera.view_mode <= view::kSide; }

}  // namespace

Viewport::Viewport(QWidget* parent) : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
}

Viewport::~Viewport() {
    makeCurrent();
    if (grid_list_) glDeleteLists(grid_list_, 1);
    doneCurrent();
}

void Viewport::RequestRedraw() {
    if (redraw_posted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            redraw_posted_.store(false);
            update();
        },
        Qt::QueuedConnection);
}

void Viewport::initializeGL() {
    glClearColor(background_colour.x, background_colour.y, background_colour.z, 1.0f);
    glCullFace(GL_BACK);
    glPointSize(view_settings.point_size > 0 ? view_settings.point_size : 1.0f);
    glEnable(GL_DEPTH_TEST);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glFrontFace(GL_CW);  // the x mirror turns the winding over
    grid_dirty_ = true;
}

void Viewport::resizeGL(int, int) {}

void Viewport::SetProjection() {
    const int w = width() * devicePixelRatio(), h = height() * devicePixelRatio();
    glViewport(0, 0, w, h > 0 ? h : 1);
    const double aspect = h > 0 ? static_cast<double>(w) / h : 1.0;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (IsOrtho()) {
        const double z = camera.zoom[camera.view_mode - 1];
        glOrtho(-z * aspect, z * aspect, -z, z, -1000.0, 1000.0);
    } else {
        gluPerspective(view::kFieldOfView, aspect, view::kNearPlane, view::kFarPlane);
    }
    glScalef(-1.0f, 1.0f, 1.0f);
}

void Viewport::SetCamera() {
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (IsOrtho()) {
        if (camera.view_mode == view::kTop) glRotatef(90.0f, 1, 0, 0);
        if (camera.view_mode == view::kSide) glRotatef(-90.0f, 0, 1, 0);
        const Vector& c = camera.centre[camera.view_mode - 1];
        glTranslatef(-c.x, -c.y, -c.z);
        return;
    }
    view::UpdateOrbit(camera, first_person);
    gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y,
              camera.target.z, camera.up.x, camera.up.y, camera.up.z);
}

void Viewport::paintGL() {
    // QPainter leaves its own state behind: everything the picture needs is set here.
    glClearColor(background_colour.x, background_colour.y, background_colour.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (!display_on) {
        QPainter p(this);
        p.setPen(QColor(255, 255, 255));
        p.drawText(rect(), Qt::AlignCenter, "DISPLAY DISABLED");
        return;
    }
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CW);
    SetProjection();
    SetCamera();
    glGetDoublev(GL_MODELVIEW_MATRIX, model_);
    glGetDoublev(GL_PROJECTION_MATRIX, proj_);
    glGetIntegerv(GL_VIEWPORT, view_);

    draw::Pass pass{};
    pass.fast = fast_view && camera_moving_;
    pass.view_emitters = view_settings.view_emitters != 0;
    pass.view_daemons = view_settings.view_daemons != 0;
    pass.view_motion = view_settings.view_particle_motion != 0;
    pass.cull_back_faces = backface_culling != 0;
    pass.point_size = view_settings.point_size;
    pass.particle_length = view_settings.particle_length;

    if (auto d = draw::GetDrawer(draw::kParticles)) d(pass);
    if (auto d = draw::GetDrawer(draw::kNodes)) d(pass);
    if (view_settings.view_axes) DrawAxes();
    if (view_settings.view_grid) DrawGrid();
    if (auto d = draw::GetDrawer(draw::kMeshes)) d(pass);
    if (pass.cull_back_faces) glEnable(GL_CULL_FACE);
    if (auto d = draw::GetDrawer(draw::kObjects)) d(pass);
    glDisable(GL_CULL_FACE);
    DrawTexts();
}

void Viewport::DrawAxes() {
    static GLUquadric* quadric = gluNewQuadric();
    const float colours[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    glMatrixMode(GL_MODELVIEW);
    for (int a = 0; a < 3; ++a) {
        glColor3fv(colours[a]);
        glBegin(GL_LINES);
        glVertex3f(0, 0, 0);
        glVertex3f(a == 0 ? 1.0f : 0.0f, a == 1 ? 1.0f : 0.0f, a == 2 ? 1.0f : 0.0f);
        glEnd();
        glPushMatrix();
        // The cone's own axis is z: turn it onto the axis and put its base at 0.9.
        if (a == 0) glRotatef(90.0f, 0, 1, 0);
        if (a == 1) glRotatef(-90.0f, 1, 0, 0);
        glTranslatef(0, 0, 0.9f);
        gluCylinder(quadric, 0.03, 0.0, 0.1, 10, 1);
        glPopMatrix();
    }
}

void Viewport::DrawGrid() {
    if (grid_dirty_ || grid_square_ != prefs.grid_square || grid_dimension_ != prefs.grid_dimension) {
        if (!grid_list_) grid_list_ = glGenLists(1);
        grid_square_ = prefs.grid_square;
        grid_dimension_ = prefs.grid_dimension;
        const int n = grid_dimension_ < 0 ? 0 : grid_dimension_;
        const float half = 0.5f * static_cast<float>(n) * grid_square_;
        glNewList(grid_list_, GL_COMPILE);
        glColor3f(0.4f, 0.4f, 0.4f);
        glBegin(GL_LINES);
        for (int i = 0; i <= n; ++i) {
            const float at = -half + static_cast<float>(i) * grid_square_;
            glVertex3f(at, 0, -half);
            glVertex3f(at, 0, half);
            glVertex3f(-half, 0, at);
            glVertex3f(half, 0, at);
        }
        glEnd();
        glEndList();
        grid_dirty_ = false;
    }
    glCallList(grid_list_);
}

QPointF Viewport::Project(const Vector& world) const {
    double x = 0, y = 0, z = 0;
    if (gluProject(world.x, world.y, world.z, model_, proj_, view_, &x, &y, &z) != GL_TRUE) return {-1, -1};
    const double r = devicePixelRatio();
    return QPointF(x / r, (view_[3] - y) / r);
}

void Viewport::DrawTexts() {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    if (view_settings.view_axes) {
        const char* vertical = (host_platform == kPlatformMax || host_platform == kPlatformMayaZUp) ? "Z" : "Y";
        const char* depth = (host_platform == kPlatformMax || host_platform == kPlatformMayaZUp) ? "Y" : "Z";
        const char* labels[3] = {"X", vertical, depth};
        const QColor colours[3] = {QColor(255, 90, 90), QColor(90, 230, 90), QColor(110, 140, 255)};
        for (int a = 0; a < 3; ++a) {
            Vector tip(a == 0 ? 1.15f : 0.0f, a == 1 ? 1.15f : 0.0f, a == 2 ? 1.15f : 0.0f);
            QPointF at = Project(tip);
            p.setPen(colours[a]);
            p.drawText(at + QPointF(-4, 4), labels[a]);
        }
    }
    if (view_settings.message[0]) {
        p.setPen(QColor(255, 255, 255));
        p.drawText(QPoint(view_settings.message_x, view_settings.message_y + 12), view_settings.message);
    }
    if (view_settings.view_info) {
        long particles = 0;
        int fluids = 0;
        for (Fluido* f = rootflow; f; f = f->next, ++fluids) particles += f->count;
        const QString info = QString::fromStdString(platform::Format(
            "%s view   Frame %d   Time %.3f s   %d fluid%s, %ld particles",
            kViewNames[IsOrtho() ? camera.view_mode : 0], frame, static_cast<double>(tuniversal), fluids,
            fluids == 1 ? "" : "s", particles));
        p.setPen(QColor(200, 200, 200));
        p.drawText(QRect(8, height() - 22, width() - 16, 18), Qt::AlignLeft | Qt::AlignVCenter, info);
    }
    if (!rubber_.isNull()) {
        p.setPen(QPen(QColor(255, 255, 255), 1, Qt::DashLine));
        p.drawRect(rubber_.normalized());
    }
}

bool Viewport::PlanePoint(QPoint pixel, Vector* hit) const {
    const double r = devicePixelRatio();
    const double x = pixel.x() * r, y = view_[3] - pixel.y() * r;
    double n[3], f[3];
    if (gluUnProject(x, y, 0.0, model_, proj_, view_, &n[0], &n[1], &n[2]) != GL_TRUE) return false;
    if (gluUnProject(x, y, 1.0, model_, proj_, view_, &f[0], &f[1], &f[2]) != GL_TRUE) return false;
    const Vector origin{static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2])};
    const Vector dir{static_cast<float>(f[0] - n[0]), static_cast<float>(f[1] - n[1]), static_cast<float>(f[2] - n[2])};
    // The plane's normal: the shown axis the working plane leaves out.
    int normal = AY;
    if (flag_plane == kMoveXY) normal = AZ;
    if (flag_plane == kMoveYZ) normal = AX;
    if (flag_plane == kMoveY) normal = AZ;
    const Vector through = selnodo ? selnodo->pos : Vector(0, 0, 0);
    return view::RayPlane(origin, dir, through, normal, hit);
}

void Viewport::mousePressEvent(QMouseEvent* e) {
    platform::ClearStatusOnClick();
    button_ = e->button();
    press_ = last_ = e->position().toPoint();
    camera_at_press_ = camera;
    plane_valid_ = false;
    if (button_ == Qt::LeftButton && zoom_region) {
        rubber_ = QRect(press_, press_);
        return;
    }
    if (button_ == Qt::LeftButton && selnodo &&
        (tool_ == kToolMove || tool_ == kToolRotate || tool_ == kToolScale)) {
        plane_valid_ = tool_ == kToolMove && PlanePoint(press_, &plane_last_);
        undo_before_ = CaptureTransform(*selnodo);
        undo_node_ = selnodo;
    }
}

void Viewport::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const int dx = at.x() - last_.x(), dy = at.y() - last_.y();
    bool changed = false;
    if (button_ == Qt::LeftButton && zoom_region) {
        rubber_ = QRect(press_, at);
        update();
        last_ = at;
        return;
    }
    const bool element_tool = tool_ == kToolMove || tool_ == kToolRotate || tool_ == kToolScale;
    if (button_ == Qt::LeftButton && element_tool && selnodo && selnodo == undo_node_) {
        if (tool_ == kToolMove) {
            Vector now;
            if (plane_valid_ && PlanePoint(at, &now)) {
                selnodo->Move(now - plane_last_);
                plane_last_ = now;
                changed = true;
            }
        } else if (tool_ == kToolRotate) {
            selnodo->Rotate(static_cast<float>(dy));
            changed = true;
        } else {
            selnodo->Scale(static_cast<float>(last_.y() - at.y()) * 0.1f);
            changed = true;
        }
    } else if ((button_ == Qt::LeftButton && (tool_ == kToolPan || (tool_ == kToolCamera && IsOrtho()))) ||
               button_ == Qt::MiddleButton) {
        view::PanDrag(camera, dx, dy);
        camera_moving_ = true;
    } else if (button_ == Qt::LeftButton && tool_ == kToolCamera) {
        view::OrbitDrag(camera, camera_at_press_, at.x() - press_.x(), at.y() - press_.y(), first_person);
        camera_moving_ = true;
    } else if (button_ == Qt::RightButton) {
        view::DollyDrag(camera, camera_at_press_, at.y() - press_.y());
        camera_moving_ = true;
    }
    last_ = at;
    if (changed && on_changed) on_changed();
    if (changed || camera_moving_) update();
}

void Viewport::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() != button_) return;
    if (button_ == Qt::LeftButton && zoom_region) {
        ZoomTo(rubber_.normalized());
        rubber_ = QRect();
        zoom_region = false;
    }
    if (undo_node_ && undo_node_ == selnodo) RecordUndo(undo_node_, kUndoTransform, undo_before_);
    undo_node_ = nullptr;
    button_ = Qt::NoButton;
    const bool was_moving = camera_moving_;
    camera_moving_ = false;
    if (was_moving && fast_view) update();  // objects and meshes back in their own mode
    update();
}

void Viewport::wheelEvent(QWheelEvent* e) {
    // A wheel notch is a short right drag: ten pixels.
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0) return;
    Camera before = camera;
    view::DollyDrag(camera, before, -10 * steps);
    update();
}

void Viewport::ZoomTo(const QRect& r) {
    if (r.width() < 2 || r.height() < 2 || height() <= 0) return;
    const float share = static_cast<float>(r.height()) / static_cast<float>(height());
    const QPoint c = r.center();
    const int dx = width() / 2 - c.x(), dy = height() / 2 - c.y();
    if (IsOrtho()) {
        // One pixel is 2 · zoom / height world units: the rectangle's centre comes to the middle.
        float& z = camera.zoom[camera.view_mode - 1];
        Vector right, up, forward;
        view::OrthoAxes(camera.view_mode, &right, &up, &forward);
        const float pixel = 2.0f * z / static_cast<float>(height());
        camera.centre[camera.view_mode - 1] =
            camera.centre[camera.view_mode - 1] + right * (float(dx) * pixel) + up * (float(dy) * pixel);
        z = std::max(view::kMinDistance, z * share);
    } else {
        view::PanDrag(camera, dx, dy);
        camera.distance = std::max(view::kMinDistance, camera.distance * share);
    }
    update();
}

void Viewport::ResetView() {
    const Camera fresh;
    const int mode = camera.view_mode;
    if (mode >= view::kTop && mode <= view::kSide) {
        camera.centre[mode - 1] = fresh.centre[mode - 1];
        camera.zoom[mode - 1] = fresh.zoom[mode - 1];
    } else {
        camera = fresh;
        camera.view_mode = mode;
    }
    update();
}

}  // namespace ui
