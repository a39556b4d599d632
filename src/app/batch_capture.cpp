#include "app/batch_capture.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>

#include <QCoreApplication>
#include <QFont>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "fluid/clock.h"
#include "fluid/draw_buffers.h"
#include "fluid/driver.h"
#include "output/frame_capture.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/view_settings.h"
#include "ui/gl_font.h"
#include "ui/scene_picture.h"

namespace batch_capture {
namespace {

struct Offscreen {
    EGLDisplay display = EGL_NO_DISPLAY;
    EGLSurface surface = EGL_NO_SURFACE;
    EGLContext context = EGL_NO_CONTEXT;
    int width = 0, height = 0;
    ui::GlFont font;
    ui::ScenePicture picture;
    std::vector<float> rgb;
};

Offscreen* g_offscreen = nullptr;
// The letters of the picture come from the interface's font, which needs an application
// object; the offscreen platform gives one without a display.
std::unique_ptr<QGuiApplication> g_application;

bool MakeCurrent(bool on) {
    const Offscreen& o = *g_offscreen;
    return on ? eglMakeCurrent(o.display, o.surface, o.surface, o.context) == EGL_TRUE
              : eglMakeCurrent(o.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT) == EGL_TRUE;
}

// On the simulation thread, between two steps: it owns the particles, so it hands the picture
// their latest copy itself.
void Capture() {
    if (!g_offscreen || !MakeCurrent(true)) return;
    Offscreen& o = *g_offscreen;
    draw_buffers::Request(draw_buffers::kPositions |
                          (view_settings.view_particle_motion ? draw_buffers::kVelocities : 0));
    draw_buffers::Publish();
    ui::ScenePicture::Options options;
    options.width = o.width;
    options.height = o.height;
    o.picture.Paint(options);
    o.rgb.resize(static_cast<size_t>(o.width) * static_cast<size_t>(o.height) * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, o.width, o.height, GL_RGB, GL_FLOAT, o.rgb.data());
    // Steps copy nothing for a picture until the next frame's.
    draw_buffers::Request(0);
    MakeCurrent(false);
    output::SaveCapturedFrame(o.rgb.data(), o.width, o.height, frame);
}

// The toolkit's notes about the desktop it lacks are no concern of a batch run.
void QuietToolkit(QtMsgType type, const QMessageLogContext&, const QString& text) {
    if (type == QtCriticalMsg || type == QtFatalMsg) std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

bool Fail(std::string* why, const std::string& text) {
    if (why) *why = text;
    Stop();
    return false;
}

}  // namespace

bool Start(int width, int height, std::string* why) {
    Stop();
    if (!QCoreApplication::instance()) {
        if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "undaline";
        static char* argv[] = {name, nullptr};
        qInstallMessageHandler(QuietToolkit);
        g_application = std::make_unique<QGuiApplication>(argc, argv);
    }
    g_offscreen = new Offscreen;
    Offscreen& o = *g_offscreen;
    o.width = width;
    o.height = height;
    auto platform_display =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (platform_display) o.display = platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (o.display == EGL_NO_DISPLAY) o.display = eglGetDisplay(EGL_DEFAULT_DISPLAY);
    EGLint major = 0, minor = 0;
    if (o.display == EGL_NO_DISPLAY || !eglInitialize(o.display, &major, &minor)) {
        o.display = EGL_NO_DISPLAY;
        return Fail(why, "no EGL display (Mesa's EGL, package libegl-mesa0, is needed)");
    }
    if (!eglBindAPI(EGL_OPENGL_API)) return Fail(why, "EGL offers no desktop OpenGL");
    const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RED_SIZE,   8, EGL_GREEN_SIZE, 8,
                             EGL_BLUE_SIZE,    8,               EGL_DEPTH_SIZE, 24, EGL_RENDERABLE_TYPE,
                             EGL_OPENGL_BIT,   EGL_NONE};
    EGLConfig config = nullptr;
    EGLint configs = 0;
    if (!eglChooseConfig(o.display, wanted, &config, 1, &configs) || configs < 1) {
        return Fail(why, "no offscreen OpenGL configuration with colour and depth");
    }
    const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    o.surface = eglCreatePbufferSurface(o.display, config, size);
    if (o.surface == EGL_NO_SURFACE) return Fail(why, platform::Format("no offscreen picture of %dx%d", width, height));
    o.context = eglCreateContext(o.display, config, EGL_NO_CONTEXT, nullptr);
    if (o.context == EGL_NO_CONTEXT || !MakeCurrent(true)) return Fail(why, "no OpenGL context");
    glPointSize(view_settings.point_size > 0 ? view_settings.point_size : 1.0f);
    glCullFace(GL_BACK);
    o.picture.NewContext();
    o.font.Build(QGuiApplication::font(), 1.0);
    o.picture.SetFont(&o.font);
    MakeCurrent(false);
    SimulationHooks().capture_image = Capture;
    return true;
}

void Stop() {
    SimulationHooks().capture_image = nullptr;
    output::CloseMovie();
    if (!g_offscreen) {
        g_application.reset();
        return;
    }
    Offscreen& o = *g_offscreen;
    if (o.context != EGL_NO_CONTEXT && MakeCurrent(true)) {
        o.picture.ReleaseLists();
        o.font.Release();
        MakeCurrent(false);
    }
    if (o.context != EGL_NO_CONTEXT) eglDestroyContext(o.display, o.context);
    if (o.surface != EGL_NO_SURFACE) eglDestroySurface(o.display, o.surface);
    if (o.display != EGL_NO_DISPLAY) eglTerminate(o.display);
    delete g_offscreen;
    g_offscreen = nullptr;
    // Gone before the program's own end, where Qt's statics may already be.
    g_application.reset();
}

}  // namespace batch_capture
