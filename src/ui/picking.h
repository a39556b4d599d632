#pragma once

#include <vector>

#include "ui/scene_picture.h"

class Fluido;
class Nodo;
class Particula;

// Picking in the viewport with the graphics library's selection mode: the scene is drawn once
// more into a hit buffer instead of the screen, through a small region around the pointer,
// every element under a name. The GL context of the picture must be current.
namespace ui {

// The side of the square a click picks through, in device pixels.
constexpr int kPickPixels = 6;
// A click's hit buffer: sixteen records of four integers. It grows when more hit.
constexpr int kClickBufferInts = 64;
// The rectangle's buffer: four integers a particle, never more than this; beyond it the
// particles are named in several passes.
constexpr int kRectangleBufferInts = 65536;

struct NodeHits {
    std::vector<Nodo*> nodes;  // in the hit buffer's order, each once
    bool taken_by_node = false;  // the selected node wanted the hits and took them
};

// The nodes under device pixel (x, y), origin top left. When the selected node has wants_sel
// set only it is drawn, and when it is hit its DoOnSel receives the hit buffer.
NodeHits PickNodes(ScenePicture& picture, const ScenePicture::Options& o, double x, double y);

// The node a click selects among its hits: none without hits; the selected node itself when
// an element tool is active and it was hit; the hit after it in the buffer (the first after
// the last) when it was hit, so that clicks cycle through overlapping elements; otherwise the
// first hit.
Nodo* ChooseHit(const std::vector<Nodo*>& hits, Nodo* selected, bool element_tool);

struct ParticleHit {
    Fluido* fluid;
    Particula* particle;
};

// The particles of every fluid drawn inside the rectangle between device pixels (x0, y0) and
// (x1, y1), origin top left, corners included; a side of no length is one pixel wide. The
// particles must not change meanwhile (no simulation running).
std::vector<ParticleHit> PickParticles(ScenePicture& picture, const ScenePicture::Options& o, int x0, int y0, int x1,
                                       int y1);

// Sets the particles' frozen mark.
void MarkParticles(const std::vector<ParticleHit>& hits, int mark);
// Removes the particles from their fluids.
void RemoveParticles(const std::vector<ParticleHit>& hits);

// What a picked node does beyond becoming selnodo: a kind with no handler (objects and meshes
// until their panels install one) just becomes the selected node.
using PickedHandler = void (*)(Nodo* node);
void SetPickedHandler(int kind, PickedHandler handler);
PickedHandler GetPickedHandler(int kind);

}  // namespace ui
