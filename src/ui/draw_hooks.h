#pragma once

// What the viewport draws, one hook per kind of element, called in this order after the
// camera is set: particles (with their emitters), nodes (daemons), then, after the axes and
// the grid, meshes and objects. A kind whose subsystem is not part of the program has no hook
// and draws nothing; adding a kind adds a hook, never a branch in the viewport.
//
// Picking calls the same hooks with pass.picking set, in GL's selection mode: a drawer then
// draws each element it shows that can be picked under its name, calling NameNode(node) and
// then the node's RepresentaSel, and nothing else (particles are not picked through the
// drawers). The names of the hits lead back to the nodes.

class Nodo;

namespace draw {

class MeshLists;

enum Layer { kParticles = 0, kNodes = 1, kMeshes = 2, kObjects = 3, kLayerCount = 4 };

// What every drawer is told about the picture being drawn.
struct Pass {
    bool fast;             // the camera is moving and fast view is on: simplest display
    bool view_emitters;    // emitters draw themselves with their fluid
    bool view_daemons;
    bool view_motion;      // particles get a line along their velocity
    bool cull_back_faces;  // objects' back faces
    float point_size;
    float particle_length;
    bool picking;          // selection mode: names and RepresentaSel only
    MeshLists* meshes;     // the meshes' display lists of the context drawn into
};

using Drawer = void (*)(const Pass& pass);

void SetDrawer(Layer layer, Drawer drawer);
Drawer GetDrawer(Layer layer);

// The drawers the viewport itself provides.
void DrawFluids(const Pass& pass);  // particle_draw.cpp
void DrawNodes(const Pass& pass);   // every node of the daemon list draws itself
void DrawMeshes(const Pass& pass);  // mesh_draw.cpp
void DrawObjects(const Pass& pass); // object_draw.cpp

// Shaded surfaces: one light at the eye, the current colour as the material, both sides lit.
void BeginLit();
void EndLit();

// The names of a picking pass. BeginNames forgets the last pass's; NameNode loads the next
// name for node (a drawer calls it before the node draws); NodeOfName gives the node back,
// null for 0 or a name this pass did not give.
void BeginNames();
void NameNode(Nodo* node);
Nodo* NodeOfName(unsigned name);

}  // namespace draw
