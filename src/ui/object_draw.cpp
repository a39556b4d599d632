// Polygon objects in the viewport: each body drawn in its display mode at its world
// positions, white when selected, with a cross at its position; under its name when picking.
#include <GL/gl.h>

#include "objects/body.h"
#include "objects/object_panel.h"
#include "ui/draw_hooks.h"

namespace draw {
namespace {

void Vertex(const Vector& v) { glVertex3f(v.x, v.y, v.z); }

void Cross(const Vector& at, bool empty) {
    constexpr float k = 0.2f;
    glBegin(GL_LINES);
    for (int a = 0; a < 3; ++a) {
        Vector d(a == 0 ? k : 0.0f, a == 1 ? k : 0.0f, a == 2 ? k : 0.0f);
        Vertex(at - d);
        Vertex(at + d);
    }
    glEnd();
    if (!empty) return;
    glBegin(GL_LINE_LOOP);
    Vertex(at + Vector(-k, 0, -k));
    Vertex(at + Vector(k, 0, -k));
    Vertex(at + Vector(k, 0, k));
    Vertex(at + Vector(-k, 0, k));
    glEnd();
}

// The corners in the order the loops 0-3, 4-7 and the lines 0-6, 1-5, 2-4, 3-7 expect.
void Box(const Body& b) {
    for (int loop = 0; loop < 2; ++loop) {
        glBegin(GL_LINE_LOOP);
        for (int i = 0; i < 4; ++i) Vertex(b.bounds[4 * loop + i].world);
        glEnd();
    }
    const int pairs[4][2] = {{0, 6}, {1, 5}, {2, 4}, {3, 7}};
    glBegin(GL_LINES);
    for (const auto& p : pairs) {
        Vertex(b.bounds[p[0]].world);
        Vertex(b.bounds[p[1]].world);
    }
    glEnd();
}

// The edges whose flag is set, as lines: what an outlined triangle shows, and what picking
// hits the same way on screen and in the hit buffer.
void Wire(const Body& b) {
    glBegin(GL_LINES);
    for (int i = 0; i < b.nfaces; ++i) {
        const Face& f = b.faces[i];
        for (int c = 0; c < 3; ++c) {
            if (!f.edgeFlags[c]) continue;
            Vertex(f.corner[c]->world);
            Vertex(f.corner[(c + 1) % 3]->world);
        }
    }
    glEnd();
}

void Filled(const Body& b, bool smooth) {
    glBegin(GL_TRIANGLES);
    for (int i = 0; i < b.nfaces; ++i) {
        const Face& f = b.faces[i];
        if (!smooth) glNormal3f(f.normal.x, f.normal.y, f.normal.z);
        for (int c = 0; c < 3; ++c) {
            if (smooth) glNormal3f(f.corner[c]->normal.x, f.corner[c]->normal.y, f.corner[c]->normal.z);
            Vertex(f.corner[c]->world);
        }
    }
    glEnd();
}

void Normals(const Body& b) {
    glColor3f(1, 0, 0);
    glBegin(GL_LINES);
    for (int i = 0; i < b.nfaces; ++i) {
        const Face& f = b.faces[i];
        const Vector c = (f.corner[0]->world + f.corner[1]->world + f.corner[2]->world) * 0.33f;
        Vertex(c);
        Vertex(c + f.normal * -0.1f);
    }
    glEnd();
}

void Shape(const Body& b, int display) {
    if (b.nfaces <= 0) return;
    switch (display) {
        case kDisplayBox: Box(b); break;
        case kDisplayFlat: Filled(b, false); break;
        case kDisplaySmooth: Filled(b, true); break;
        default: Wire(b); break;
    }
}

}  // namespace

void DrawObjects(const Pass& pass) {
    for (Body* b = rootbody.next; b; b = b->next) {
        // Moving the camera with fast view on, every body is its box.
        const int display = pass.fast ? static_cast<int>(kDisplayBox) : b->display;
        if (pass.picking) {
            NameNode(b);
            Cross(b->pos, b->nverts == 0 && b->nfaces == 0);
            Shape(*b, display);
            continue;
        }
        if (show_normals) Normals(*b);
        const bool lit = display == kDisplayFlat || display == kDisplaySmooth;
        if (lit) BeginLit();
        const Vector c = selnodo == static_cast<Nodo*>(b) ? Vector(1, 1, 1) : b->color;
        glColor3f(c.x, c.y, c.z);
        Shape(*b, display);
        if (lit) EndLit();
        glColor3f(c.x, c.y, c.z);
        Cross(b->pos, b->nverts == 0 && b->nfaces == 0);
    }
}

}  // namespace draw
