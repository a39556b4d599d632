// A mesh BIN file read back (the PLY conversion's reader): whatever the bytes, a read that
// succeeds holds faces that name its own vertices and per-vertex data of the right length.
#include <cstdint>
#include <cstdlib>

#include "mesh/mesh_bin_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeshBinData d;
    if (!ReadMeshBin(data, size, &d)) return 0;
    const size_t n = d.vertices.size();
    for (const auto& face : d.faces) {
        for (int k : face) {
            if (k < 0 || static_cast<size_t>(k) >= n) std::abort();
        }
    }
    if (!d.texCoords.empty() &&
        (d.texCoords.size() != n || d.weights.size() != n * static_cast<size_t>(d.links))) {
        std::abort();
    }
    if (!d.velocities.empty() && d.velocities.size() != n) std::abort();
    return 0;
}
