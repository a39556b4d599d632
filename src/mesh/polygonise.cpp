// One cube of the lattice: its corners, the cubes it passes the surface to, the crossings of
// the edges it owns, and later its triangles; and the vertex of a lattice point.
#include <cmath>

#include "mesh/case_table.h"
#include "mesh/clipping.h"
#include "mesh/mesh.h"
#include "mesh/sweep_private.h"

using sweep::GridPoint;
using sweep::Layer;
using sweep::VertexRecord;

namespace {

bool Mixed(int cube_case, int mask) {
    const int m = cube_case & mask;
    return m != 0 && m != mask;
}

// Corner k of cube (a, b) lies at (a + da - 1, b + db - 1), on the slice below for k < 4.
constexpr int kCornerA[8] = {-1, -1, 0, 0, -1, -1, 0, 0};
constexpr int kCornerB[8] = {-1, 0, 0, -1, -1, 0, 0, -1};
inline void CornerCell(int k, int a, int b, int* ca, int* cb) {
    *ca = a + kCornerA[k];
    *cb = b + kCornerB[k];
}

}  // namespace

int SweepFront::Point(Layer& layer, int a, int b) {
    const size_t before = layer.points.size();
    const int at = layer.FindOrAdd(a, b);
    if (layer.points.size() != before) ++points;
    return at;
}

float SweepFront::Value(const Vector& p, Vector* colour) {
    if (focus && focus->Covers(p)) return build.field.ValueFrom(*focus, p, colour);
    build.field.Gather(p, 0.0f, &single);
    return build.field.ValueFrom(single, p, colour);
}

void SweepFront::Focus(int a, int b, int c) { focus = &gathers.For(build, a, b, c); }

namespace sweep {

void GatherCache::Configure(int a0, int b0, int na, int nb) {
    ba0_ = BlockOf(a0);
    bb0_ = BlockOf(b0);
    nba_ = BlockOf(a0 + na) - ba0_ + 1;
    nbb_ = BlockOf(b0 + nb) - bb0_ + 1;
    if (static_cast<long long>(nba_) * nbb_ > (1 << 18)) nba_ = nbb_ = 0;
    for (SliceTable& t : tables_) t.slots.assign(static_cast<size_t>(nba_) * nbb_, 0);
}

GatherCache::SliceTable* GatherCache::TableFor(int c, bool make) {
    if (nba_ == 0) return nullptr;
    SliceTable* empty = nullptr;
    for (SliceTable& t : tables_) {
        if (!t.used.empty() && t.c == c) return &t;
        if (t.used.empty() && !empty) empty = &t;
    }
    if (!make) return nullptr;
    if (!empty) {
        tables_.emplace_back();
        empty = &tables_.back();
        empty->slots.assign(static_cast<size_t>(nba_) * nbb_, 0);
    }
    empty->c = c;
    return empty;
}

int GatherCache::Find(const Key& k) {
    const int a = k.a - ba0_, b = k.b - bb0_;
    if (a >= 0 && b >= 0 && a < nba_ && b < nbb_) {
        SliceTable* t = TableFor(k.c, false);
        return t ? t->slots[static_cast<size_t>(a) * nbb_ + b] - 1 : -1;
    }
    auto found = others_.find(k);
    return found == others_.end() ? -1 : found->second;
}

void GatherCache::Remember(const Key& k, int slot) {
    const int a = k.a - ba0_, b = k.b - bb0_;
    if (a >= 0 && b >= 0 && a < nba_ && b < nbb_) {
        SliceTable* t = TableFor(k.c, true);
        const int at = a * nbb_ + b;
        t->slots[static_cast<size_t>(at)] = slot + 1;
        t->used.push_back(at);
    } else {
        others_.emplace(k, slot);
    }
    bySlice_[k.c].push_back(k);
}

// A cube belongs to the block holding its lowest corner (a-1, b-1, c-1).
const FieldGather& GatherCache::Fetch(const BuildState& build, const Key& key) {
    int slot = Find(key);
    if (slot < 0) {
        if (!free_.empty()) {
            slot = free_.back();
            free_.pop_back();
        } else {
            slot = static_cast<int>(pool_.size());
            pool_.emplace_back();
        }
        Remember(key, slot);
        // Every point of every cube of the block lies within half its diagonal of its centre.
        const float half = 0.5f * static_cast<float>(kBlock);
        const Vector centre = build.LatticePoint(key.a * kBlock, key.b * kBlock, key.c * kBlock) +
                              Vector(half * build.h, half * build.h, half * build.h);
        build.field.Gather(centre, 0.8661f * static_cast<float>(kBlock) * build.h,
                           &pool_[static_cast<size_t>(slot)]);
    }
    last_ = key;
    lastSlot_ = slot;
    return pool_[static_cast<size_t>(slot)];
}

void GatherCache::Keep(int lo, int hi) {
    for (auto it = bySlice_.begin(); it != bySlice_.end();) {
        const int first = it->first * kBlock, last = first + kBlock;
        if (last >= lo && first <= hi) {
            ++it;
            continue;
        }
        for (const Key& k : it->second) {
            const int slot = Find(k);
            free_.push_back(slot);
            if (slot == lastSlot_) lastSlot_ = -1;
            others_.erase(k);
        }
        if (SliceTable* t = TableFor(it->first, false)) {
            for (int at : t->used) t->slots[static_cast<size_t>(at)] = 0;
            t->used.clear();
        }
        it = bySlice_.erase(it);
    }
}

}  // namespace sweep

