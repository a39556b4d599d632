#pragma once

#include <QOpenGLWidget>
#include <QPoint>
#include <QPointF>
#include <QRect>

#include <atomic>
#include <functional>

#include "math/vector.h"
#include "scene/undo.h"
#include "scene/view_settings.h"
#include "ui/gl_font.h"

class Nodo;

namespace ui {

// The graphic window: draws the scene through the element drawers (draw_hooks.h) with the
// fixed-function pipeline, and turns mouse drags into camera moves and element moves.
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

    // Safe from any thread: asks for one redraw; requests made before it happens merge.
    void RequestRedraw();

    // Window pixel (origin top left) where a world point appeared in the last picture, as
    // the picture's own matrices put it; for tests and the move tool.
    QPointF Project(const Vector& world) const;
    // The grid's display list is rebuilt when its settings change.
    void InvalidateGrid() { grid_dirty_ = true; }
    // The current view's framing: the camera, and the view's centre, come back to their start.
    void ResetView();
    // Called after each change the mouse made (the window marks the scene modified).
    std::function<void()> on_changed;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void SetProjection();
    void SetCamera();
    void DrawAxes();
    void DrawGrid();
    void DrawTexts();
    bool PlanePoint(QPoint pixel, Vector* hit) const;
    void ZoomTo(const QRect& r);

    GlFont font_;
    double font_scale_ = 0;
    Tool tool_ = kToolCamera;
    std::atomic<bool> redraw_posted_{false};
    bool grid_dirty_ = true;
    unsigned grid_list_ = 0;
    float grid_square_ = 0;
    int grid_dimension_ = -1;

    // The last picture's matrices and viewport, for Project and the move tool.
    double model_[16] = {};
    double proj_[16] = {};
    int view_[4] = {};

    // Drag state.
    Qt::MouseButton button_ = Qt::NoButton;
    QPoint press_, last_;
    Camera camera_at_press_;
    bool camera_moving_ = false;
    Vector plane_last_;
    bool plane_valid_ = false;
    QRect rubber_;
    Nodo* undo_node_ = nullptr;  // the element a drag changes
    NodeTransform undo_before_;
};

}  // namespace ui
