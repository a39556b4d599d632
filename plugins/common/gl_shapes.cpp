#include "gl_shapes.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>

namespace shipped::gl {
namespace {

constexpr float kPi = 3.14159265f;

// A perpendicular pair for the arrow's barbs.
void Perpendiculars(const Vector& d, Vector* u, Vector* v) {
    const Vector axis = std::fabs(d.x) < 0.9f ? Vector(1, 0, 0) : Vector(0, 1, 0);
    *u = axis ^ d;  // any vector across d
    const float len = u->Modulo();
    *u = len > 0.0f ? *u / len : Vector(0, 0, 1);
    *v = *u ^ d;
    const float lv = v->Modulo();
    *v = lv > 0.0f ? *v / lv : Vector(0, 1, 0);
}

}  // namespace

bool Selected(const Nodo& node) { return selnodo == &node; }

namespace {

void Start(const Nodo& node, Colour colour, const float* matrix) {
    glPushAttrib(GL_CURRENT_BIT | GL_LINE_BIT);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    if (matrix) glMultMatrixf(matrix);
    if (Selected(node)) {
        glColor3f(1.0f, 1.0f, 1.0f);
        glLineWidth(2.0f);
    } else {
        // A node switched off is shown dimmed.
        const float k = node.enabled ? 1.0f : 0.4f;
        glColor3f(colour.r * k, colour.g * k, colour.b * k);
        glLineWidth(1.0f);
    }
}

}  // namespace

void Begin(const Nodo& node, Colour colour) { Start(node, colour, node.matrix.m); }
void BeginWorld(const Nodo& node, Colour colour) { Start(node, colour, nullptr); }

void End() {
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glPopAttrib();
}

void Line(const Vector& a, const Vector& b) {
    glBegin(GL_LINES);
    glVertex3f(a.x, a.y, a.z);
    glVertex3f(b.x, b.y, b.z);
    glEnd();
}

void Circle(float radius, int normal, float height) {
    constexpr int kSegments = 40;
    const int u = (normal + 1) % 3, v = (normal + 2) % 3;
    glBegin(GL_LINE_LOOP);
    for (int i = 0; i < kSegments; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / kSegments;
        float p[3];
        p[normal] = height;
        p[u] = radius * std::cos(a);
        p[v] = radius * std::sin(a);
        glVertex3fv(p);
    }
    glEnd();
}

void Box(const Vector& lo, const Vector& hi) {
    const float x[2] = {lo.x, hi.x}, y[2] = {lo.y, hi.y}, z[2] = {lo.z, hi.z};
    glBegin(GL_LINES);
    for (int a = 0; a < 2; ++a) {
        for (int b = 0; b < 2; ++b) {
            glVertex3f(x[0], y[a], z[b]);
            glVertex3f(x[1], y[a], z[b]);
            glVertex3f(x[a], y[0], z[b]);
            glVertex3f(x[a], y[1], z[b]);
            glVertex3f(x[a], y[b], z[0]);
            glVertex3f(x[a], y[b], z[1]);
        }
    }
    glEnd();
}

void Arrow(const Vector& a, const Vector& b) {
    const Vector d = b - a;
    const float len = d.Modulo();
    if (!(len > 0.0f)) return;
    Line(a, b);
    Vector u, v;
    Perpendiculars(d / len, &u, &v);
    const float head = 0.2f * len;
    const Vector back = b - d * 0.2f;
    glBegin(GL_LINES);
    for (const Vector& side : {u, u * -1.0f, v, v * -1.0f}) {
        const Vector tip = back + side * (0.4f * head);
        glVertex3f(b.x, b.y, b.z);
        glVertex3f(tip.x, tip.y, tip.z);
    }
    glEnd();
}

void Cone(float length, float half_angle) {
    // Wide cones are drawn at most nearly flat: beyond that the rim would fold back.
    const float angle = std::min(half_angle, 80.0f) * kPi / 180.0f;
    const float rim = length * std::tan(angle);
    const float at = length;
    Circle(rim, 1, at);
    glBegin(GL_LINES);
    for (int i = 0; i < 8; ++i) {
        const float a = 2.0f * kPi * static_cast<float>(i) / 8.0f;
        glVertex3f(0, 0, 0);
        glVertex3f(rim * std::sin(a), at, rim * std::cos(a));
    }
    glEnd();
}

void Square(float side) {
    const float h = 0.5f * side;
    glBegin(GL_LINE_LOOP);
    glVertex3f(-h, 0, -h);
    glVertex3f(h, 0, -h);
    glVertex3f(h, 0, h);
    glVertex3f(-h, 0, h);
    glEnd();
}

}  // namespace shipped::gl
