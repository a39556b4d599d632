#pragma once

// Internal state of one mesh build: the lattice points of each slice, the sweep fronts that
// walk the slices, and the build they share.
//
// A front opens slices one after another. A cube is named by its owner point (a, b) on slice
// c and spans slices c-1 and c; processing it evaluates its corners, queues the neighbouring
// cubes its faces share with the surface (in the slice, the next one and the one behind),
// and records the crossings of the three lattice edges that end at its owner. A point's vertex
// is final once the cubes of its own slice and of the next have all been processed; a cube's
// triangles are emitted once the points of both its slices are final. A front therefore keeps
// a few slices behind it open: cubes queued behind it are processed while their slices are
// still there, and a slice is closed only some slices later.
//
// Each front emits into arrays of its own. With two fronts, the lower owns the cubes of the
// slices up to the seam and the upper those above; cubes queued across the seam are handed to
// the other front, and the vertices of the seam slice, which both contribute to, are merged
// before either emits there. The result is then the same surface whichever front found it,
// and the arrays are joined lower front first.

#include <array>
#include <atomic>
#include <climits>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <unordered_map>
#include <vector>

#include "math/vector.h"
#include "mesh/clipping.h"
#include "mesh/field.h"
#include "mesh/mesh_build.h"

class BuildState;

namespace sweep {

enum PointFlag : uint8_t { kQueued = 1, kFinalised = 2, kEmitted = 4 };

// A value above this has not been computed yet.
constexpr float kUnsetLimit = 10000.0f;
constexpr float kUnset = 1e6f;

struct GridPoint {
    int a, b;
    float value;   // field - 1
    int vertex;    // record in the front that owns the slice, or -1
    Vector colour;
    uint8_t flags;
    uint8_t cube;  // case of the cube this point owns
};

// Crossings gathered at one lattice point; after finalising, offset holds the world position
// and colour the mean colour.
struct VertexRecord {
    float offset[3];  // per lattice axis (a, b, slice), in half cells
    Vector colour;
    int count;
    int index;        // -1 not in the mesh yet, -2 moved by clipping, else its output index
};

// (a, b) -> point of one slice: a flat table over the lattice's in-plane extent when that is
// small enough, and a hash table for everything else.
class PointIndex {
public:
    void Configure(int a0, int b0, int na, int nb);
    int Find(int a, int b) const {
        if (InRect(a, b)) return dense_[DenseAt(a, b)] - 1;
        return used_ ? FindHashed(a, b) : -1;
    }
    void Insert(int a, int b, int point) {
        if (InRect(a, b)) {
            dense_[DenseAt(a, b)] = point + 1;
        } else {
            InsertHashed(a, b, point);
        }
    }
    void Clear(const std::vector<GridPoint>& points);

private:
    size_t DenseAt(int a, int b) const {
        return static_cast<size_t>(a - a0_) * static_cast<size_t>(nb_) + static_cast<size_t>(b - b0_);
    }
    int FindHashed(int a, int b) const;
    void InsertHashed(int a, int b, int point);
    struct Slot {
        int64_t key;
        int value;
        uint32_t stamp;
    };
    bool InRect(int a, int b) const {
        return a >= a0_ && b >= b0_ && a - a0_ < na_ && b - b0_ < nb_;
    }
    size_t Probe(int64_t key) const;
    void Grow();

    int a0_ = 0, b0_ = 0, na_ = 0, nb_ = 0;
    std::vector<int> dense_;  // point + 1, 0 for none
    std::vector<Slot> slots_;
    uint32_t stamp_ = 1;
    size_t used_ = 0;
};

// A processed cube waiting for its triangles: its corners (points of the slice below, then of
// this slice; corner 6 owns it).
struct CubeRecord {
    int corner[8];
};

struct Layer {
    int slice = 0;
    std::vector<GridPoint> points;
    PointIndex index;
    std::vector<int> pending;      // queued cube owners, processed from `head`
    size_t head = 0;
    std::vector<int> newVertices;  // points whose records are not final yet
    std::vector<CubeRecord> toEmit;  // processed cubes whose triangles are not emitted yet

    void Reset(int s);
    int Find(int a, int b) const { return index.Find(a, b); }
    int FindOrAdd(int a, int b) {
        const int at = index.Find(a, b);
        return at >= 0 ? at : Add(a, b);
    }
    int Add(int a, int b);
    bool Idle() const { return head == pending.size() && newVertices.empty() && toEmit.empty(); }
};

struct Handoff {
    int a, b, slice;
};

// What a front emits: its vertices (with their colours and clip flags) and its faces. A face
// of the upper front names a vertex of the lower front as -(index + 1).
struct FrontOutput {
    std::vector<Vector> vertices, colours;
    std::vector<uint8_t> clip;
    std::vector<std::array<int, 3>> faces;
};

// Seeds in the order a front meets them: the cube slices each is tried on.
struct SeedSlot {
    int first, last;  // cube slices whose slab the seed's span touches
    int a, b;         // its cell
};

// The particles around blocks of lattice cells, each gathered once for every cube in it.
// Blocks are found through a flat table per block slice (a few slices are open at a time).
class GatherCache {
public:
    // Lattice cells per block edge.
    static constexpr int kBlock = 4;

