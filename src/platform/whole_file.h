#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

#include "export.h"

namespace platform {

// Writes a whole file at once: the bytes go to a temporary file beside path, which replaces
// path only when everything was written and flushed. A failed write leaves the previous file
// as it was. Returns false on any failure.
UNDALINE_API bool WriteWholeFile(const char* path, const void* data, size_t size);

// Opens path + ".tmp" for writing as a new file: whatever a killed earlier save left under
// that name (a stale file, or a link pointing elsewhere) is removed first and never written
// through. Null when the file cannot be made; *temp receives its name either way.
UNDALINE_API std::FILE* CreateTempBeside(const std::string& path, std::string* temp);

}  // namespace platform
