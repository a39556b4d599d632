#include "platform/dynamic_library.h"

#include <dlfcn.h>

#include "platform/library_file.h"

namespace platform {

void* OpenLibrary(const std::string& path) {
    // The loader maps the file as its headers describe it: a file shorter than that faults.
    if (path.empty() || !CheckLibraryFile(path).empty()) return nullptr;
    // A name without a slash would be searched for on the library path: always give dlopen a
    // path so that only the named file can be loaded.
    std::string local = path.find('/') == std::string::npos ? "./" + path : path;
    return dlopen(local.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LibrarySymbol(void* library, const char* name) {
    if (!library || !name) return nullptr;
    return dlsym(library, name);
}

void CloseLibrary(void* library) {
    if (library) dlclose(library);
}

std::string LibraryError() {
    const char* e = dlerror();
    return e ? e : "";
}

}  // namespace platform
