#pragma once

#include "export.h"

class Mesh;

// Refinement of a built surface: the optimiser that runs inside the build (it needs the field
// of the build, so the mesh's builder must still exist), and the smoothing filter that runs
// after it.

// The "Optimize" tab: face subdivision where the surface bends, then passes that remove
// vertices of flat regions and pull the rest back onto the surface, then, with the face limit
// on, more passes with a growing threshold until "Max. faces" is met. Does nothing while
// "Optimize mesh" is off.
UNDALINE_API void OptimiseMesh(Mesh* mesh);

// Sweeps of the smoothing: each vertex moves a sixteenth of the way to the mean of its
// neighbours, in index order, each seeing the moves before it; with the "Standard filter" only
// along the surface. Vertices marked by clipping and vertices without neighbours stay put.
UNDALINE_API void SmoothMesh(Mesh* mesh, int sweeps);

// The after-build filter of every frame: smoothing with strength x 250 sweeps when it is on,
// then face and vertex normals from the faces.
UNDALINE_API void FilterAfterBuild(Mesh* mesh);

// The "Filters" tab: clicking a filter selects it and turns smoothing on; clicking the
// selected one again turns it off.
UNDALINE_API void ChooseMeshFilter(Mesh* mesh, int type);

// Faces of the last mesh built, right after polygonising and after the whole build: the one-shot
// build reports the reduction between them.
UNDALINE_API int FacesPolygonised();
UNDALINE_API int FacesBuilt();