void SweepFront::Evaluate(Layer& layer, int point) {
    GridPoint& p = layer.points[static_cast<size_t>(point)];
    if (p.value <= sweep::kUnsetLimit) return;
    Vector colour;
    const float v = Value(build.LatticePoint(p.a, p.b, layer.slice), &colour);
    GridPoint& q = layer.points[static_cast<size_t>(point)];
    q.value = v;
    q.colour = colour;
}

int SweepFront::CubeCase(Layer& below, Layer& above, int a, int b, int corners[8]) {
    bool focused = false;
    for (int k = 0; k < 8; ++k) {
        int ca = 0, cb = 0;
        CornerCell(k, a, b, &ca, &cb);
        corners[k] = Point(k < 4 ? below : above, ca, cb);
    }
    int cube_case = 0;
    for (int k = 0; k < 8; ++k) {
        Layer& l = k < 4 ? below : above;
        if (!focused && l.points[static_cast<size_t>(corners[k])].value > sweep::kUnsetLimit) {
            Focus(a, b, above.slice);
            focused = true;
        }
        Evaluate(l, corners[k]);
        if (l.points[static_cast<size_t>(corners[k])].value > 0.0f) cube_case |= 1 << k;
    }
    return cube_case;
}

void SweepFront::ProcessCube(Layer& above, int owner) {
    const int a = above.points[static_cast<size_t>(owner)].a;
    const int b = above.points[static_cast<size_t>(owner)].b;
    const int c = above.slice;
    Layer& below = Open(c - 1);
    int corners[8];
    const int cube_case = CubeCase(below, above, a, b, corners);
    above.points[static_cast<size_t>(owner)].cube = static_cast<uint8_t>(cube_case);
    if (cube_case == 0 || cube_case == 255) return;
    sweep::CubeRecord record;
    for (int k = 0; k < 8; ++k) record.corner[k] = corners[k];
    above.toEmit.push_back(record);

    // The surface goes on through every face whose corners differ. Three of the neighbouring
    // cubes are owned by corners at hand.
    if (Mixed(cube_case, 0x66)) Queue(a, b + 1, c);
    if (Mixed(cube_case, 0xCC)) Queue(a + 1, b, c);
    if (Mixed(cube_case, 0x99)) QueuePoint(above, corners[7]);
    if (Mixed(cube_case, 0x33)) QueuePoint(above, corners[5]);
    if (Mixed(cube_case, 0xF0)) Queue(a, b, c + 1);
    if (Mixed(cube_case, 0x0F)) {
        if (Owns(c - 1)) {
            QueuePoint(below, corners[2]);
        } else {
            Queue(a, b, c - 1);
        }
    }

    // The three edges that end at the owner (corner 6): from 5 along a, from 7 along b, from 2
    // across the slices.
    const int inside6 = (cube_case >> 6) & 1;
    if (((cube_case >> 5) & 1) != inside6) Crossing(above, owner, above, corners[5], 0);
    if (((cube_case >> 7) & 1) != inside6) Crossing(above, owner, above, corners[7], 1);
    if (((cube_case >> 2) & 1) != inside6) Crossing(above, owner, below, corners[2], 2);
}

void SweepFront::Crossing(Layer& owner_layer, int owner, Layer& other_layer, int other, int axis) {
    const GridPoint& A = owner_layer.points[static_cast<size_t>(owner)];
    const GridPoint& B = other_layer.points[static_cast<size_t>(other)];
    Vector mid = build.LatticePoint(A.a, A.b, owner_layer.slice);
    const int world = axis == 0 ? build.aAxis : axis == 1 ? build.bAxis : build.sweepAxis;
    mid[world] -= 0.5f * build.h;
    Focus(A.a, A.b, owner_layer.slice);
    const float fm = Value(mid, nullptr);
    const float fa = A.value, fb = B.value;
    // The crossing goes to the end whose half of the edge it lies in.
    const bool to_owner = (fm > 0.0f) != (fa > 0.0f);
    Layer& layer = to_owner ? owner_layer : other_layer;
    const int at = to_owner ? owner : other;
    const float t = to_owner ? std::fabs(fa) / (std::fabs(fa) + std::fabs(fm))
                             : std::fabs(fb) / (std::fabs(fb) + std::fabs(fm));
    const Vector near_colour = to_owner ? A.colour : B.colour;
    const Vector far_colour = to_owner ? B.colour : A.colour;
    GridPoint& p = layer.points[static_cast<size_t>(at)];
    // A point whose vertex is already placed keeps it.
    if (p.flags & sweep::kFinalised) return;
    if (p.vertex < 0) {
        p.vertex = static_cast<int>(records.size());
        records.push_back(VertexRecord{{0, 0, 0}, Vector(0, 0, 0), 0, -1});
        layer.newVertices.push_back(at);
    }
    VertexRecord& r = records[static_cast<size_t>(p.vertex)];
    // Offsets point away from the owner, which has the higher index on this axis.
    r.offset[axis] += to_owner ? -t : t;
    r.colour = r.colour + (near_colour * (1.0f - t * 0.5f) + far_colour * (t * 0.5f));
    ++r.count;
}

