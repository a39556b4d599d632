#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

// Reads a whole regular file into bytes. The size comes from the file system, so nothing is
// allocated from a number the file claims. false when path is no readable regular file.
UNDALINE_API bool ReadWholeFile(const char* path, std::vector<uint8_t>* bytes);

// A whole regular file to read, mapped into memory rather than copied. Sanitizer builds copy
// it into a buffer of its exact size instead, so that a read past its end is caught.
class UNDALINE_API FileView {
public:
    FileView() = default;
    FileView(const FileView&) = delete;
    FileView& operator=(const FileView&) = delete;
    ~FileView();
    // false when path is no readable regular file.
    bool Open(const char* path);
    const uint8_t* data() const { return data_; }
    size_t size() const { return size_; }

private:
    void Close();
    const uint8_t* data_ = nullptr;
    size_t size_ = 0;
    void* map_ = nullptr;
    std::vector<uint8_t> copy_;
};

// Whether path names a regular file that can be opened for reading.
UNDALINE_API bool CanReadFile(const char* path);

}  // namespace platform
