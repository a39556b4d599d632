#pragma once

#include "math/vector.h"
#include "ui/draw_hooks.h"
#include "ui/mesh_draw.h"

// One picture of the scene with the fixed-function pipeline, into whatever GL context is
// current: the window's, or the batch run's offscreen one, so a captured frame is the picture
// the viewport shows. Everything drawn comes from the scene's own state (the camera, the view
// settings, the element drawers); the caller only says how large the picture is.

namespace ui {

class GlFont;

// A region of the picture in device pixels, origin at the bottom left: what picking draws
// into instead of the whole picture.
struct PickRegion {
    double x, y;           // its centre
    double width, height;  // at least one pixel each
};

class ScenePicture {
public:
    struct Options {
        int width = 1, height = 1;  // device pixels
        double pixel_ratio = 1.0;   // device pixels per interface pixel (text placement)
        bool display_on = true;     // off: only "DISPLAY DISABLED"
        bool first_person = false;
        bool fast = false;          // the camera moves with fast view on
        // A dashed rectangle over the picture, in interface pixels from the top left; none
        // when its width or height is negative.
        int rubber_x = 0, rubber_y = 0, rubber_w = -1, rubber_h = -1;
    };

    // The letters of the axes, the message and the overlay; none without a font.
    void SetFont(const GlFont* font) { font_ = font; }
    // The grid is compiled again at the next picture (its settings changed).
    void InvalidateGrid() { grid_dirty_ = true; }
    // A new context has no display lists; ReleaseLists frees the grid's and the meshes' with it
    // current.
    void NewContext();
    void ReleaseLists();

    // The whole picture: clear, camera, particles and emitters, daemons, axes, grid, meshes,
    // objects, then the texts.
    void Paint(const Options& o);
    // Projection (preceded by a pick region when one is given) and model-view of the current
    // view, for a picture of o.width × o.height; then the pass the drawers are handed.
    void SetUpView(const Options& o, const PickRegion* pick);
    draw::Pass MakePass(const Options& o) const;

    // The matrices and viewport of the last SetUpView (those of a plain picture, never a
    // pick region's), for projecting points.
    const double* Model() const { return model_; }
    const double* Projection() const { return proj_; }
    const int* View() const { return view_; }
    // Device pixel (origin bottom left, z in 0..1) of a world point under the last picture.
    bool Project(const Vector& world, double* x, double* y, double* z) const;
    // The ray through a device pixel (origin bottom left) under the last picture.
    bool UnProject(double x, double y, Vector* origin, Vector* direction) const;

private:
    void DrawAxes();
    void DrawGrid();
    void DrawTexts(const Options& o);

    const GlFont* font_ = nullptr;
    bool grid_dirty_ = true;
    unsigned grid_list_ = 0;
    mutable draw::MeshLists mesh_lists_;  // handed to the mesh drawer with every pass
    float grid_square_ = 0;
    int grid_dimension_ = -1;
    double model_[16] = {};
    double proj_[16] = {};
    int view_[4] = {};
};

// The view is orthographic (top, front or side).
bool OrthographicView();

}  // namespace ui
