#pragma once

#include "export.h"

class Fluido;
struct Face;

// Particles against the faces of the objects a fluid interacts with.
//
// Every step, for each fluid: the faces near the fluid's particles are marked (they alone take
// part in the thin-wall test of the neighbour search), each cell of the fluid's grid gets the
// list of faces its particles can reach within the step, and the collision pass bounces the
// particles off those faces, exchanges heat with the objects, applies their stickiness and
// shortens the step where a face and a particle close in on each other.

// One entry of a cell's face list (Voxel::faces). Links come from the fluid's FACE LISTS pool
// and vanish when the pool is rewound at the end of the step.
struct FaceLink {
    Face* face;
    FaceLink* next;
};

namespace collision {

// Most responses one particle gets in a step.
constexpr int kMaxResponses = 501;

// Near-fluid flags for the fluid's particle box: the faces of the fluid's objects, and of every
// object with the thin-face test, with a corner inside the box.
UNDALINE_API void MarkNearFaces(Fluido* f);

// Fills the face lists of the fluid's grid for a step of dt: each face, swept by its own motion
// and the particles' over dt and widened by the reach of its object, joins the list of every
// occupied cell its box touches. Lists exist until the grid is released at the end of the step;
// after a fluid's collision pass they are there for anyone who walks the grid.
UNDALINE_API void BuildFaceLists(Fluido* f, float dt);

// The collision pass of one fluid (its face lists are built first). It may lower inct. The
// result is the same whatever the number of threads.
UNDALINE_API void Collide(Fluido* f);

}  // namespace collision
