#include "platform/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace platform {

std::FILE* CreateTempBeside(const std::string& path, std::string* temp) {
    *temp = path + ".tmp";
    if (unlink(temp->c_str()) != 0 && errno != ENOENT) return nullptr;
    const int fd = open(temp->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return nullptr;
    std::FILE* f = fdopen(fd, "wb");
    if (!f) {
        close(fd);
        unlink(temp->c_str());
    }
    return f;
}

bool WriteWholeFile(const char* path, const void* data, size_t size) {
    if (!path || !*path || (size > 0 && !data)) return false;
    std::string temp;
    std::FILE* f = CreateTempBeside(path, &temp);
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
