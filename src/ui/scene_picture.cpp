#include "ui/scene_picture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "io/config.h"
#include "platform/format.h"
#include "scene/axes.h"
#include "scene/nodo.h"
#include "scene/preferences.h"
#include "scene/view_settings.h"
#include "ui/camera_math.h"
#include "ui/gl_font.h"

namespace ui {
namespace {

const char* const kViewNames[] = {"Perspective", "Top", "Front", "Side"};

}  // namespace

bool OrthographicView() { return camera.view_mode >= view::kTop && camera.view_mode <= view::kSide; }

void ScenePicture::NewContext() {
    grid_dirty_ = true;
    grid_list_ = 0;
    mesh_lists_.Forget();
}

void ScenePicture::ReleaseLists() {
    if (grid_list_) glDeleteLists(grid_list_, 1);
    grid_list_ = 0;
    mesh_lists_.Release();
}

void ScenePicture::SetUpView(const Options& o, const PickRegion* pick) {
    const int w = o.width, h = o.height > 0 ? o.height : 1;
    glViewport(0, 0, w, h);
    const double aspect = static_cast<double>(w) / h;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (pick) {
        const GLint viewport[4] = {0, 0, w, h};
        gluPickMatrix(pick->x, pick->y, std::max(pick->width, 1.0), std::max(pick->height, 1.0),
                      const_cast<GLint*>(viewport));
    }
    if (OrthographicView()) {
        const double z = camera.zoom[camera.view_mode - 1];
        glOrtho(-z * aspect, z * aspect, -z, z, -1000.0, 1000.0);
    } else {
        gluPerspective(view::kFieldOfView, aspect, view::kNearPlane, view::kFarPlane);
    }
    glScalef(-1.0f, 1.0f, 1.0f);

    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (OrthographicView()) {
        if (camera.view_mode == view::kTop) glRotatef(90.0f, 1, 0, 0);
        if (camera.view_mode == view::kSide) glRotatef(-90.0f, 0, 1, 0);
        const Vector& c = camera.centre[camera.view_mode - 1];
        glTranslatef(-c.x, -c.y, -c.z);
    } else {
        view::UpdateOrbit(camera, o.first_person);
        gluLookAt(camera.eye.x, camera.eye.y, camera.eye.z, camera.target.x, camera.target.y, camera.target.z,
                  camera.up.x, camera.up.y, camera.up.z);
    }
    if (!pick) {
        glGetIntegerv(GL_VIEWPORT, view_);
        glGetDoublev(GL_MODELVIEW_MATRIX, model_);
        glGetDoublev(GL_PROJECTION_MATRIX, proj_);
    }
}

draw::Pass ScenePicture::MakePass(const Options& o) const {
    draw::Pass pass{};
    pass.fast = o.fast;
    pass.view_emitters = view_settings.view_emitters != 0;
    pass.view_daemons = view_settings.view_daemons != 0;
    pass.view_motion = view_settings.view_particle_motion != 0;
    pass.cull_back_faces = backface_culling != 0;
    pass.point_size = view_settings.point_size;
    pass.particle_length = view_settings.particle_length;
    pass.picking = false;
    pass.meshes = &mesh_lists_;
    return pass;
}

void ScenePicture::Paint(const Options& o) {
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
    glFrontFace(GL_CW);  // the x mirror turns the winding over
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (!o.display_on) {
        glViewport(0, 0, o.width, o.height > 0 ? o.height : 1);
        glGetIntegerv(GL_VIEWPORT, view_);
        glDisable(GL_DEPTH_TEST);
        glColor3f(1, 1, 1);
        const std::string notice = "DISPLAY DISABLED";
        if (font_) font_->DrawAt((view_[2] - font_->Width(notice)) / 2, view_[3] / 2, notice, view_[2], view_[3]);
        return;
    }
    glEnable(GL_DEPTH_TEST);
    SetUpView(o, nullptr);
    const draw::Pass pass = MakePass(o);
    if (auto d = draw::GetDrawer(draw::kParticles)) d(pass);
    if (auto d = draw::GetDrawer(draw::kNodes)) d(pass);
    if (view_settings.view_axes) DrawAxes();
    if (view_settings.view_grid) DrawGrid();
    if (auto d = draw::GetDrawer(draw::kMeshes)) d(pass);
    if (pass.cull_back_faces) glEnable(GL_CULL_FACE);
    if (auto d = draw::GetDrawer(draw::kObjects)) d(pass);
    glDisable(GL_CULL_FACE);
    DrawTexts(o);
}

void ScenePicture::DrawAxes() {
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

void ScenePicture::DrawGrid() {
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
    const bool fade = !OrthographicView();
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

bool ScenePicture::Project(const Vector& world, double* x, double* y, double* z) const {
    return gluProject(world.x, world.y, world.z, model_, proj_, view_, x, y, z) == GL_TRUE;
}

bool ScenePicture::UnProject(double x, double y, Vector* origin, Vector* direction) const {
    double n[3], f[3];
    if (gluUnProject(x, y, 0.0, model_, proj_, view_, &n[0], &n[1], &n[2]) != GL_TRUE) return false;
    if (gluUnProject(x, y, 1.0, model_, proj_, view_, &f[0], &f[1], &f[2]) != GL_TRUE) return false;
    *origin = Vector(static_cast<float>(n[0]), static_cast<float>(n[1]), static_cast<float>(n[2]));
    *direction = Vector(static_cast<float>(f[0] - n[0]), static_cast<float>(f[1] - n[1]), static_cast<float>(f[2] - n[2]));
    return true;
}

void ScenePicture::DrawTexts(const Options& o) {
    glDisable(GL_DEPTH_TEST);
    const int w = view_[2], h = view_[3];
    const int r = static_cast<int>(o.pixel_ratio + 0.5);
    if (font_ && view_settings.view_axes) {
        const bool z_up = host_platform == kPlatformMax || host_platform == kPlatformMayaZUp;
        const char* labels[3] = {"X", z_up ? "Z" : "Y", z_up ? "Y" : "Z"};
        const float colours[3][3] = {{1.0f, 0.35f, 0.35f}, {0.35f, 0.9f, 0.35f}, {0.45f, 0.55f, 1.0f}};
        for (int a = 0; a < 3; ++a) {
            glColor3fv(colours[a]);
            font_->DrawAtPoint(a == 0 ? 1.12f : 0.0f, a == 1 ? 1.12f : 0.0f, a == 2 ? 1.12f : 0.0f, -3 * r, -4 * r,
                               labels[a]);
        }
    }
    if (font_ && view_settings.message[0]) {
        glColor3f(1, 1, 1);
        font_->DrawAt(view_settings.message_x * r, view_settings.message_y * r + font_->Ascent(), view_settings.message,
                      w, h);
    }
    if (font_ && view_settings.view_info) {
        long particles = 0;
        int fluids = 0, daemons = 0;
        for (Fluido* f = rootflow; f; f = f->next, ++fluids) particles += f->count;
        for (Nodo* n = root.next; n; n = n->next) ++daemons;
        const std::string lines[2] = {
            platform::Format("%s view   Frame %d   Time %.3f s", kViewNames[OrthographicView() ? camera.view_mode : 0],
                             frame, static_cast<double>(tuniversal)),
            platform::Format("%d fluid%s, %ld particles, %d daemon%s", fluids, fluids == 1 ? "" : "s", particles,
                             daemons, daemons == 1 ? "" : "s")};
        glColor3f(0.85f, 0.85f, 0.85f);
        const int step = font_->LineHeight();
        font_->DrawAt(8 * r, h - 8 * r - step, lines[0], w, h);
        font_->DrawAt(8 * r, h - 8 * r, lines[1], w, h);
    }
    if (o.rubber_w >= 0 && o.rubber_h >= 0) {
        const double s = o.pixel_ratio;
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, w / s, h / s, 0, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glColor3f(1, 1, 1);
        glEnable(GL_LINE_STIPPLE);
        glLineStipple(1, 0xF0F0);
        const float x0 = o.rubber_x + 0.5f, y0 = o.rubber_y + 0.5f;
        const float x1 = x0 + static_cast<float>(o.rubber_w), y1 = y0 + static_cast<float>(o.rubber_h);
        glBegin(GL_LINE_LOOP);
        glVertex2f(x0, y0);
        glVertex2f(x1, y0);
        glVertex2f(x1, y1);
        glVertex2f(x0, y1);
        glEnd();
        glDisable(GL_LINE_STIPPLE);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glEnable(GL_DEPTH_TEST);
}

}  // namespace ui
