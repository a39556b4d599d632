#include "ui/picking.h"

#include <GL/gl.h>

#include <algorithm>

#include "fluid/fluido.h"
#include "scene/nodo.h"
#include "ui/draw_hooks.h"

namespace ui {
namespace {

PickedHandler g_handlers[5] = {};

// The names at the bottom of the name stack of each hit record, in the buffer's order.
std::vector<GLuint> FirstNames(const std::vector<GLuint>& buffer, int hits) {
    std::vector<GLuint> names;
    size_t at = 0;
    for (int i = 0; i < hits && at + 3 <= buffer.size(); ++i) {
        const size_t n = buffer[at];
        if (n > 0 && at + 3 < buffer.size()) names.push_back(buffer[at + 3]);
        at += 3 + n;
    }
    return names;
}

// Runs draw in selection mode with a buffer of `ints`, growing it while the hits overflow.
template <class Draw>
int Select(std::vector<GLuint>& buffer, size_t ints, size_t most, Draw draw) {
    for (;;) {
        buffer.assign(ints, 0);
        glSelectBuffer(static_cast<GLsizei>(buffer.size()), buffer.data());
        glRenderMode(GL_SELECT);
        glInitNames();
        glPushName(0);
        draw();
        const int hits = glRenderMode(GL_RENDER);
        if (hits >= 0 || ints >= most) return hits;
        ints = std::min(most, ints * 4);
    }
}

}  // namespace

NodeHits PickNodes(ScenePicture& picture, const ScenePicture::Options& o, double x, double y) {
    NodeHits result;
    const PickRegion region{x + 0.5, o.height - y - 0.5, kPickPixels, kPickPixels};
    picture.SetUpView(o, &region);
    draw::Pass pass = picture.MakePass(o);
    pass.picking = true;
    std::vector<GLuint> buffer;
    draw::BeginNames();
    Nodo* selected = selnodo;
    if (selected && selected->wants_sel) {
        const int hits = Select(buffer, kClickBufferInts, kClickBufferInts, [&] {
            draw::NameNode(selected);
            selected->RepresentaSel();
        });
        if (hits > 0) {
            selected->DoOnSel(buffer.data());
            result.taken_by_node = true;
            result.nodes.push_back(selected);
        }
        return result;
    }
    const int hits = Select(buffer, kClickBufferInts, size_t{1} << 22, [&] {
        for (int layer = 0; layer < draw::kLayerCount; ++layer) {
            if (auto d = draw::GetDrawer(static_cast<draw::Layer>(layer))) {
                glLoadName(0);  // what a drawer draws without a name is no element
                d(pass);
            }
        }
    });
    for (GLuint name : FirstNames(buffer, hits)) {
        Nodo* n = draw::NodeOfName(name);
        if (n && std::find(result.nodes.begin(), result.nodes.end(), n) == result.nodes.end()) result.nodes.push_back(n);
    }
    return result;
}

Nodo* ChooseHit(const std::vector<Nodo*>& hits, Nodo* selected, bool element_tool) {
    if (hits.empty()) return nullptr;
    const auto at = std::find(hits.begin(), hits.end(), selected);
    if (at == hits.end()) return hits.front();
    if (element_tool) return selected;
    return std::next(at) == hits.end() ? hits.front() : *std::next(at);
}

std::vector<ParticleHit> PickParticles(ScenePicture& picture, const ScenePicture::Options& o, int x0, int y0, int x1,
                                       int y1) {
    // Corners are pixels: the rectangle runs from the low one's edge past the high one's.
    const int left = std::min(x0, x1), right = std::max(x0, x1) + 1;
    const int top = std::min(y0, y1), bottom = std::max(y0, y1) + 1;
    const PickRegion region{0.5 * (left + right), o.height - 0.5 * (top + bottom), double(right - left),
                            double(bottom - top)};
    std::vector<ParticleHit> everything;
    for (Fluido* f = rootflow; f; f = f->next) {
        for (Particula* p = f->First(); p; p = p->next) everything.push_back({f, p});
    }
    std::vector<ParticleHit> hits;
    if (everything.empty()) return hits;
    picture.SetUpView(o, &region);
    std::vector<GLuint> buffer;
    // Each pass names as many particles as the capped buffer can report.
    const size_t per_pass = kRectangleBufferInts / 4;
    for (size_t first = 0; first < everything.size(); first += per_pass) {
        const size_t last = std::min(everything.size(), first + per_pass);
        const int n = Select(buffer, 4 * (last - first), 4 * (last - first), [&] {
            for (size_t i = first; i < last; ++i) {
                glLoadName(static_cast<GLuint>(i - first + 1));
                const Vector& p = everything[i].particle->pos;
                glBegin(GL_POINTS);
                glVertex3f(p.x, p.y, p.z);
                glEnd();
            }
        });
        for (GLuint name : FirstNames(buffer, n)) {
            if (name >= 1 && name <= last - first) hits.push_back(everything[first + name - 1]);
        }
    }
    return hits;
}

void MarkParticles(const std::vector<ParticleHit>& hits, int mark) {
    for (const ParticleHit& h : hits) h.particle->frozen = mark;
}

void RemoveParticles(const std::vector<ParticleHit>& hits) {
    for (const ParticleHit& h : hits) h.fluid->RemoveParticula(h.particle);
    SweepRemovedParticles();
}

void SetPickedHandler(int kind, PickedHandler handler) {
    if (kind >= 1 && kind <= 4) g_handlers[kind] = handler;
}

PickedHandler GetPickedHandler(int kind) { return kind >= 1 && kind <= 4 ? g_handlers[kind] : nullptr; }

}  // namespace ui
