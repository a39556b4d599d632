// A surface file's chunk, found by the mesh's rule and by the fluid's, then renamed: every
// chunk kept is one whole IFF chunk whose size counts its bytes, with its name inside it.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "mesh/surface_chunk.h"

namespace {

void Check(const surface_chunk::Bytes& chunk) {
    if (chunk.size() < 9 || (chunk.size() & 1) ||
        surface_chunk::Size(chunk.data()) != chunk.size() ||
        std::memcmp(chunk.data(), "SURF", 4) != 0 ||
        !std::memchr(chunk.data() + 8, 0, chunk.size() - 8)) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const surface_chunk::Bytes file(data, data + size);
    surface_chunk::Bytes chunk;
    for (bool fluid : {false, true}) {
        const bool found = fluid ? surface_chunk::FromFluidFile(file, &chunk)
                                 : surface_chunk::FromMeshFile(file, &chunk);
        if (!found) continue;
        Check(chunk);
        surface_chunk::HasShader(chunk.data());
        for (const char* name : {"", "A", "Meshsurf", "Seven77",
                                 "an-exactly-fifty-character-long-surface-name-here!!x"}) {
            const surface_chunk::Bytes renamed = surface_chunk::Renamed(chunk.data(), name);
            Check(renamed);
            if (surface_chunk::Name(renamed.data()) != std::string(name).substr(0, 50))
                std::abort();
        }
    }
    return 0;
}
