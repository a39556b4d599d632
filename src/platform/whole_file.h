#pragma once

#include <cstddef>

#include "export.h"

namespace platform {

// Writes a whole file at once: the bytes go to a temporary file beside path, which replaces
// path only when everything was written and flushed. A failed write leaves the previous file
// as it was. Returns false on any failure.
UNDALINE_API bool WriteWholeFile(const char* path, const void* data, size_t size);

}  // namespace platform
