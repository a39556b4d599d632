#include "platform/file_parts.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>

namespace platform {

bool WriteFileParts(const std::string& path, const FilePart* parts, size_t count) {
    if (path.empty()) return false;
    const size_t cut = path.find_last_of('/');
    if (cut != std::string::npos && cut > 0 && !EnsureDirectory(path.substr(0, cut))) return false;
    const std::string temp = path + ".tmp";
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = true;
    for (size_t i = 0; ok && i < count; ++i) {
        if (parts[i].size == 0) continue;
        ok = parts[i].data && std::fwrite(parts[i].data, 1, parts[i].size, f) == parts[i].size;
    }
    if (std::fflush(f) != 0) ok = false;
    if (ok && fsync(fileno(f)) != 0) ok = false;
    if (std::fclose(f) != 0) ok = false;
    if (ok) ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) std::remove(temp.c_str());
    return ok;
}

bool EnsureDirectory(const std::string& dir) {
    if (dir.empty()) return true;
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}

}  // namespace platform
