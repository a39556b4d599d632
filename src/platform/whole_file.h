#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export.h"

namespace platform {

// Writes a whole file at once: the bytes go to a temporary file beside path, which replaces
// path only when everything was written and flushed. A failed write leaves the previous file
// as it was. Returns false on any failure.
UNDALINE_API bool WriteWholeFile(const char* path, const void* data, size_t size);

// Reads a whole file into bytes; false when it cannot be opened or read. The size comes from
// the file system, never from a number the file claims.
UNDALINE_API bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes);

}  // namespace platform
