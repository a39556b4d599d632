#pragma once

#include <cstdint>
#include <vector>

#include "export.h"
#include "math/vector.h"

class Fluido;
class Mesh;
class Particula;
struct Lista;

// The surface field of a mesh: a sum over the particles of the linked fluids of
// sign * kernel scale * (1 - d^2/R^2)^3 within R, where the surface is field = 1.
//
// For a build, each linked fluid that has a neighbour grid is copied once into flat arrays in
// grid-cell order (x, then y, then z; the cells of one (x, y) column are contiguous), with
// each particle's current position and its signed weight: its link's kernel scale, negated for
// a subtractive link or for a fluid not linked to the mesh; particles of other linked fluids
// (they count through their own link) and marked particles are left out.
//
// Points near each other share their particles, so the particles around a place are gathered
// once (from the grid's columns near it) and every point close to it is summed over that short
// list. Each term is rounded to a fixed point (2^-32) and the terms are added as integers, which
// is exact: a point's value is the same bits whatever list it is summed over, in whatever order,
// with the wide or the plain arithmetic.

// Per-point outputs of the general evaluation (all optional).
struct FieldOutputs {
    Vector* colour = nullptr;    // blend of the linked fluids' colours
    float* weights = nullptr;    // S_L / T for each link
    Vector* texture = nullptr;   // texture channel value, divided by T
    Vector* velocity = nullptr;  // particle velocity, divided by T
    int channel = 0;             // 0 texture, 1 speed, 2 pressure, 3 temperature
    float channel_min = 0.0f;    // channels 1 to 3: (value - min) * scale
    float channel_scale = 1.0f;
};

// The particles near a place, for the points within `reach` of it.
struct FieldGather {
    Vector centre;
    float reach = -1.0f;               // negative: holds nothing yet
    int count = 0;                     // entries in use; the arrays may be longer
    std::vector<float> x, y, z, coef;
    std::vector<int> index;            // place in the source's arrays
    std::vector<int> begin;            // per source, its first entry; one more at the end

    // Room for n entries, keeping those in use.
    void Reserve(size_t n) {
        if (x.size() >= n) return;
        n = n * 2;
        x.resize(n);
        y.resize(n);
        z.resize(n);
        coef.resize(n);
        index.resize(n);
    }

    // Whether every particle within R of p is here.
    bool Covers(const Vector& p) const {
        if (reach < 0.0f) return false;
        const Vector d = p - centre;
        return d.x * d.x + d.y * d.y + d.z * d.z <= reach * reach;
    }
};

class UNDALINE_API SurfaceField {
public:
    // Copies the mesh's fluids as they are now (links' R and kernel scale must be set).
    // False when no linked fluid has a neighbour grid. Marks on the particles of the mesh's own
    // fluids are read only with linked_marks (they are all clear otherwise, and may be changing).
    bool Build(const Mesh& mesh, bool linked_marks = true);
    void Release();
    bool Empty() const { return sources_.empty(); }

    // Gathers the particles that matter for points within reach of centre.
    void Gather(const Vector& centre, float reach, FieldGather* out) const;
    // Field - 1 at p, and the blended colour when asked, from a gather that covers p.
    float ValueFrom(const FieldGather& g, const Vector& p, Vector* colour) const;
    // The same for any point (gathers for it alone).
    float Value(const Vector& p, Vector* colour) const;
    // With every output of FieldOutputs.
    float Evaluate(const Vector& p, const FieldOutputs& out) const;
    // The same from a gather that covers p. The particles are summed in the grid's order
    // whatever gather holds them, so the result does not depend on the gather.
    float EvaluateFrom(const FieldGather& g, const Vector& p, const FieldOutputs& out) const;

    // Forces the plain arithmetic (tests compare it with the wide one).
    static void UsePlainArithmetic(bool plain);

    struct Source {
        const Lista* link = nullptr;
        const Fluido* fluid = nullptr;
        float R = 0, R2 = 0, invR2 = 0;
        float ox = 0, oy = 0, oz = 0, cell = 1, invCell = 1, slack = 0;
        int nx = 0, ny = 0, nz = 0;
        bool noise = false, drag = false;
        float amplitude = 0, frequency = 0;
        int octaves = 0;
        Vector colour;
        int link_index = 0;                // place of the link in the mesh's list
        std::vector<int> start;            // nx * ny * nz + 1 offsets
        std::vector<float> x, y, z, coef;
        std::vector<Particula*> who;
        // With the per-vertex pass: each particle's texture coordinate, velocity, and the
        // values of the speed, pressure and temperature channels.
        bool extras = false;
        std::vector<float> tx, ty, tz, vx, vy, vz, speed, pressure, temperature;
    };
    const std::vector<Source>& Sources() const { return sources_; }

private:
    float Combine(const int64_t* sums, const FieldOutputs* out, const Vector& p, Vector* texture,
                  Vector* velocity) const;

    std::vector<Source> sources_;
    int link_count_ = 0;
    bool single_plain_ = false;
};

// Octave sum of Noise3 at x: amplitude * 0.5^k * Noise3(2^k x) for k below octaves.
UNDALINE_API float FractalNoise(Vector x, float amplitude, int octaves);
