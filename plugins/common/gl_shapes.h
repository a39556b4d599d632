#pragma once

// Outlines the shipped emitters and daemons draw in the viewport, in the node's own frame
// (its matrix), so they move, turn and grow with it. Plain fixed-function GL: the viewport's
// context is current while a node draws itself.

#include "undaline.h"

namespace shipped::gl {

struct Colour {
    float r, g, b;
};

// Everything between Begin and End is drawn in node's frame, in colour; a selected node is
// drawn white and a little bolder, as every selected element of the viewport is, and one
// switched off is dimmed.
void Begin(const Nodo& node, Colour colour);
// The same in world coordinates, for a drawing that belongs to `node`.
void BeginWorld(const Nodo& node, Colour colour);
void End();
// Whether the user has this node selected.
bool Selected(const Nodo& node);

void Line(const Vector& a, const Vector& b);
// A circle about the axis `normal` (0 x, 1 y, 2 z) through the point at `height` along it.
void Circle(float radius, int normal, float height = 0.0f);
// A box between two corners, as its twelve edges.
void Box(const Vector& lo, const Vector& hi);
// An arrow from a to b with a head of four barbs a fifth of its length.
void Arrow(const Vector& a, const Vector& b);
// A cone from the apex along local +y: its rim at `length`, opening by `half_angle` degrees.
void Cone(float length, float half_angle);
// A square of side `side` in the local xz plane, centred.
void Square(float side);

}  // namespace shipped::gl
