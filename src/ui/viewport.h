#pragma once

#include <QOpenGLWidget>
#include <QPoint>
#include <QPointF>
#include <QRect>

#include <atomic>
#include <functional>
#include <vector>

#include "math/vector.h"
#include "scene/undo.h"
#include "scene/view_settings.h"
#include "ui/gl_font.h"
#include "ui/scene_picture.h"

class Nodo;

namespace ui {

// The graphic window: draws the scene (scene_picture.h), turns mouse drags into camera moves
// and element moves, picks elements and particles, and reads its picture back for capture.
class Viewport : public QOpenGLWidget {
    Q_OBJECT

public:
    enum Tool { kToolCamera, kToolPan, kToolSelect, kToolMove, kToolRotate, kToolScale };

    explicit Viewport(QWidget* parent = nullptr);
    ~Viewport() override;

    Tool tool() const { return tool_; }
    void SetTool(Tool tool) { tool_ = tool; }
    bool display_on = true;    // "Display": off draws only "DISPLAY DISABLED"
    bool first_person = false;
    bool fast_view = false;
    bool zoom_region = false;  // the next left drag is a rectangle to zoom to
    bool selection_locked = false;  // "Lock selection": clicks keep the selected element
    bool particle_selection = false;  // left drags select particles for removal

    // Safe from any thread: asks for one redraw; requests made before it happens merge.
    void RequestRedraw();

    // Window pixel (origin top left) where a world point appeared in the last picture, as
    // the picture's own matrices put it; for tests and the move tool.
    QPointF Project(const Vector& world) const;
    // The grid's display list is rebuilt when its settings change.
    void InvalidateGrid() { picture_.InvalidateGrid(); }
    // The current view's framing: the camera, and the view's centre, come back to their start.
    void ResetView();
    // Called after each change the mouse made (the window marks the scene modified).
    std::function<void()> on_changed;
    // A click picked node (null: nothing, the selection is cleared); selnodo is already it.
    std::function<void(Nodo* node)> on_picked;
    // A Shift drag asks for a copy of the selected element to move instead; the copy, which
    // is then the selected node, or null.
    std::function<Nodo*()> on_clone;
    // A rectangle that caught no particle ended the particle selection.
    std::function<void()> on_particle_mode_left;

    // The picture as it stands, drawn afresh and read back: width × height pixels, three
    // floats each, rows from the bottom up; the scene even while the display is switched off.
    // The context is made current for it; false when there is none yet or the read failed.
    bool CaptureFrame(std::vector<float>* rgb, int* width, int* height);
    // The options of the picture the window shows.
    ScenePicture::Options PictureOptions() const;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    bool PlanePoint(QPoint pixel, Vector* hit) const;
    void ZoomTo(const QRect& r);
    bool ElementTool() const { return tool_ == kToolMove || tool_ == kToolRotate || tool_ == kToolScale; }
    void PickAt(QPoint pixel);
    void SelectParticles(const QRect& r);
    void StartElementDrag();

    GlFont font_;
    double font_scale_ = 0;
    Tool tool_ = kToolCamera;
    std::atomic<bool> redraw_posted_{false};
    ScenePicture picture_;

    // Drag state.
    Qt::MouseButton button_ = Qt::NoButton;
    QPoint press_, last_;
    Camera camera_at_press_;
    bool camera_moving_ = false;
    Vector plane_last_;
    bool plane_valid_ = false;
    QRect rubber_;
    bool particle_rubber_ = false;
    bool clone_pending_ = false;  // a Shift drag copies the element at its first movement
    Nodo* undo_node_ = nullptr;  // the element a drag changes
    NodeTransform undo_before_;
};

}  // namespace ui
