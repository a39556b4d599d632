#pragma once

#include <cstdint>
#include <mutex>

#include "export.h"
#include "math/vector.h"

class Fluido;
class Mesh;
class Particula;
class SweepFront;
class MeshEvent;

// Where a sweep front starts looking for a cluster of particles: the cluster's lowest (and,
// with two fronts, its highest) particle along the sweep axis.
struct MeshSeed {
    MeshSeed* next;
    Particula* particle;
    Vector hi;       // particle position + (R, R, R)
    Vector lo;       // particle position - (R, R, R)
    float reserved;  // 0
};

// One build of one mesh. Emitters that build meshes themselves receive it in Poligoniza and
// fill the arrays of `mesh`; its field order is part of the plug-in interface.
class UNDALINE_API MeshBuilder {
public:
    float h;                 // cell edge of the lattice
    float invH;
    int firstSlice;          // -25
    int lastSlice;           // n + 25, n the lattice cells along the sweep axis
    int sweepAxis;           // 0 x, 1 y, 2 z: the axis of the largest extent
    int aAxis, bAxis;        // the in-plane axes: (1, 2), (2, 0) or (0, 1)
    Mesh* mesh;
    Fluido* firstFluid;      // its neighbour grid serves object clipping
    SweepFront** fronts;     // one per thread
    float smallestRadius;
    Vector gridMin, gridMax;
    MeshSeed* seeds;
    MeshSeed* seedTail;
    int threadCount;
    std::mutex* mutex;       // two fronts only: the fronts' progress reports take turns
    MeshEvent* event;        // set by the worker when its front has stopped

    // Field - 1 at p (the surface is at 0), with the blended colour when asked. Valid while
    // the build runs.
    float CalculaCampo(const Vector& p, Vector* colour = nullptr) const;
    // The forward difference of the field with step 0.1 h, pointing towards higher field.
    Vector Gradiente(const Vector& p) const;
    // The world position of lattice point (a, b) of a slice.
    Vector LatticePoint(int a, int b, int slice) const {
        Vector p;
        p[sweepAxis] = static_cast<float>(slice) * h + gridMin[sweepAxis];
        p[aAxis] = static_cast<float>(a) * h + gridMin[aAxis];
        p[bAxis] = static_cast<float>(b) * h + gridMin[bAxis];
        return p;
    }
};

// Figures of the last polygonisation, for tests and the benchmark.
struct MeshBuildStats {
    int fronts = 0;          // sweep fronts of the last build
    long long points = 0;    // lattice points evaluated
    bool capped = false;     // the point limit stopped the build
    bool stopped = false;    // a stop request ended it early
    int calibrationBuilds = 0;
};

// The most lattice points one build may create. A build that reaches it stops where it is,
// keeps the triangles made so far and warns " Mesh <name>: more than <n> lattice points;
// the surface is incomplete (use a larger cell or a lower resolution)".
constexpr long long kMeshPointLimit = 8000000;
// A lower limit for tests (0: the one above).
UNDALINE_API void SetMeshPointLimit(long long limit);
UNDALINE_API long long MeshPointLimit();

// Builds the mesh's surface as the per-frame build does: clear first, then (when generation is
// on) calibration on a new mesh, the polygonisation, exact-sized arrays and normals from the
// faces. explicit_request: started from the mesh panel outside a running simulation, so a stop
// request does not cut it short.
UNDALINE_API void BuildMesh(Mesh* mesh, bool explicit_request);
// Every mesh, as at the end of a frame: build, then keep the result as the previous frame.
UNDALINE_API void BuildAllMeshes(bool explicit_request);
// The builder of a mesh goes (after a build ended, or a build cut off).
UNDALINE_API void DestroyBuilder(Mesh* mesh);

// The one-shot build of the mesh panel: grids and neighbours for every fluid, the relax daemons
// (class 13) on their fluids, every mesh built, the grids released, and "Face reduction: %2.2f
// %%" reported. Runs on a thread of its own; false when one is already running.
UNDALINE_API bool StartOneShotMeshBuild();
// The same on the calling thread.
UNDALINE_API void OneShotMeshBuild();
// Waits for a one-shot build that is running.
UNDALINE_API void WaitForOneShotMeshBuild();
UNDALINE_API bool OneShotMeshBuildRunning();

UNDALINE_API const MeshBuildStats& LastMeshBuildStats();

// The status bar's mesh field ("Mesh processed-->> %d %%"); the desktop application installs
// it, tests read it. Null: the texts go nowhere.
UNDALINE_API void SetMeshStatusHook(void (*hook)(const char* text));
