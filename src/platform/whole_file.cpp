#include "platform/whole_file.h"

#include <cerrno>
#include <cstdio>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
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

#if defined(__SANITIZE_ADDRESS__)
#define UNDALINE_COPY_FILES 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define UNDALINE_COPY_FILES 1
#endif
#endif

FileView::~FileView() { Close(); }

void FileView::Close() {
    if (map_) munmap(map_, size_);
    map_ = nullptr;
    data_ = nullptr;
    size_ = 0;
    copy_.clear();
}

bool FileView::Open(const char* path) {
    Close();
#ifdef UNDALINE_COPY_FILES
    if (!ReadWholeFile(path, &copy_)) return false;
    data_ = copy_.data();
    size_ = copy_.size();
    return true;
#else
    const int fd = path ? ::open(path, O_RDONLY | O_CLOEXEC) : -1;
    if (fd < 0) return false;
    struct stat st;
    bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    if (ok && st.st_size > 0) {
        size_ = static_cast<size_t>(st.st_size);
        void* m = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (m == MAP_FAILED) {
            // Some files cannot be mapped (special file systems): read them instead.
            size_ = 0;
            ::close(fd);
            if (!ReadWholeFile(path, &copy_)) return false;
            data_ = copy_.data();
            size_ = copy_.size();
            return true;
        }
        map_ = m;
        data_ = static_cast<const uint8_t*>(m);
    }
    ::close(fd);
    return ok;
#endif
}

bool CanReadFile(const char* path) {
    std::FILE* f = path && *path ? std::fopen(path, "rb") : nullptr;
    if (!f) return false;
    bool ok = IsRegular(f);
    std::fclose(f);
    return ok;
}

}  // namespace platform
