#include "ui/viewport.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QMetaObject>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "fluid/clock.h"
#include "fluid/draw_buffers.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene/daemon.h"
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
    // Without a window, steps stop publishing the particles.
    draw_buffers::Request(0);
    makeCurrent();
    if (grid_list_) glDeleteLists(grid_list_, 1);
    font_.Release();
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
    grid_list_ = 0;  // a new context has no lists
    font_.Build(font(), devicePixelRatioF());
    font_scale_ = devicePixelRatioF();
}

void Viewport::resizeGL(int, int) {
    // Moved to a screen of another pixel density: the letters follow.
    if (font_scale_ != devicePixelRatioF()) {
        font_.Build(font(), devicePixelRatioF());
        font_scale_ = devicePixelRatioF();
    }
}

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
    glClearColor(background_colour.x, background_colour.y, background_colour.z, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    // Points are squares of whole pixels: smoothing would cost the rasteriser for nothing.
    glDisable(GL_POINT_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glFrontFace(GL_CW);
    SetProjection();
    glGetIntegerv(GL_VIEWPORT, view_);
    if (!display_on) {
        glDisable(GL_DEPTH_TEST);
        glColor3f(1, 1, 1);
        const std::string notice = "DISPLAY DISABLED";
        font_.DrawAt((view_[2] - font_.Width(notice)) / 2, view_[3] / 2, notice, view_[2], view_[3]);
        return;
    }
    glEnable(GL_DEPTH_TEST);
    SetCamera();
    glGetDoublev(GL_MODELVIEW_MATRIX, model_);
    glGetDoublev(GL_PROJECTION_MATRIX, proj_);

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
    if (grid_dirty_ || !grid_list_ || grid_square_ != prefs.grid_square || grid_dimension_ != prefs.grid_dimension) {
        if (!grid_list_) grid_list_ = glGenLists(1);
        grid_square_ = prefs.grid_square;
        grid_dimension_ = prefs.grid_dimension;
        const int n = grid_dimension_ < 0 ? 0 : grid_dimension_;
        const float half = 0.5f * static_cast<float>(n) * grid_square_;
        glNewList(grid_list_, GL_COMPILE);
        glColor3f(0.4f, 0.4f, 0.4f);
        // Lines in pieces of about a square: the fading below is worked out at the ends of
        // each piece, and a line in one piece would fade as a whole.
        const int pieces = n < 1 ? 1 : (n > 200 ? 200 : n);
        const float piece = 2.0f * half / static_cast<float>(pieces);
        glBegin(GL_LINES);
        for (int i = 0; i <= n; ++i) {
            const float at = -half + static_cast<float>(i) * grid_square_;
            for (int k = 0; k < pieces; ++k) {
                const float a = -half + static_cast<float>(k) * piece, b = a + piece;
                glVertex3f(at, 0, a);
                glVertex3f(at, 0, b);
                glVertex3f(a, 0, at);
                glVertex3f(b, 0, at);
            }
        }
        glEnd();
        glEndList();
        grid_dirty_ = false;
    }
    // Seen in perspective, the far lines of a wide grid crowd into a solid band at the
    // horizon. They fade into the background before they come closer than about five pixels
    // to each other: lines one square apart, seen from the eye's height h at distance d, are
    // focal · h · square / d² pixels apart on the screen.
    const bool fade = !IsOrtho();
    if (fade) {
        const GLfloat colour[4] = {background_colour.x, background_colour.y, background_colour.z, 1.0f};
        const float focal = 0.5f * static_cast<float>(view_[3]) / std::tan(0.5f * view::kFieldOfView * 0.017453292f);
        const float h = std::max(std::fabs(camera.eye.y), 0.01f);
        const float end = std::max(std::sqrt(focal * h * grid_square_ / 5.0f), camera.distance + 2.0f * grid_square_);
        glFogi(GL_FOG_MODE, GL_LINEAR);
        glFogfv(GL_FOG_COLOR, colour);
        glFogf(GL_FOG_START, 0.45f * end);
        glFogf(GL_FOG_END, end);
        glEnable(GL_FOG);
    }
    glCallList(grid_list_);
    if (fade) glDisable(GL_FOG);
}

QPointF Viewport::Project(const Vector& world) const {
    double x = 0, y = 0, z = 0;
    if (gluProject(world.x, world.y, world.z, model_, proj_, view_, &x, &y, &z) != GL_TRUE) return {-1, -1};
    const double r = devicePixelRatio();
    return QPointF(x / r, (view_[3] - y) / r);
}

void Viewport::DrawTexts() {
    glDisable(GL_DEPTH_TEST);
    const int w = view_[2], h = view_[3];
    const int r = static_cast<int>(devicePixelRatioF() + 0.5);
    if (view_settings.view_axes) {
        const bool z_up = host_platform == kPlatformMax || host_platform == kPlatformMayaZUp;
        const char* labels[3] = {"X", z_up ? "Z" : "Y", z_up ? "Y" : "Z"};
        const float colours[3][3] = {{1.0f, 0.35f, 0.35f}, {0.35f, 0.9f, 0.35f}, {0.45f, 0.55f, 1.0f}};
        for (int a = 0; a < 3; ++a) {
            glColor3fv(colours[a]);
            font_.DrawAtPoint(a == 0 ? 1.12f : 0.0f, a == 1 ? 1.12f : 0.0f, a == 2 ? 1.12f : 0.0f, -3 * r,
                              -4 * r, labels[a]);
        }
    }
    if (view_settings.message[0]) {
        glColor3f(1, 1, 1);
        font_.DrawAt(view_settings.message_x * r, view_settings.message_y * r + font_.Ascent(), view_settings.message,
                     w, h);
    }
    if (view_settings.view_info) {
        long particles = 0;
        int fluids = 0, daemons = 0;
        for (Fluido* f = rootflow; f; f = f->next, ++fluids) particles += f->count;
        for (Nodo* n = root.next; n; n = n->next) ++daemons;
        const std::string lines[2] = {
            platform::Format("%s view   Frame %d   Time %.3f s", kViewNames[IsOrtho() ? camera.view_mode : 0], frame,
                             static_cast<double>(tuniversal)),
            platform::Format("%d fluid%s, %ld particles, %d daemon%s", fluids, fluids == 1 ? "" : "s", particles,
                             daemons, daemons == 1 ? "" : "s")};
        glColor3f(0.85f, 0.85f, 0.85f);
        const int step = font_.LineHeight();
        font_.DrawAt(8 * r, h - 8 * r - step, lines[0], w, h);
        font_.DrawAt(8 * r, h - 8 * r, lines[1], w, h);
    }
    if (!rubber_.isNull()) {
        const QRect box = rubber_.normalized();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, width(), height(), 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glColor3f(1, 1, 1);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, 0xF0F0);
        glBegin(GL_LINE_LOOP);
        glVertex2f(box.left() + 0.5f, box.top() + 0.5f);
        glVertex2f(box.right() + 0.5f, box.top() + 0.5f);
        glVertex2f(box.right() + 0.5f, box.bottom() + 0.5f);
        glVertex2f(box.left() + 0.5f, box.bottom() + 0.5f);
        glEnd();
        glDisable(GL_LINE_STIPPLE);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glEnable(GL_DEPTH_TEST);
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
