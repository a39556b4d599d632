// The cube case table, derived once from the face rule rather than written out by hand.
//
// On each face the surface crosses the cut edges (those whose corners differ) in segments: a
// lone corner is cut off; two inside corners on a diagonal stay joined, so the two outside
// ones are cut off. Each segment is directed so that, seen from outside the cube, the inside
// lies on its left; the directed segments of a case join into closed loops, and each loop is
// filled with a fan from its first edge. Because a face's cut depends only on that face's
// corners, two cubes that share it make matching, opposite segments.
#include "mesh/case_table.h"

#include <array>
#include <cstddef>

namespace case_table {
namespace {

struct V3 {
    float x, y, z;
};
V3 Sub(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }

constexpr int kOffsets[8][3] = {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 0, 0},
                                {0, 0, 1}, {0, 1, 1}, {1, 1, 1}, {1, 0, 1}};

struct FaceDef {
    int corners[4];  // in cyclic order
    V3 normal;       // outward
};
constexpr FaceDef kFaces[6] = {
    {{0, 1, 2, 3}, {0, 0, -1}}, {{4, 5, 6, 7}, {0, 0, 1}}, {{0, 1, 5, 4}, {-1, 0, 0}},
    {{3, 2, 6, 7}, {1, 0, 0}},  {{0, 3, 7, 4}, {0, -1, 0}}, {{1, 2, 6, 5}, {0, 1, 0}},
};

// The twelve edge masks in ascending order.
constexpr int kEdges[12] = {0x03, 0x06, 0x09, 0x0C, 0x11, 0x22, 0x30, 0x44, 0x60, 0x88, 0x90, 0xC0};

V3 CornerPoint(int c) {
    return {static_cast<float>(kOffsets[c][0]), static_cast<float>(kOffsets[c][1]),
            static_cast<float>(kOffsets[c][2])};
}

V3 Midpoint(int mask) {
    int a = 0, b = 0;
    EdgeCorners(mask, &a, &b);
    V3 p = CornerPoint(a), q = CornerPoint(b);
    return {(p.x + q.x) * 0.5f, (p.y + q.y) * 0.5f, (p.z + q.z) * 0.5f};
}

int EdgeIndex(int mask) {
    for (int i = 0; i < 12; ++i) {
        if (kEdges[i] == mask) return i;
    }
    return -1;
}

// Directed segments of one face: next[from edge index] = to edge index.
void FaceSegments(int cube_case, const FaceDef& f, int next[12]) {
    auto inside = [&](int c) { return (cube_case >> c) & 1; };
    int cut[4];
    int cuts = 0;
    for (int i = 0; i < 4; ++i) {
        int a = f.corners[i], b = f.corners[(i + 1) % 4];
        if (inside(a) != inside(b)) cut[cuts++] = i;
    }
    auto edge_mask = [&](int i) { return (1 << f.corners[i]) | (1 << f.corners[(i + 1) % 4]); };
    auto add = [&](int e1, int e2, V3 towards_outside) {
        V3 m1 = Midpoint(e1), m2 = Midpoint(e2);
        V3 d = Cross(towards_outside, f.normal);
        if (Dot(Sub(m2, m1), d) > 0) {
            next[EdgeIndex(e1)] = EdgeIndex(e2);
        } else {
            next[EdgeIndex(e2)] = EdgeIndex(e1);
        }
    };
    // Cuts off corner `c` (face position p), whose two face edges are i-1 and i.
    auto cut_corner = [&](int p) {
        int c = f.corners[p];
        int e1 = edge_mask((p + 3) % 4), e2 = edge_mask(p);
        V3 m1 = Midpoint(e1), m2 = Midpoint(e2);
        V3 mid = {(m1.x + m2.x) * 0.5f, (m1.y + m2.y) * 0.5f, (m1.z + m2.z) * 0.5f};
        V3 away = Sub(mid, CornerPoint(c));
        if (!inside(c)) away = {-away.x, -away.y, -away.z};
        add(e1, e2, away);
    };
    if (cuts == 2) {
        if ((cut[1] - cut[0]) % 2 == 1) {
            // One corner differs from the other three: the corner between the cut edges.
            int p = cut[1] == cut[0] + 1 ? cut[1] : cut[0];
            cut_corner(p);
        } else {
            V3 in = {0, 0, 0}, out = {0, 0, 0};
            for (int c : f.corners) {
                V3 q = CornerPoint(c);
                V3& acc = inside(c) ? in : out;
                acc = {acc.x + q.x, acc.y + q.y, acc.z + q.z};
            }
            add(edge_mask(cut[0]), edge_mask(cut[1]), Sub(out, in));
        }
    } else if (cuts == 4) {
        for (int p = 0; p < 4; ++p) {
            if (!inside(f.corners[p])) cut_corner(p);
        }
    }
}

CaseRow MakeRow(int cube_case) {
    int next[12];
    for (int& n : next) n = -1;
    for (const FaceDef& f : kFaces) FaceSegments(cube_case, f, next);
    CaseRow row{};
    bool seen[12] = {};
    for (int start = 0; start < 12; ++start) {
        if (next[start] < 0 || seen[start]) continue;
        int loop[12];
        int n = 0;
        for (int e = start; e >= 0 && !seen[e]; e = next[e]) {
            seen[e] = true;
            loop[n++] = e;
        }
        for (int i = 1; i + 1 < n && row.count < kMaxTriangles; ++i) {
            const int corners[3] = {loop[0], loop[i], loop[i + 1]};
            for (int e = 0; e < 3; ++e) {
                const int mask = kEdges[corners[e]];
                int first = 0, second = 0;
                EdgeCorners(mask, &first, &second);
                row.edges[row.count][e] = static_cast<uint8_t>(mask);
                row.ends[row.count][e][0] = static_cast<uint8_t>(first);
                row.ends[row.count][e][1] = static_cast<uint8_t>(second);
            }
            ++row.count;
        }
    }
    return row;
}

std::array<CaseRow, 256> MakeTable() {
    std::array<CaseRow, 256> table{};
    for (int c = 0; c < 256; ++c) table[static_cast<size_t>(c)] = MakeRow(c);
    return table;
}

const std::array<CaseRow, 256>& Table() {
    static const std::array<CaseRow, 256> table = MakeTable();
    return table;
}

}  // namespace

const CaseRow& Row(int cube_case) { return Table()[static_cast<size_t>(cube_case & 0xFF)]; }

const CaseRow* Rows() { return Table().data(); }

bool EdgeCorners(int mask, int* first, int* second) {
    int found = 0;
    int corners[2] = {0, 0};
    for (int k = 0; k < 8; ++k) {
        if (!((mask >> k) & 1)) continue;
        if (found == 2) return false;
        corners[found++] = k;
    }
    if (found != 2 || (mask & ~0xFF)) return false;
    // Two corners form an edge when their offsets differ on exactly one axis.
    int differ = 0;
    for (int a = 0; a < 3; ++a) differ += kOffsets[corners[0]][a] != kOffsets[corners[1]][a];
    if (differ != 1) return false;
    *first = corners[0];
    *second = corners[1];
    return true;
}

void CornerOffset(int corner, int* da, int* db, int* ds) {
    const int* o = kOffsets[corner & 7];
    *da = o[0];
    *db = o[1];
    *ds = o[2];
}

}  // namespace case_table
