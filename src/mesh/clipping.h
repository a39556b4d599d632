#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "export.h"
#include "math/vector.h"

class Fluido;
class MeshBuilder;

// What clipping did to a surface vertex.
enum class ClipResult { kKept, kMoved, kRemoved };

// The clipping box: a vertex farther than h outside the box goes; one inside within 0.95 h of
// a face is marked as clipped and has each coordinate within 0.15 h of a face set onto it; one
// in the band outside the box has every coordinate within h of a face set onto it.
UNDALINE_API ClipResult ClipByBox(const Vector& min, const Vector& max, float h, Vector* p);

// A face of a scene object as clipping sees it: unit normal and corners.
struct ClipFace {
    Vector normal;
    Vector v0, v1, v2;
};

// Clipping against object faces. Normal clipping pushes a vertex that lies behind a face
// (inside the object) onto the nearest face it projects into, when that is nearer than h/2,
// and removes it otherwise; inverse clipping does the same to vertices in front of every face.
UNDALINE_API ClipResult ClipByFaces(const ClipFace* faces, int n, float h, bool inverse,
                                    Vector* p);

// The faces of the objects the first linked fluid meets, filed by the cells of its grid they
// reach as the collision pass files them: each face's box over the step (corners and where
// their velocities take them), widened by the particles' motion and the body's collision
// distance; only cells that hold particles.
struct ClipIndex {
    std::vector<ClipFace> faces;
    std::unordered_map<int64_t, std::vector<int>> cells;  // cell key -> faces
    Vector origin;
    float cell = 0.0f;
    int nx = 0, ny = 0, nz = 0;
    void Clear() {
        faces.clear();
        cells.clear();
        nx = ny = nz = 0;
    }
};
// Fills the index from the fluid's grid and objects for a step of length dt.
UNDALINE_API void BuildClipIndex(const Fluido* fluid, float dt, ClipIndex* index);

// The faces of the scene's objects near p (within 3 cells of the first linked fluid's grid),
// each once.
UNDALINE_API void GatherClipFaces(const MeshBuilder& builder, const Vector& p,
                                  std::vector<ClipFace>* faces);

// Object clipping of a vertex: GatherClipFaces, then ClipByFaces with the mesh's settings.
ClipResult ClipByObjects(const MeshBuilder& builder, Vector* p);
