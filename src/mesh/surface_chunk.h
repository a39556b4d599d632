#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "export.h"

// The "SURF" chunk of a surface file, as the LWO writers copy it: found, checked, renamed.
// Every chunk made here is one whole IFF chunk of even length whose size field counts all of
// its bytes after the first eight, and whose name ends within it.
namespace surface_chunk {

using Bytes = std::vector<uint8_t>;

// A mesh's surface file: the first "SURF" met in steps of 4 bytes from the start. False for a
// file without one, or whose chunk runs past the end or has no end to its name.
UNDALINE_API bool FromMeshFile(const Bytes& file, Bytes* chunk);
// A fluid's surface file: the 12-byte "FORM" header, then the chunk.
UNDALINE_API bool FromFluidFile(const Bytes& file, Bytes* chunk);
// The bytes of a chunk made here.
UNDALINE_API size_t Size(const void* chunk);
UNDALINE_API std::string Name(const void* chunk);
UNDALINE_API bool HasShader(const void* chunk);
// The chunk with another name (at most 50 characters), padded to an even length.
UNDALINE_API Bytes Renamed(const void* chunk, const char* name);

}  // namespace surface_chunk
