#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "export.h"

// A reader of RIFF files (WAV sounds): chunks are found by their four-character ids and read
// by offset. Every declared size is checked against the chunk that holds it and against the
// file before anything is read, so a broken file is refused, never read past.

namespace platform {

// A chunk id as it is stored: the four characters in file order.
constexpr uint32_t FourCC(char a, char b, char c, char d) {
    return static_cast<uint32_t>(static_cast<uint8_t>(a)) |
           (static_cast<uint32_t>(static_cast<uint8_t>(b)) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(c)) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(d)) << 24);
}

constexpr uint32_t kRiffId = FourCC('R', 'I', 'F', 'F');
constexpr uint32_t kListId = FourCC('L', 'I', 'S', 'T');

struct RiffChunk {
    uint32_t id = 0;
    uint32_t size = 0;  // declared size of the data, pad byte excluded
    uint32_t form = 0;  // form type of RIFF and LIST chunks, else 0
    uint64_t data = 0;  // file offset of the data (after the form type, when there is one)
    uint64_t end = 0;   // file offset just past the data
};

enum class RiffResult {
    kOk,
    kReadError,  // the file ends inside a chunk header, or cannot be read
    kNotFound,   // no chunk with that id in the parent
    kTruncated,  // the chunk was found but its size runs past its parent or the file
    kBroken,     // a chunk before the wanted one runs past its parent, so the walk stops
};

class UNDALINE_API RiffReader {
public:
    RiffReader() = default;
    ~RiffReader();
    RiffReader(const RiffReader&) = delete;
    RiffReader& operator=(const RiffReader&) = delete;

    bool Open(const char* path);
    void Close();
    bool IsOpen() const { return file_ != nullptr; }
    uint64_t FileSize() const { return size_; }

    // Enters the chunk at the start of the file; RIFF and LIST chunks also give their form.
    RiffResult DescendFirst(RiffChunk* chunk);
    // Finds the first chunk with id among the sub-chunks of a RIFF or LIST chunk.
    RiffResult FindChunk(const RiffChunk& parent, uint32_t id, RiffChunk* chunk);
    // Reads size bytes of a chunk's data from offset; false when that leaves the chunk or the
    // file cannot be read.
    bool ReadChunk(const RiffChunk& chunk, uint64_t offset, void* out, size_t size);

private:
    bool ReadAt(uint64_t offset, void* out, size_t size);

    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
};

}  // namespace platform
