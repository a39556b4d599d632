#include "ui/particle_draw.h"

#include <GL/gl.h>

#include <cmath>
#include <mutex>

#include "fluid/fluido.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "ui/draw_hooks.h"

namespace draw {
namespace {

constexpr int kFreezeClassId = 11;  // the daemon whose frozen particles are shown white

enum ColourMode { kVelocity = 1, kPressure = 2, kTemperature = 3 };

float ParticleValue(int mode, const Particula* p) {
    switch (mode) {
        case kVelocity: return p->vel.Modulo();
        case kPressure: return p->pressure;
        case kTemperature: return p->temperature;
        default: return 0.0f;
    }
}

uint8_t Byte(float c) {
    if (!(c > 0.0f)) return 0;
    if (c >= 1.0f) return 255;
    return static_cast<uint8_t>(c * 255.0f + 0.5f);
}

}  // namespace

float ColourParameter(int mode, float value, float lo, float hi) {
    if (hi == lo) return mode == kTemperature ? 0.0f : 1.0f;
    float t = (value - lo) / (hi - lo);
    return t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
}

void GatherParticles(Fluido* f, ParticleArrays& a, bool motion, float particle_length) {
    const int mode = f->colourMode;
    const bool alt = f->useAltPos != 0;
    const float k = particle_length * 0.01f;
    std::lock_guard<std::mutex> lock(SceneMutex());
    const size_t n = static_cast<size_t>(f->count > 0 ? f->count : 0);
    // Resizing only grows: the arrays are kept from picture to picture.
    if (a.xyz.size() < 3 * n) a.xyz.resize(3 * n);
    if (a.value.size() < n) a.value.resize(n);
    if (motion && a.motion.size() < 6 * n) a.motion.resize(6 * n);
    a.marked.clear();
    float lo = 1e30f, hi = -1e30f;
    size_t i = 0;
    for (Particula* p = f->First(); p && i < n; p = p->next) {
        if (particles::IsDead(p)) continue;  // unlinked by the running step
        const Vector& q = alt ? p->altPos : p->pos;
        float* v = &a.xyz[3 * i];
        v[0] = q.x;
        v[1] = q.y;
        v[2] = q.z;
        const float value = ParticleValue(mode, p);
        a.value[i] = value;
        lo = value < lo ? value : lo;
        hi = value > hi ? value : hi;
        if (p->frozen != 0) {
            a.marked.push_back(static_cast<int>(i));
            a.marked.push_back(p->frozen);
        }
        if (motion) {
            float* m = &a.motion[6 * i];
            m[0] = q.x;
            m[1] = q.y;
            m[2] = q.z;
            m[3] = q.x + p->vel.x * k;
            m[4] = q.y + p->vel.y * k;
            m[5] = q.z + p->vel.z * k;
        }
        ++i;
    }
    a.count = static_cast<int>(i);
    a.lowest = i ? lo : 0.0f;
    a.highest = i ? hi : 0.0f;
}

void ColourParticles(const Fluido* f, ParticleArrays& a, bool show_frozen) {
    const size_t n = static_cast<size_t>(a.count);
    if (a.rgba.size() < 4 * n) a.rgba.resize(4 * n);
    const int mode = f->colourMode;
    if (mode < kVelocity || mode > kTemperature) {
        const uint8_t r = Byte(f->colour.x), g = Byte(f->colour.y), b = Byte(f->colour.z);
        for (size_t i = 0; i < n; ++i) {
            uint8_t* c = &a.rgba[4 * i];
            c[0] = r;
            c[1] = g;
            c[2] = b;
            c[3] = 255;
        }
    } else {
        const int q = mode - 1;
        float lo, hi;
        if (f->autoRange[q]) {
            lo = mode == kTemperature ? 0.0f : a.lowest;
            hi = a.highest;
        } else {
            hi = f->manualRange[2 * q];
            lo = f->manualRange[2 * q + 1];
        }
        for (size_t i = 0; i < n; ++i) {
            const float t = ColourParameter(mode, a.value[i], lo, hi);
            uint8_t* c = &a.rgba[4 * i];
            c[0] = Byte(t);
            c[1] = Byte(1.0f - t);
            c[2] = mode == kTemperature ? Byte(1.0f - t) : 0;
            c[3] = 255;
        }
    }
    for (size_t j = 0; j + 1 < a.marked.size(); j += 2) {
        const int mark = a.marked[j + 1];
        if (mark != -1 && !show_frozen) continue;
        uint8_t* c = &a.rgba[4 * static_cast<size_t>(a.marked[j])];
        c[0] = 255;
        c[1] = 255;
        c[2] = mark == -1 ? 0 : 255;
    }
}

void DrawParticleArrays(const ParticleArrays& a, float point_size) {
    if (a.count == 0 || point_size <= 0.0f) return;
    glPointSize(point_size);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, a.xyz.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, a.rgba.data());
    glDrawArrays(GL_POINTS, 0, a.count);
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

namespace {

void DrawMotion(const ParticleArrays& a) {
    glBegin(GL_LINES);
    for (int i = 0; i < a.count; ++i) {
        const uint8_t* c = &a.rgba[4 * static_cast<size_t>(i)];
        const float* m = &a.motion[6 * static_cast<size_t>(i)];
        glColor3ub(c[0], c[1], c[2]);
        glVertex3fv(m);
        glVertex3fv(m + 3);
    }
    glEnd();
}

}  // namespace

void DrawFluids(const Pass& pass) {
    static ParticleArrays arrays;  // kept: the next picture reuses the memory
    const bool show_frozen = seldaemon && seldaemon->descriptor &&
                             seldaemon->descriptor->class_id == kFreezeClassId;
    for (Fluido* f = rootflow; f; f = f->next) {
        GatherParticles(f, arrays, pass.view_motion, pass.particle_length);
        ColourParticles(f, arrays, show_frozen);
        DrawParticleArrays(arrays, pass.point_size);
        if (pass.view_motion) DrawMotion(arrays);
        if (pass.view_emitters && f->emitter) f->emitter->Representa();
    }
}

}  // namespace draw
