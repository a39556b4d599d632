// How fast the viewport draws particles: ms per redraw of 100,000 and 1,000,000 particles at
// 1280 x 720 with one vertex array per fluid, next to two references drawn in the same run:
// a naive viewport's calls per particle (glBegin, glColor, glVertex, glEnd for each point)
// and immediate mode in one glBegin. Then what a running simulation pays: how long the scene
// mutex is held while the viewport takes a fluid's published particles, and what publishing
// adds to a step. Needs an X display (./undaline bench runs it under a virtual one).
#include <GL/gl.h>
#include <GL/glu.h>

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QSurfaceFormat>

#include <chrono>
#include <cstdio>

#include "fluid/draw_buffers.h"
#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "math/random.h"
#include "ui/application.h"
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

// The naive viewport: every particle is a call sequence of its own.
void DrawOneByOne(Fluido* f, float point_size) {
    glPointSize(point_size);
    for (Particula* p = f->First(); p; p = p->next) {
        const float t = p->vel.Modulo();
        glBegin(GL_POINTS);
        glColor3f(t, 1.0f - t, 0.0f);
        glVertex3f(p->pos.x, p->pos.y, p->pos.z);
        glEnd();
    }
}

// Immediate mode in one glBegin: a call per vertex and per colour, but one primitive.
void DrawImmediate(Fluido* f, float point_size) {
    glPointSize(point_size);
    glBegin(GL_POINTS);
    for (Particula* p = f->First(); p; p = p->next) {
        const float t = p->vel.Modulo();
        glColor3f(t, 1.0f - t, 0.0f);
        glVertex3f(p->pos.x, p->pos.y, p->pos.z);
    }
    glEnd();
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

// A cloud: particles spread at random through a box, each pixel of its footprint shared by
// few of them (the worst case for the viewport's pass over the pixels).
Fluido* Cloud(int n) {
    ClearFluidScene();
    Fluido* f = MakeEmptyFluid();
    f->colourMode = 1;
    for (int i = 0; i < n; ++i) {
        f->CreaParticula(Vector(DameRandom11() * 3, DameRandom() * 2, DameRandom11() * 3),
                         Vector(DameRandom(), 0, 0));
    }
    return f;
}

// Liquid: a block at rest spacing, as a tank or a dam-break column is.
Fluido* Liquid(int side) {
    ClearFluidScene();
    Fluido* f = MakeEmptyFluid();
    f->colourMode = 1;
    const float s = 2.0f / static_cast<float>(side);
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            for (int k = 0; k < side; ++k) {
                f->CreaParticula(Vector(-1.0f + i * s, j * s, -1.0f + k * s), Vector(DameRandom(), 0, 0));
            }
        }
    }
    return f;
}

void DrawingFigures() {
    std::printf("Drawing, ms per picture (best of several):\n");
    std::printf("%-7s %9s %5s %9s %9s %11s %11s %13s %10s\n", "scene", "particles", "point", "drawn",
                "arrays", "one-by-one", "one glBegin", "vs one-by-one", "vs glBegin");
    struct Case {
        const char* name;
        int n;       // particles, or the block's side for liquids
        bool liquid;
        float size;
    };
    const Case cases[] = {{"liquid", 47, true, 2}, {"liquid", 100, true, 1}, {"liquid", 100, true, 2},
                          {"liquid", 100, true, 3}, {"cloud", 100000, false, 2}, {"cloud", 1000000, false, 2}};
    for (const Case& c : cases) {
        Fluido* f = c.liquid ? Liquid(c.n) : Cloud(c.n);
        const int runs = f->count > 500000 ? 3 : 6;
        draw::Pass pass{};
        pass.point_size = c.size;
        pass.particle_length = 1.0f;
        draw::DrawFluids(pass);  // the arrays grow once
        const double arrays = BestMs(runs, [&] { draw::DrawFluids(pass); });
        draw::ParticleArrays probe;
        draw::GatherParticles(f, probe, false, false);
        draw::KeepNearestPerPixel(probe, draw::CurrentScreen(), 0);
        const double naive = BestMs(runs, [&] { DrawOneByOne(f, c.size); });
        const double immediate = BestMs(runs, [&] { DrawImmediate(f, c.size); });
        std::printf("%-7s %9d %5.0f %9zu %9.1f %11.1f %11.1f %12.1fx %9.1fx\n", c.name, f->count, c.size,
                    f->count >= 20000 ? probe.keep.size() : static_cast<size_t>(f->count), arrays, naive,
                    immediate, naive / arrays, immediate / arrays);
    }
}

void RunningFigures() {
    std::printf("\nWhile a simulation runs (1 fluid):\n");
    std::printf("%10s %12s %16s %14s %12s\n", "particles", "step ms", "publish ms", "publish/step",
                "mutex us");
    for (int side : {47, 100}) {  // about 100,000 and 1,000,000 particles
        ClearFluidScene();
        BlockSpec spec;
        spec.nx = spec.ny = spec.nz = side;
        spec.spacing = 0.05f;
        spec.jitter = 0.1f;
        Fluido* f = MakeBlockFluid(spec);
        StepFluids(0.0005f);  // sizes the pools
        auto t0 = Clock::now();
        StepFluids(0.0005f);
        const double step = Ms(t0);

        draw_buffers::Request(draw_buffers::kPositions);
        draw_buffers::Publish();  // the buffers grow once
        double publish = 1e30, held = 1e30;
        draw::ParticleArrays mine;
        for (int i = 0; i < 5; ++i) {
            t0 = Clock::now();
            draw_buffers::Publish();
            const double ms = Ms(t0);
            publish = ms < publish ? ms : publish;
            // Taking the buffer is everything the viewport does under the mutex.
            t0 = Clock::now();
            draw_buffers::Take(f, mine.copy);
            const double us = Ms(t0) * 1000.0;
            held = us < held ? us : held;
        }
        draw_buffers::Request(0);
        std::printf("%10d %12.1f %16.2f %13.2f%% %12.2f\n", f->count, step, publish, 100.0 * publish / step,
                    held);
    }
}

}  // namespace

int main(int argc, char** argv) {
    ui::UseViewportGlFormat();
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
    DrawingFigures();
    RunningFigures();
    std::printf("targets: arrays >= 10x one-by-one; mutex held < 5 ms per fluid of 1,000,000 particles\n");
    ClearFluidScene();
    target.release();
    context.doneCurrent();
    return 0;
}