    // The in-plane lattice extent the tables cover; blocks outside it still work, slower.
    void Configure(int a0, int b0, int na, int nb);
    // The gather that serves every point of cube (a, b) of slice c.
    const FieldGather& For(const BuildState& build, int a, int b, int c) {
        const Key key{BlockOf(a - 1), BlockOf(b - 1), BlockOf(c - 1)};
        if (lastSlot_ >= 0 && key == last_) return pool_[static_cast<size_t>(lastSlot_)];
        return Fetch(build, key);
    }
    static int BlockOf(int v) { return v >= 0 ? v / kBlock : -((-v + kBlock - 1) / kBlock); }
    // Drops the blocks that lie wholly outside slices [lo, hi].
    void Keep(int lo, int hi);
    // Drops every block (a new build).
    void Clear() { Keep(INT_MAX, INT_MIN); }

private:
    struct Key {
        int a, b, c;
        bool operator==(const Key& o) const { return a == o.a && b == o.b && c == o.c; }
    };
    struct KeyHash {
        size_t operator()(const Key& k) const {
            uint64_t x = static_cast<uint32_t>(k.a) * 0x9E3779B97F4A7C15ULL;
            x ^= static_cast<uint32_t>(k.b) * 0xC2B2AE3D27D4EB4FULL + (x << 6);
            x ^= static_cast<uint32_t>(k.c) * 0x165667B19E3779F9ULL + (x >> 3);
            return static_cast<size_t>(x ^ (x >> 29));
        }
    };
    // The blocks of one block slice: slot + 1 by in-plane block, 0 for none.
    struct SliceTable {
        int c = 0;
        std::vector<int> slots;
        std::vector<int> used;  // table entries in use
    };
    const FieldGather& Fetch(const BuildState& build, const Key& key);
    int Find(const Key& k);
    void Remember(const Key& k, int slot);
    SliceTable* TableFor(int c, bool make);

    int ba0_ = 0, bb0_ = 0, nba_ = 0, nbb_ = 0;
    std::vector<SliceTable> tables_;
    std::unordered_map<Key, int, KeyHash> others_;  // blocks outside the tables
    std::unordered_map<int, std::vector<Key>> bySlice_;  // block slice -> its blocks
    std::deque<FieldGather> pool_;  // a deque, so that a gather handed out stays where it is
    std::vector<int> free_;
    Key last_{0, 0, 0};
    int lastSlot_ = -1;
};

// What a front keeps from one build to the next, so that a build does not start by asking the
// system for memory it had a frame ago.
struct FrontScratch {
    std::vector<Layer*> layers;
    std::vector<VertexRecord> records;
    FrontOutput out;
    GatherCache gathers;
    ~FrontScratch();
};

// The scratch of the build in progress; builds take turns (BuildLock).
struct BuildScratch {
    SurfaceField field;
    FrontScratch fronts[2];
};
BuildScratch& Scratch();

}  // namespace sweep

class SweepFront {
public:
    // direction +1 sweeps upward, -1 downward; [lo, hi] are the cube slices it owns. It borrows
    // its buffers from the scratch of its index and gives them back when it goes.
    SweepFront(BuildState& build, int index, int direction, int lo, int hi);
    ~SweepFront();
    SweepFront(const SweepFront&) = delete;
    SweepFront& operator=(const SweepFront&) = delete;

    // Opens slices from `start` to the end of its range (or until stopped), processing and
    // emitting as it goes; with an unbounded range it goes on while cubes are queued ahead.
    void Sweep(int start);
    // Processes every queued cube it can reach now.
    void Drain();
    // Finalises and emits everything still open (the end of a sweep).
    void FlushAll();
    // Queues cube (a, b) of a slice, or hands it over when the slice is not this front's.
    void Queue(int a, int b, int slice);
    // Queues the cube a known point of an open slice of this front owns.
    void QueuePoint(sweep::Layer& layer, int point);

    sweep::Layer* At(int slice) const {
        const long long at = static_cast<long long>(slice) - base;
        if (at < 0 || at >= static_cast<long long>(window.size())) return nullptr;
        return window[static_cast<size_t>(at)];
    }
    sweep::Layer& Open(int slice) {
        sweep::Layer* l = At(slice);
        return l ? *l : OpenNew(slice);
    }
    // Vertex (output index) of a record of this front, added to the output on first use.
    int VertexIndex(int record) {
        const int index = records[static_cast<size_t>(record)].index;
        return index >= 0 ? index : AddVertex(record);
    }
    // Field - 1 at p (and its colour), from the particles gathered near the front's cube.
    float Value(const Vector& p, Vector* colour);

