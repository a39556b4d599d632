#pragma once

// Pieces shared by the optimiser and the smoothing filter.

#include <cstdint>
#include <vector>

#include "math/vector.h"
#include "mesh/field.h"

class Mesh;

namespace mesh_refine {

// Neighbour lists packed one after another: vertex v's are items[start[v] .. start[v + 1]).
struct Csr {
    std::vector<int> start, items;
};

// Sweeps of the smoothing over n vertices (see SmoothMesh); type 1 moves along the surface only.
void SmoothSweeps(Vector* pos, const Vector* normals, const uint8_t* clip, int n, const Csr& adj,
                  int type, int sweeps);

// The field of the build in progress, as the optimiser asks it. Points close together share
// the particles gathered around the first of them.
class FieldProbe {
  public:
    explicit FieldProbe(const Mesh* mesh);
    bool Valid() const { return field_ != nullptr && h > 0.0f; }
    // Field - 1 at p.
    float Value(const Vector& p);
    // The forward difference with step 0.1 h, towards higher field; not normalised.
    Vector Gradient(const Vector& p);
    // Whether the build should give up (a stop request, unless files are due).
    bool StopRequested() const;
    float h = 0.0f;

  private:
    const SurfaceField* field_ = nullptr;
    const Mesh* mesh_;
    FieldGather gather_;
};

// Normalised field gradients: the normals the optimiser works with.
void GradientNormals(FieldProbe& probe, const Vector* pos, int n, Vector* normals);
// Each vertex moved along its normal onto the surface; vertices marked by clipping stay on
// the cut clipping gave them.
void Reproject(FieldProbe& probe, Vector* pos, const Vector* normals, const uint8_t* clip, int n);

Vector Cross(const Vector& a, const Vector& b);
Vector Unit(const Vector& v);

}  // namespace mesh_refine
