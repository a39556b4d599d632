#include "platform/whole_file.h"

#include <cstdio>
#include <string>

#include <unistd.h>

namespace platform {

bool WriteWholeFile(const char* path, const void* data, size_t size) {
    if (!path || !*path || (size > 0 && !data)) return false;
    const std::string temp = std::string(path) + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    if (std::fflush(f) != 0) ok = false;
    if (ok && fsync(fileno(f)) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (ok) ok = std::rename(temp.c_str(), path) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

}  // namespace platform
