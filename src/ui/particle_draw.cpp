#include "ui/particle_draw.h"

#include <GL/gl.h>

#include <algorithm>
#include <climits>
#include <iterator>
#include <mutex>
#include <unordered_map>

#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "ui/draw_hooks.h"

namespace draw {
namespace {

constexpr int kFreezeClassId = 11;
// Fluids with fewer particles are drawn whole: sorting them out by pixel costs more than
// drawing them.
constexpr int kScreenPassFrom = 20000;
// The screen pass's marks: a particle outside the view, or too near a pixel's edge to judge.
constexpr int kOutside = -1, kOnEdge = -2;
constexpr float kEdge = 1.0f / 256.0f;  // the daemon whose frozen particles are shown white

enum ColourMode { kVelocity = 1, kPressure = 2, kTemperature = 3 };

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

void GatherParticles(Fluido* f, ParticleArrays& a, bool running, bool motion) {
    if (running) {
        draw_buffers::Take(f, a.copy);
        return;
    }
    std::lock_guard<std::mutex> lock(SceneMutex());
    draw_buffers::Fill(f, a.copy, motion);
}

Screen CurrentScreen() {
    Screen s{};
    float model[16], proj[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, model);
    glGetFloatv(GL_PROJECTION_MATRIX, proj);
    for (int c = 0; c < 4; ++c) {
        for (int r = 0; r < 4; ++r) {
            float sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += proj[4 * k + r] * model[4 * c + k];
            s.mvp[4 * c + r] = sum;
        }
    }
    GLint view[4];
    glGetIntegerv(GL_VIEWPORT, view);
    s.x = view[0];
    s.y = view[1];
    s.width = view[2];
    s.height = view[3];
    return s;
}

void KeepNearestPerPixel(ParticleArrays& a, const Screen& screen, int from) {
    const draw_buffers::ParticleSnapshot& s = a.copy;
    const int n = s.count;
    a.keep.resize(static_cast<size_t>(n));
    if (n < from || screen.width <= 0 || screen.height <= 0) {
        for (int i = 0; i < n; ++i) a.keep[static_cast<size_t>(i)] = i;
        return;
    }
    // The nearest particle of each pixel so far. Entries are put back to empty after every
    // pass through the pixels that were used, so the table is cleared only once.
    struct Nearest {
        float depth;
        int index;
    };
    static std::vector<Nearest> table;
    const size_t pixels = static_cast<size_t>(screen.width) * static_cast<size_t>(screen.height);
    if (table.size() != pixels) table.assign(pixels, Nearest{0.0f, -1});
    if (a.pixel.size() < static_cast<size_t>(n)) a.pixel.resize(static_cast<size_t>(n));
    const float* m = screen.mvp;
    const float half_w = 0.5f * static_cast<float>(screen.width);
    const float half_h = 0.5f * static_cast<float>(screen.height);
    for (int i = 0; i < n; ++i) {
        const float* p = &s.xyz[3 * static_cast<size_t>(i)];
        const float cx = m[0] * p[0] + m[4] * p[1] + m[8] * p[2] + m[12];
        const float cy = m[1] * p[0] + m[5] * p[1] + m[9] * p[2] + m[13];
        const float cz = m[2] * p[0] + m[6] * p[1] + m[10] * p[2] + m[14];
        const float cw = m[3] * p[0] + m[7] * p[1] + m[11] * p[2] + m[15];
        int at = kOutside;
        // A point is clipped by its centre, as the GL clips points.
        if (cw > 0.0f && cx >= -cw && cx <= cw && cy >= -cw && cy <= cw && cz >= -cw && cz <= cw) {
            const float inv = 1.0f / cw;
            const float wx = (cx * inv + 1.0f) * half_w, wy = (cy * inv + 1.0f) * half_h;
            const int px = std::min(static_cast<int>(wx), screen.width - 1);
            const int py = std::min(static_cast<int>(wy), screen.height - 1);
            // The rasteriser rounds a little differently: a point this close to a pixel's edge
            // may land in the next pixel, so it is drawn whatever this pass finds.
            const float fx = wx - static_cast<float>(px), fy = wy - static_cast<float>(py);
            if (fx < kEdge || fx > 1.0f - kEdge || fy < kEdge || fy > 1.0f - kEdge) {
                at = kOnEdge;
            } else {
                at = py * screen.width + px;
                Nearest& e = table[static_cast<size_t>(at)];
                const float depth = cz * inv;
                if (e.index < 0 || depth < e.depth) e = Nearest{depth, i};
            }
        }
        a.pixel[static_cast<size_t>(i)] = at;
    }
    size_t kept = 0;
    for (int i = 0; i < n; ++i) {
        const int at = a.pixel[static_cast<size_t>(i)];
        if (at == kOnEdge || (at >= 0 && table[static_cast<size_t>(at)].index == i)) a.keep[kept++] = i;
    }
    a.keep.resize(kept);
    for (int i : a.keep) {
        const int at = a.pixel[static_cast<size_t>(i)];
        if (at >= 0) table[static_cast<size_t>(at)].index = -1;
    }
}

void ColourParticles(const Fluido* f, ParticleArrays& a, bool show_frozen) {
    const draw_buffers::ParticleSnapshot& s = a.copy;
    const size_t n = a.keep.size();
    if (a.rgba.size() < 4 * n) a.rgba.resize(4 * n);
    if (a.xyz.size() < 3 * n) a.xyz.resize(3 * n);
    for (size_t k = 0; k < n; ++k) {
        const float* p = &s.xyz[3 * static_cast<size_t>(a.keep[k])];
        a.xyz[3 * k] = p[0];
        a.xyz[3 * k + 1] = p[1];
        a.xyz[3 * k + 2] = p[2];
    }
    const int mode = s.colour_mode;
    if (mode < kVelocity || mode > kTemperature) {
        const uint8_t r = Byte(f->colour.x), g = Byte(f->colour.y), b = Byte(f->colour.z);
        for (size_t k = 0; k < n; ++k) {
            uint8_t* c = &a.rgba[4 * k];
            c[0] = r;
            c[1] = g;
            c[2] = b;
            c[3] = 255;
        }
    } else {
        const int q = mode - 1;
        float lo, hi;
        if (f->autoRange[q]) {
            lo = mode == kTemperature ? 0.0f : s.lowest;
            hi = s.highest;
        } else {
            hi = f->manualRange[2 * q];
            lo = f->manualRange[2 * q + 1];
        }
        for (size_t k = 0; k < n; ++k) {
            const float t = ColourParameter(mode, s.value[static_cast<size_t>(a.keep[k])], lo, hi);
            uint8_t* c = &a.rgba[4 * k];
            c[0] = Byte(t);
            c[1] = Byte(1.0f - t);
            c[2] = mode == kTemperature ? Byte(1.0f - t) : 0;
            c[3] = 255;
        }
    }
    // Both lists are in increasing index order: one walk pairs the marks with the kept.
    size_t k = 0;
    for (size_t j = 0; j + 1 < s.marks.size(); j += 2) {
        const int index = s.marks[j], mark = s.marks[j + 1];
        while (k < n && a.keep[k] < index) ++k;
        if (k == n) break;
        if (a.keep[k] != index || (mark != -1 && !show_frozen)) continue;
        uint8_t* c = &a.rgba[4 * k];
        c[0] = 255;
        c[1] = 255;
        c[2] = mark == -1 ? 0 : 255;
    }
}

void MotionLines(ParticleArrays& a, float particle_length) {
    const draw_buffers::ParticleSnapshot& s = a.copy;
    const size_t n = a.keep.size();
    // A buffer published before motion lines were asked for has no velocities yet.
    if (s.vel.size() < 3 * static_cast<size_t>(s.count)) {
        a.motion.clear();
        return;
    }
    if (a.motion.size() < 6 * n) a.motion.resize(6 * n);
    const float k = particle_length * 0.01f;
    for (size_t j = 0; j < n; ++j) {
        const size_t i = static_cast<size_t>(a.keep[j]);
        const float* p = &s.xyz[3 * i];
        const float* v = &s.vel[3 * i];
        float* m = &a.motion[6 * j];
        m[0] = p[0];
        m[1] = p[1];
        m[2] = p[2];
        m[3] = p[0] + v[0] * k;
        m[4] = p[1] + v[1] * k;
        m[5] = p[2] + v[2] * k;
    }
}

void DrawParticleArrays(const ParticleArrays& a, float point_size, bool motion) {
    const int n = static_cast<int>(a.keep.size());
    if (n == 0 || point_size <= 0.0f) return;
    glPointSize(point_size);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, a.xyz.data());
    glColorPointer(4, GL_UNSIGNED_BYTE, 0, a.rgba.data());
    glDrawArrays(GL_POINTS, 0, n);
    if (motion && a.motion.size() >= 6 * static_cast<size_t>(n)) {
        // Both ends of a line take their particle's colour: the colours go twice as far.
        static std::vector<uint8_t> doubled;
        doubled.resize(8 * static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            for (int c = 0; c < 4; ++c) {
                doubled[8 * i + c] = doubled[8 * i + 4 + c] = a.rgba[4 * static_cast<size_t>(i) + c];
            }
        }
        glVertexPointer(3, GL_FLOAT, 0, a.motion.data());
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, doubled.data());
        glDrawArrays(GL_LINES, 0, 2 * n);
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void DrawFluids(const Pass& pass) {
    if (pass.picking) {
        // Only the emitters are picked here: each stands for its fluid.
        if (!pass.view_emitters) return;
        for (Fluido* f = rootflow; f; f = f->next) {
            if (!f->emitter) continue;
            NameNode(f->emitter);
            f->emitter->RepresentaSel();
        }
        return;
    }
    // Each fluid keeps its arrays from picture to picture: the memory is reused, and during a
    // run the last published copy stays on screen until the next one arrives.
    static std::unordered_map<const Fluido*, ParticleArrays> kept;
    const bool running = sim::Running();
    draw_buffers::Request(draw_buffers::kPositions | (pass.view_motion ? draw_buffers::kVelocities : 0));
    const bool show_frozen = seldaemon && seldaemon->descriptor &&
                             seldaemon->descriptor->class_id == kFreezeClassId;
    for (auto it = kept.begin(); it != kept.end();) {
        bool listed = false;
        for (Fluido* f = rootflow; f && !listed; f = f->next) listed = f == it->first;
        it = listed ? std::next(it) : kept.erase(it);
    }
    const Screen screen = CurrentScreen();
    for (Fluido* f = rootflow; f; f = f->next) {
        ParticleArrays& arrays = kept[f];
        GatherParticles(f, arrays, running, pass.view_motion);
        // Motion lines start at every particle, hidden or not.
        KeepNearestPerPixel(arrays, screen, pass.view_motion ? INT_MAX : kScreenPassFrom);
        ColourParticles(f, arrays, show_frozen);
        if (pass.view_motion) MotionLines(arrays, pass.particle_length);
        DrawParticleArrays(arrays, pass.point_size, pass.view_motion);
        if (pass.view_emitters && f->emitter) f->emitter->Representa();
    }
}

}  // namespace draw
