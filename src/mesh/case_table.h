#pragma once

#include <cstdint>

#include "export.h"

// The triangles of each of the 256 sign patterns of a lattice cube.
//
// Corners: 0 (a-1, b-1), 1 (a-1, b), 2 (a, b), 3 (a, b-1) on the previous slice and 4 to 7 the
// same on the current one; bit k of a case is set when corner k lies inside (field above 1).
// An edge is named by the mask of its two corners (0x03 for 0-1, 0x11 for 0-4, ...).
//
// Each cube face is cut the same way whichever of the two cubes sharing it asks, so the
// surface is closed: where a face has its inside corners on one diagonal, those two corners
// stay joined. Triangles wind counter-clockwise seen from outside, so the right-hand normal
// points out of the fluid.
namespace case_table {

constexpr int kMaxTriangles = 5;

struct CaseRow {
    int count;                              // triangles
    uint8_t edges[kMaxTriangles][3];        // edge masks
    uint8_t ends[kMaxTriangles][3][2];      // the two corners of each edge, lower first
};

UNDALINE_API const CaseRow& Row(int cube_case);
// The whole table, for loops that look rows up by the million.
UNDALINE_API const CaseRow* Rows();

// The two corners of an edge mask (lower first); false for a mask that is no cube edge.
UNDALINE_API bool EdgeCorners(int mask, int* first, int* second);
// Corner k of the unit cube in (a, b, slice) offsets 0 or 1.
UNDALINE_API void CornerOffset(int corner, int* da, int* db, int* ds);

}  // namespace case_table
