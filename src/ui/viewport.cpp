#include "ui/viewport.h"

#include <GL/gl.h>

#include <QMetaObject>
#include <QOpenGLContext>
#include <QMouseEvent>
#include <QWheelEvent>

#include <algorithm>
#include <cmath>

#include "fluid/draw_buffers.h"
#include "fluid/driver.h"
#include "io/config.h"
#include "mesh/mesh.h"
#include "mesh/mesh_texture.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene/undo.h"
#include "ui/camera_math.h"
#include "ui/picking.h"
#include "ui/preview_texture.h"

namespace ui {
namespace {

// The window whose context holds the meshes' preview textures.
Viewport* g_texture_view = nullptr;

// Runs f with the window's context current, as it was before afterwards.
template <class F>
void InTextureContext(F f) {
    if (!g_texture_view || !g_texture_view->isValid()) return;
    const bool current = QOpenGLContext::currentContext() == g_texture_view->context();
    if (!current) g_texture_view->makeCurrent();
    f();
    if (!current) g_texture_view->doneCurrent();
}

uint32_t LoadTexture(const char* file) {
    output::RgbImage image;
    if (!ReadPreviewImage(file, &image)) return 0;
    uint32_t name = 0;
    InTextureContext([&] { name = MakePreviewTexture(image); });
    if (g_texture_view) g_texture_view->update();
    return name;
}

void ReleaseTexture(uint32_t name) {
    InTextureContext([&] {
        const GLuint n = name;
        glDeleteTextures(1, &n);
    });
    if (g_texture_view) g_texture_view->update();
}

}  // namespace

Viewport::Viewport(QWidget* parent) : QOpenGLWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 240);
    picture_.SetFont(&font_);
}

Viewport::~Viewport() {
    // Without a window, steps stop publishing the particles.
    draw_buffers::Request(0);
    makeCurrent();
    picture_.ReleaseLists();
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
    picture_.NewContext();
    font_.Build(font(), devicePixelRatioF());
    font_scale_ = devicePixelRatioF();
    // Textures live in a context: a new one (the first, or after the window moved) loads the
    // meshes' images again, those named before any window existed included.
    g_texture_view = this;
    SetPreviewTextureHooks({LoadTexture, ReleaseTexture});
    for (Mesh* m = rootmesh; m; m = m->nextMesh) m->textureName = 0;
    // After the set-up: a refused image asks the user, which must not happen inside it.
    QMetaObject::invokeMethod(
        this,
        [] {
            for (Mesh* m = rootmesh; m; m = m->nextMesh) {
                if (m->textureFile[0] && !m->textureName) ReloadPreviewTexture(m);
            }
        },
        Qt::QueuedConnection);
}

void Viewport::resizeGL(int, int) {
    // Moved to a screen of another pixel density: the letters follow.
    if (font_scale_ != devicePixelRatioF()) {
        font_.Build(font(), devicePixelRatioF());
        font_scale_ = devicePixelRatioF();
    }
}

ScenePicture::Options Viewport::PictureOptions() const {
    ScenePicture::Options o;
    o.width = width() * devicePixelRatio();
    o.height = height() * devicePixelRatio();
    o.pixel_ratio = devicePixelRatioF();
    o.display_on = display_on;
    o.first_person = first_person;
    o.fast = fast_view && camera_moving_;
    if (!rubber_.isNull()) {
        const QRect box = rubber_.normalized();
        o.rubber_x = box.left();
        o.rubber_y = box.top();
        o.rubber_w = box.width() - 1;
        o.rubber_h = box.height() - 1;
    }
    return o;
}

void Viewport::paintGL() { picture_.Paint(PictureOptions()); }

bool Viewport::CaptureFrame(std::vector<float>* rgb, int* w, int* h) {
    if (!isValid()) return false;  // never shown: no context to draw in
    makeCurrent();
    ScenePicture::Options o = PictureOptions();
    o.rubber_w = o.rubber_h = -1;  // the pointer's rectangle is no part of the scene
    // The display switch spares the window's drawing during long runs; the recorded frames
    // still show the scene.
    o.display_on = true;
    picture_.Paint(o);
    *w = o.width;
    *h = o.height;
    // Errors the drawing left behind are not the read's.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    rgb->resize(static_cast<size_t>(o.width) * static_cast<size_t>(o.height) * 3);
    glReadPixels(0, 0, o.width, o.height, GL_RGB, GL_FLOAT, rgb->data());
    const bool read = glGetError() == GL_NO_ERROR;
    doneCurrent();
    update();
    return read;
}

QPointF Viewport::Project(const Vector& world) const {
    double x = 0, y = 0, z = 0;
    if (!picture_.Project(world, &x, &y, &z)) return {-1, -1};
    const double r = devicePixelRatio();
    return QPointF(x / r, (picture_.View()[3] - y) / r);
}

