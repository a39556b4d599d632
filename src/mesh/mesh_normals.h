#pragma once

#include "export.h"

class Mesh;

// Face normals, normalise((V0 - V1) x (V0 - V2)), which point out of the fluid for the
// triangles of a build; and vertex normals, the normalised sum of the normals of the faces
// around each vertex.
UNDALINE_API void ComputeMeshNormals(Mesh* mesh);

// The per-vertex lists the filters work on: when smoothing or optimising, each vertex's
// neighbour vertices (no duplicates, in the order faces meet them); when optimising also its
// faces and its neighbour count (the largest kept in maxNeighbourCount).
UNDALINE_API void RecordMeshAdjacency(Mesh* mesh);