    BuildState& build;
    const int index;
    const int dir;
    const int lo, hi;
    int current = 0;                     // newest cube slice opened
    std::vector<sweep::Layer*> window;   // window[i] holds slice base + i, or null
    int base = 0;
    std::vector<sweep::Layer*> spare;
    std::vector<sweep::VertexRecord> records;
    sweep::FrontOutput out;
    std::vector<sweep::Handoff> outbox;
    long long queued = 0;                // cubes queued and not processed
    long long points = 0;
    long long pointLimit = 0;
    bool capped = false;
    bool stopped = false;
    std::vector<sweep::SeedSlot> seeds;  // in sweep order
    size_t nextSeed = 0;
    std::vector<size_t> activeSeeds;     // seeds whose span holds the current slice
    sweep::GatherCache gathers;
    const FieldGather* focus = nullptr;  // the gather of the cube being processed
    FieldGather single;                  // for a point no block serves

private:
    sweep::Layer& OpenNew(int slice);
    int AddVertex(int record);
    void TrySeeds(int c);
    void ProcessCube(sweep::Layer& owner_layer, int owner);
    int Point(sweep::Layer& layer, int a, int b);
    void Evaluate(sweep::Layer& layer, int point);
    // Gathers the particles around cube (a, b) of slice c unless those at hand cover it.
    void Focus(int a, int b, int c);
    int CubeCase(sweep::Layer& below, sweep::Layer& above, int a, int b, int corners[8]);
    void Crossing(sweep::Layer& owner_layer, int owner, sweep::Layer& other_layer, int other,
                  int axis);
    void Flush(int limit);
    void FinaliseLayer(sweep::Layer& layer);
    void EmitLayer(sweep::Layer& layer);
    void Release(int limit);
    bool Halted();
    bool Ahead(int slice) const { return dir > 0 ? slice > current : slice < current; }
    bool Owns(int slice) const { return slice >= lo && slice <= hi; }

    friend class BuildState;
};

// A manually reset event: the worker sets it when its front has stopped.
class MeshEvent {
public:
    void Set();
    void Wait();

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool set_ = false;
};

// The builder with everything the fronts share.
class BuildState : public MeshBuilder {
public:
    BuildState();
    ~BuildState();

    // Per-build setup, seeding and the field copy; false when there is nothing to build.
    bool Setup(Mesh* m);
    // Runs the fronts and puts the result into the mesh's arrays.
    void Polygonise();

    // Finalises a point's record: position, colour, clipping. False when clipping removed it.
    bool Finalise(sweep::VertexRecord& r, int a, int b, int slice) const;
    // Emits the triangles of a cube: corners 0-3 from `lower`'s layer below (looked up again
    // when that is not the layer the cube was processed with), 4-7 from `upper`'s layer above;
    // faces go to `upper`.
    void EmitCube(SweepFront& lower, sweep::Layer& below, SweepFront& upper, sweep::Layer& above,
                  const sweep::CubeRecord& cube, bool look_up_below);
    bool StopRequested() const;
    void Progress();

    SurfaceField& field;
    ClipIndex clipIndex;  // the objects' faces, when object clipping is on
    MeshBuildStats stats;
    std::vector<MeshSeed> seedRecords;
    std::vector<sweep::SeedSlot> sweepSeeds[2];  // in the order of each front
    std::vector<SweepFront*> frontList;
    int denseA0 = 0, denseB0 = 0, denseNA = 0, denseNB = 0;
    bool explicitRequest = false;
    bool twoFronts = false;
    int seam = 0;  // last cube slice of the lower front
    std::atomic<long long> faces{0};
    int shownProgress = -1;

private:
    void MakeSeeds();
    // The seed particles of each cluster, in the order the clusters are met.
    void FindSeeds(std::vector<Particula*>* found);
    // The same found by two threads, each walking the clusters of half the particles; false
    // when the mesh's fluids do not allow it (see the file that does it). Seeds come sorted
    // by position, so the order does not depend on the threads.
    bool FindSeedsInHalves(std::vector<Particula*>* found);
    // The seed records and the fronts' seed lists for the seed particles.
    void PlaceSeeds(const std::vector<Particula*>& found);
    void Seam();
    // The mesh's result arrays, sized exactly; false when memory is short (the mesh is empty).
    bool AllocateResult(int vertices, int faces);
    void Join();
};

// The status bar's mesh field.
void ShowMeshStatus(const char* text);
