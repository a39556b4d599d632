#pragma once

// What the viewport draws, one hook per kind of element, called in this order after the
// camera is set: particles (with their emitters), nodes (daemons), then, after the axes and
// the grid, meshes and objects. A kind whose subsystem is not part of the program has no hook
// and draws nothing; adding a kind adds a hook, never a branch in the viewport.

namespace draw {

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
};

using Drawer = void (*)(const Pass& pass);

void SetDrawer(Layer layer, Drawer drawer);
Drawer GetDrawer(Layer layer);

// The drawers the viewport itself provides.
void DrawFluids(const Pass& pass);  // particle_draw.cpp
void DrawNodes(const Pass& pass);   // every node of the daemon list draws itself

}  // namespace draw
