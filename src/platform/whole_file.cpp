#include "platform/whole_file.h"

#include <cstdio>
#include <string>

#include <sys/stat.h>
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

namespace {

// A directory opens for reading but has no bytes to give.
bool IsRegular(std::FILE* f) {
    struct stat st;
    return fstat(fileno(f), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    std::FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    bool ok = IsRegular(f) && std::fseek(f, 0, SEEK_END) == 0;
    long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        bytes->resize(static_cast<size_t>(size));
        ok = size == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size();
    }
    std::fclose(f);
    return ok;
}

bool CanReadFile(const char* path) {
    std::FILE* f = path && *path ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    bool ok = IsRegular(f);
    std::fclose(f);
    return ok;
}

}  // namespace platform
