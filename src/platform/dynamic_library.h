#pragma once

#include <string>

#include "export.h"

namespace platform {

// Shared libraries loaded at run time (plug-ins). A handle is null when loading failed, also
// for a file that CheckLibraryFile (library_file.h) refuses. Symbols are resolved at load
// time, so a library with an unresolved reference fails to load instead of failing later
// inside a call.
UNDALINE_API void* OpenLibrary(const std::string& path);
// Address of an exported symbol, or null.
UNDALINE_API void* LibrarySymbol(void* library, const char* name);
UNDALINE_API void CloseLibrary(void* library);
// Why the last OpenLibrary or LibrarySymbol failed, for the log.
UNDALINE_API std::string LibraryError();

}  // namespace platform
