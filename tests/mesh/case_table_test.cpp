#include <gtest/gtest.h>

#include <map>
#include <set>
#include <utility>
#include <vector>

#include "mesh/case_table.h"

namespace {

using Edge = std::pair<int, int>;  // directed, between two cube-edge masks

bool Inside(int cube_case, int corner) { return (cube_case >> corner) & 1; }

// Net directed boundary of a case's triangles: each side counted +1 one way, -1 the other.
std::map<Edge, int> Boundary(int cube_case) {
    std::map<Edge, int> net;
    const case_table::CaseRow& row = case_table::Row(cube_case);
    for (int t = 0; t < row.count; ++t) {
        for (int e = 0; e < 3; ++e) {
            const int a = row.edges[t][e], b = row.edges[t][(e + 1) % 3];
            if (a < b) {
                ++net[{a, b}];
            } else {
                --net[{b, a}];
            }
        }
    }
    for (auto it = net.begin(); it != net.end();) it = it->second == 0 ? net.erase(it) : std::next(it);
    return net;
}

// The corners of each cube face, as the table numbers them, and the face opposite.
struct FaceDef {
    int corners[4];
    int axis, side;  // axis 0 a, 1 b, 2 slice; side 0 low, 1 high
};
const FaceDef kFaces[6] = {
    {{0, 1, 2, 3}, 2, 0}, {{4, 5, 6, 7}, 2, 1}, {{0, 1, 5, 4}, 0, 0},
    {{3, 2, 6, 7}, 0, 1}, {{0, 3, 7, 4}, 1, 0}, {{1, 2, 6, 5}, 1, 1},
};

// The corner of the neighbouring cube across `axis` that sits where `corner` sits.
int Across(int corner, int axis) {
    int da, db, ds;
    case_table::CornerOffset(corner, &da, &db, &ds);
    int o[3] = {da, db, ds};
    o[axis] = 1 - o[axis];
    for (int k = 0; k < 8; ++k) {
        int ka, kb, ks;
        case_table::CornerOffset(k, &ka, &kb, &ks);
        if (ka == o[0] && kb == o[1] && ks == o[2]) return k;
    }
    return -1;
}

int MapEdge(int mask, int axis) {
    int a, b;
    case_table::EdgeCorners(mask, &a, &b);
    return (1 << Across(a, axis)) | (1 << Across(b, axis));
}

bool OnFace(int mask, const FaceDef& f) {
    int a, b;
    case_table::EdgeCorners(mask, &a, &b);
    int in = 0;
    for (int c : f.corners) in += (c == a) + (c == b);
    return in == 2;
}

TEST(CaseTableTest, EveryCaseIsAPatchOfSurfaceBoundedOnTheCubeFacesOnly) {
    int total = 0;
    for (int c = 0; c < 256; ++c) {
        const case_table::CaseRow& row = case_table::Row(c);
        total += row.count;
        ASSERT_LE(row.count, case_table::kMaxTriangles);
        std::set<std::pair<int, int>> used;
        for (int t = 0; t < row.count; ++t) {
            for (int e = 0; e < 3; ++e) {
                int a, b;
                ASSERT_TRUE(case_table::EdgeCorners(row.edges[t][e], &a, &b)) << c;
                EXPECT_NE(Inside(c, a), Inside(c, b)) << "case " << c << " uses an uncut edge";
                EXPECT_EQ(row.ends[t][e][0], a);
                EXPECT_EQ(row.ends[t][e][1], b);
                // No side is used twice the same way: the patch is a surface.
                const int p = row.edges[t][e], q = row.edges[t][(e + 1) % 3];
                EXPECT_TRUE(used.insert({p, q}).second) << "case " << c;
            }
        }
        // What is left unpaired lies on the faces of the cube.
        for (auto& [edge, n] : Boundary(c)) {
            EXPECT_EQ(std::abs(n), 1) << c;
            bool on_some_face = false;
            for (const FaceDef& f : kFaces) on_some_face |= OnFace(edge.first, f) && OnFace(edge.second, f);
            EXPECT_TRUE(on_some_face) << "case " << c << " has an open side inside the cube";
        }
    }
    EXPECT_EQ(case_table::Row(0).count, 0);
    EXPECT_EQ(case_table::Row(255).count, 0);
    EXPECT_EQ(total, 820);
}

// Two cubes sharing a face cut it along the same segments, run opposite ways, whatever the
// rest of either cube: the surface has neither cracks nor flipped patches.
TEST(CaseTableTest, NeighbouringCubesMatchAcrossEveryFace) {
    for (int axis = 0; axis < 3; ++axis) {
        const FaceDef* high = nullptr;
        const FaceDef* low = nullptr;
        for (const FaceDef& f : kFaces) {
            if (f.axis != axis) continue;
            (f.side ? high : low) = &f;
        }
        for (int c = 0; c < 256; ++c) {
            // The segments of c's high face, as seen from the next cube.
            std::map<Edge, int> mine;
            for (auto& [edge, n] : Boundary(c)) {
                if (!OnFace(edge.first, *high) || !OnFace(edge.second, *high)) continue;
                int a = MapEdge(edge.first, axis), b = MapEdge(edge.second, axis);
                if (a < b) {
                    mine[{a, b}] += n;
                } else {
                    mine[{b, a}] -= n;
                }
            }
            for (int d = 0; d < 256; ++d) {
                bool same = true;
                for (int k : high->corners) same &= Inside(c, k) == Inside(d, Across(k, axis));
                if (!same) continue;
                std::map<Edge, int> theirs;
                for (auto& [edge, n] : Boundary(d)) {
                    if (OnFace(edge.first, *low) && OnFace(edge.second, *low)) theirs[edge] = n;
                }
                ASSERT_EQ(mine.size(), theirs.size()) << c << " / " << d;
                for (auto& [edge, n] : mine) EXPECT_EQ(theirs[edge], -n) << c << " / " << d;
            }
        }
    }
}

// Triangles wind so that their right-hand normal points out of the fluid; where two inside
// corners sit on a face diagonal, one sheet joins them.
TEST(CaseTableTest, WindingPointsOutAndDiagonalInsideCornersJoin) {
    auto normal_towards = [](int c, int t, double x, double y, double z) {
        const case_table::CaseRow& row = case_table::Row(c);
        double p[3][3];
        for (int e = 0; e < 3; ++e) {
            int a, b, oa[3], ob[3];
            case_table::EdgeCorners(row.edges[t][e], &a, &b);
            case_table::CornerOffset(a, &oa[0], &oa[1], &oa[2]);
            case_table::CornerOffset(b, &ob[0], &ob[1], &ob[2]);
            for (int k = 0; k < 3; ++k) p[e][k] = (oa[k] + ob[k]) * 0.5;
        }
        double u[3], v[3];
        for (int k = 0; k < 3; ++k) {
            u[k] = p[1][k] - p[0][k];
            v[k] = p[2][k] - p[0][k];
        }
        const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                             u[0] * v[1] - u[1] * v[0]};
        return n[0] * (p[0][0] - x) + n[1] * (p[0][1] - y) + n[2] * (p[0][2] - z);
    };
    // One inside corner: every triangle faces away from it; one outside corner: towards it.
    for (int k = 0; k < 8; ++k) {
        int o[3];
        case_table::CornerOffset(k, &o[0], &o[1], &o[2]);
        for (int t = 0; t < case_table::Row(1 << k).count; ++t) {
            EXPECT_GT(normal_towards(1 << k, t, o[0], o[1], o[2]), 0) << k;
        }
        for (int t = 0; t < case_table::Row(255 ^ (1 << k)).count; ++t) {
            EXPECT_LT(normal_towards(255 ^ (1 << k), t, o[0], o[1], o[2]), 0) << k;
        }
    }
    EXPECT_EQ(case_table::Row(5).count, 4);   // corners 0 and 2 inside: one sheet
    EXPECT_EQ(case_table::Row(10).count, 4);  // corners 1 and 3 likewise
    EXPECT_EQ(case_table::Row(250).count, 2);  // outside 0 and 2 are cut off alone
}

}  // namespace
