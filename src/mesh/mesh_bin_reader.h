#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "export.h"
#include "math/vector.h"

// A mesh BIN file read back: what the mesh files hold, in the file's own coordinates (scaled
// and in the export axis order) and face order.
struct MeshBinData {
    std::vector<Vector> vertices;
    std::vector<std::array<int, 3>> faces;
    int links = 0;                   // fluids whose weights each vertex carries
    std::vector<float> weights;      // links per vertex, when texture data is present
    std::vector<Vector> texCoords;   // empty without texture data
    std::vector<Vector> velocities;  // empty without motion-blur data
};

// Reads the bytes of a mesh BIN file. Every count is checked against the bytes that remain and
// every face index against the vertex count; false, with out untouched, for anything that is
// not a whole mesh BIN file.
UNDALINE_API bool ReadMeshBin(const uint8_t* bytes, size_t size, MeshBinData* out);
