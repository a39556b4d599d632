// How fast the viewport draws particles: ms per redraw of 100,000 and 1,000,000 particles at
// 1280 x 720 with one vertex array per fluid, next to a picture drawn with one call per
// particle in the same run; and how long the scene mutex is held per fluid while the arrays
// are filled. Needs an X display (./undaline bench runs it under a virtual one).
#include <GL/gl.h>
#include <GL/glu.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <chrono>
#include <cstdio>

#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "math/random.h"
#include "ui/draw_hooks.h"
#include "ui/particle_draw.h"

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point t0) { return std::chrono::duration<double, std::milli>(Clock::now() - t0).count(); }

void SetCamera() {
    glViewport(0, 0, 1280, 720);
    glClearColor(0, 0, 0, 1);
    glEnable(GL_DEPTH_TEST);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1280.0 / 720.0, 0.1, 1000.0);
    glScalef(-1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    gluLookAt(0, 3, 8, 0, 0, 0, 0, 1, 0);
}

// The reference: each particle drawn by calls of its own.
void DrawOneByOne(Fluido* f) {
    glPointSize(2.0f);
    for (Particula* p = f->First(); p; p = p->next) {
        const float t = p->vel.Modulo();
        glBegin(GL_POINTS);
        glColor3f(t, 1.0f - t, 0.0f);
        glVertex3f(p->pos.x, p->pos.y, p->pos.z);
        glEnd();
    }
}

template <typename Body>
double BestMs(int runs, Body body) {
    double best = 1e30;
    for (int i = 0; i < runs; ++i) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        auto t0 = Clock::now();
        body();
        glFinish();
        const double ms = Ms(t0);
        if (ms < best) best = ms;
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QSurfaceFormat format;
    format.setProfile(QSurfaceFormat::CompatibilityProfile);
    format.setVersion(2, 1);
    format.setDepthBufferSize(24);
    QSurfaceFormat::setDefaultFormat(format);
    QGuiApplication app(argc, argv);
    QOffscreenSurface surface;
    surface.create();
    QOpenGLContext context;
    if (!context.create() || !context.makeCurrent(&surface)) {
        std::fprintf(stderr, "viewport bench: no OpenGL context (is there a display?)\n");
        return 1;
    }
    QOpenGLFramebufferObject target(1280, 720, QOpenGLFramebufferObject::Depth);
    target.bind();
    SetCamera();
    std::printf("viewport: particles drawn at 1280x720 (%s)\n", reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    std::printf("%10s %14s %16s %7s %18s\n", "particles", "arrays ms", "one-by-one ms", "ratio", "mutex held ms");

    draw::Pass pass{};
    pass.point_size = 2.0f;
    pass.particle_length = 1.0f;
    for (int n : {100000, 1000000}) {
        ClearFluidScene();
        Fluido* f = MakeEmptyFluid();
        for (int i = 0; i < n; ++i) {
            f->CreaParticula(Vector(DameRandom11() * 3, DameRandom() * 2, DameRandom11() * 3),
                             Vector(DameRandom(), 0, 0));
        }
        const int runs = n > 500000 ? 3 : 8;
        draw::DrawFluids(pass);  // the arrays grow once
        const double arrays = BestMs(runs, [&] { draw::DrawFluids(pass); });
        const double reference = BestMs(runs, [&] { DrawOneByOne(f); });
        draw::ParticleArrays a;
        draw::GatherParticles(f, a, false, 1.0f);
        double held = 1e30;
        for (int i = 0; i < runs; ++i) {
            auto t0 = Clock::now();
            draw::GatherParticles(f, a, false, 1.0f);  // the whole call runs under the mutex
            const double ms = Ms(t0);
            held = ms < held ? ms : held;
        }
        std::printf("%10d %14.2f %16.2f %6.1fx %18.2f\n", n, arrays, reference, reference / arrays, held);
    }
    std::printf("targets: ratio >= 10x; mutex held < 5 ms per fluid of 1,000,000 particles\n");
    ClearFluidScene();
    target.release();
    context.doneCurrent();
    return 0;
}
