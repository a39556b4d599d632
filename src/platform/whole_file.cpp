#include "platform/whole_file.h"

#include <cstdio>
#include <new>
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

bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes) {
    std::FILE* f = path && bytes ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        try {
            bytes->resize(static_cast<size_t>(size));
        } catch (const std::bad_alloc&) {
            ok = false;
        }
    }
    ok = ok && (size == 0 || std::fread(bytes->data(), 1, bytes->size(), f) == bytes->size());
    std::fclose(f);
    return ok;
}

}  // namespace platform