void SweepFront::FinaliseLayer(Layer& layer) {
    for (int at : layer.newVertices) {
        GridPoint& p = layer.points[static_cast<size_t>(at)];
        if ((p.flags & sweep::kFinalised) || p.vertex < 0) continue;
        if (!build.Finalise(records[static_cast<size_t>(p.vertex)], p.a, p.b, layer.slice)) {
            p.vertex = -1;
        }
        p.flags |= sweep::kFinalised;
    }
    layer.newVertices.clear();
}

int SweepFront::AddVertex(int record) {
    VertexRecord& r = records[static_cast<size_t>(record)];
    const bool clipped = r.index == -2;
    r.index = static_cast<int>(out.vertices.size());
    out.vertices.push_back(Vector(r.offset[0], r.offset[1], r.offset[2]));
    out.colours.push_back(r.colour);
    out.clip.push_back(clipped ? 1 : 0);
    return r.index;
}

bool BuildState::Finalise(VertexRecord& r, int a, int b, int slice) const {
    const float scale = 0.5f / static_cast<float>(r.count);
    const float lattice[3] = {static_cast<float>(a) + r.offset[0] * scale,
                              static_cast<float>(b) + r.offset[1] * scale,
                              static_cast<float>(slice) + r.offset[2] * scale};
    Vector p;
    p[aAxis] = lattice[0] * h + gridMin[aAxis];
    p[bAxis] = lattice[1] * h + gridMin[bAxis];
    p[sweepAxis] = lattice[2] * h + gridMin[sweepAxis];
    Vector colour = r.colour / static_cast<float>(r.count);
    bool moved = false;
    if (mesh->objectClipping && mesh->refFaces != 0) {
        switch (ClipByObjects(*this, &p)) {
            case ClipResult::kRemoved:
                return false;
            case ClipResult::kMoved:
                moved = true;
                break;
            case ClipResult::kKept:
                break;
        }
    }
    if (mesh->clipBoxOn) {
        const ClipResult boxed = ClipByBox(mesh->clipMin, mesh->clipMax, h, &p);
        if (boxed == ClipResult::kRemoved) return false;
        moved = moved || boxed == ClipResult::kMoved;
    }
    r.offset[0] = p.x;
    r.offset[1] = p.y;
    r.offset[2] = p.z;
    r.colour = colour;
    r.index = moved ? -2 : -1;
    return true;
}

void BuildState::EmitCube(SweepFront& lower, Layer& below, SweepFront& upper, Layer& above,
                          const sweep::CubeRecord& cube, bool look_up_below) {
    GridPoint& o = above.points[static_cast<size_t>(cube.corner[6])];
    o.flags |= sweep::kEmitted;
    static const case_table::CaseRow* const rows = case_table::Rows();
    const case_table::CaseRow& row = rows[o.cube];
    const GridPoint* corner[8];
    for (int k = 0; k < 8; ++k) {
        int at = cube.corner[k];
        if (k < 4 && look_up_below) {
            int ca = 0, cb = 0;
            CornerCell(k, o.a, o.b, &ca, &cb);
            at = below.Find(ca, cb);
            if (at < 0) return;  // the seam merge put every point of the slice there
        }
        corner[k] = &(k < 4 ? below : above).points[static_cast<size_t>(at)];
    }
    for (int t = 0; t < row.count; ++t) {
        // The vertex of each edge: that of the end nearer the surface, or the other's.
        int record[3];
        SweepFront* front[3];
        bool whole = true;
        for (int e = 0; e < 3 && whole; ++e) {
            const int i = row.ends[t][e][0], j = row.ends[t][e][1];
            int first = i, second = j;
            if (!(std::fabs(corner[i]->value) < std::fabs(corner[j]->value))) {
                first = j;
                second = i;
            }
            const int pick = corner[first]->vertex >= 0 ? first : second;
            record[e] = corner[pick]->vertex;
            front[e] = pick < 4 ? &lower : &upper;
            whole = record[e] >= 0;
        }
        if (!whole) continue;
        bool distinct = true;
        for (int e = 0; e < 3; ++e) {
            const int f = (e + 1) % 3;
            if (record[e] == record[f] && front[e] == front[f]) distinct = false;
        }
        if (!distinct) continue;
        // Vertices join the mesh with their first face, so none is left without one.
        std::array<int, 3> face;
        for (int e = 0; e < 3; ++e) {
            const int v = front[e]->VertexIndex(record[e]);
            face[static_cast<size_t>(e)] = front[e] == &upper ? v : -(v + 1);
        }
        upper.out.faces.push_back(face);
        faces.fetch_add(1, std::memory_order_relaxed);
    }
}