bool Viewport::PlanePoint(QPoint pixel, Vector* hit) const {
    const double r = devicePixelRatio();
    Vector origin, dir;
    if (!picture_.UnProject(pixel.x() * r, picture_.View()[3] - pixel.y() * r, &origin, &dir)) return false;
    // The plane's normal: the shown axis the working plane leaves out.
    int normal = AY;
    if (flag_plane == kMoveXY) normal = AZ;
    if (flag_plane == kMoveYZ) normal = AX;
    if (flag_plane == kMoveY) normal = AZ;
    const Vector through = selnodo ? selnodo->pos : Vector(0, 0, 0);
    return view::RayPlane(origin, dir, through, normal, hit);
}

void Viewport::PickAt(QPoint pixel) {
    if (!isValid()) return;
    const double r = devicePixelRatio();
    makeCurrent();
    const NodeHits hits = PickNodes(picture_, PictureOptions(), pixel.x() * r, pixel.y() * r);
    doneCurrent();
    if (hits.taken_by_node) return;  // the node did what it wanted with them and stays selected
    Nodo* chosen = ChooseHit(hits.nodes, selnodo, ElementTool());
    if (selection_locked && chosen != selnodo) return;
    selnodo = chosen;
    if (on_picked) on_picked(chosen);
    update();
}

void Viewport::StartElementDrag() {
    plane_valid_ = tool_ == kToolMove && PlanePoint(last_, &plane_last_);
    undo_before_ = CaptureTransform(*selnodo);
    undo_node_ = selnodo;
}

void Viewport::mousePressEvent(QMouseEvent* e) {
    platform::ClearStatusOnClick();
    button_ = e->button();
    press_ = last_ = e->position().toPoint();
    camera_at_press_ = camera;
    plane_valid_ = false;
    clone_pending_ = false;
    if (button_ != Qt::LeftButton) return;
    if (zoom_region || particle_selection) {
        particle_rubber_ = !zoom_region;
        rubber_ = QRect(press_, press_);
        return;
    }
    if (tool_ == kToolSelect || ElementTool()) PickAt(press_);
    if (selnodo && ElementTool()) {
        StartElementDrag();
        // Only daemons and the emitters of fluids are copied, and never while a run steps.
        clone_pending_ = (e->modifiers() & Qt::ShiftModifier) && on_clone && !sim::Running() &&
                         (selnodo->kind == kKindDaemon || selnodo->kind == kKindEmitter);
    }
}

void Viewport::mouseMoveEvent(QMouseEvent* e) {
    const QPoint at = e->position().toPoint();
    const int dx = at.x() - last_.x(), dy = at.y() - last_.y();
    bool changed = false;
    if (button_ == Qt::LeftButton && !rubber_.isNull()) {
        rubber_ = QRect(press_, at);
        update();
        last_ = at;
        return;
    }
    if (clone_pending_ && button_ == Qt::LeftButton) {
        clone_pending_ = false;
        if (on_clone() && selnodo) StartElementDrag();
    }
    if (button_ == Qt::LeftButton && ElementTool() && selnodo && selnodo == undo_node_) {
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
    } else if ((button_ == Qt::LeftButton && (tool_ == kToolPan || (tool_ == kToolCamera && OrthographicView()))) ||
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
    if (button_ == Qt::LeftButton && !rubber_.isNull()) {
        const QRect box = QRect(press_, e->position().toPoint());
        if (particle_rubber_) {
            // The rectangle stays in view while its particles are asked about.
            SelectParticles(box);
        } else {
            ZoomTo(box.normalized());
            zoom_region = false;
        }
        rubber_ = QRect();
        particle_rubber_ = false;
    }
    if (undo_node_ && undo_node_ == selnodo) RecordUndo(undo_node_, kUndoTransform, undo_before_);
    undo_node_ = nullptr;
    clone_pending_ = false;
    button_ = Qt::NoButton;
    const bool was_moving = camera_moving_;
    camera_moving_ = false;
    if (was_moving && fast_view) update();  // objects and meshes back in their own mode
    update();
}

void Viewport::SelectParticles(const QRect& box) {
    // The particles belong to the simulation thread while it runs.
    if (sim::Running() || !isValid()) return;
    const double r = devicePixelRatio();
    makeCurrent();
    const std::vector<ParticleHit> hits =
        PickParticles(picture_, PictureOptions(), static_cast<int>(box.left() * r), static_cast<int>(box.top() * r),
                      static_cast<int>(box.right() * r), static_cast<int>(box.bottom() * r));
    doneCurrent();
    if (hits.empty()) {
        particle_selection = false;
        if (on_particle_mode_left) on_particle_mode_left();
        return;
    }
    MarkParticles(hits, -1);
    repaint();
    if (platform::MessageBox("Do you want to remove selected particles?", "Undaline", platform::kIconQuestion,
                             platform::kButtonsYesNo) == platform::kAnswerYes) {
        RemoveParticles(hits);
        if (on_changed) on_changed();
    } else {
        MarkParticles(hits, 0);
    }
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
    if (OrthographicView()) {
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
