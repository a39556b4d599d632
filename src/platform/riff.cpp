#include "platform/riff.h"

#include <sys/types.h>

#include "platform/endian.h"

namespace platform {

RiffReader::~RiffReader() { Close(); }

bool RiffReader::Open(const char* path) {
    Close();
    if (!path || !*path) return false;
    file_ = std::fopen(path, "rb");
    if (!file_) return false;
    if (fseeko(file_, 0, SEEK_END) != 0) {
        Close();
        return false;
    }
    off_t end = ftello(file_);
    if (end < 0) {
        Close();
        return false;
    }
    size_ = static_cast<uint64_t>(end);
    return true;
}

void RiffReader::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    size_ = 0;
}

bool RiffReader::ReadAt(uint64_t offset, void* out, size_t size) {
    if (!file_ || offset > size_ || size > size_ - offset) return false;
    if (size == 0) return true;
    if (fseeko(file_, static_cast<off_t>(offset), SEEK_SET) != 0) return false;
    return std::fread(out, 1, size, file_) == size;
}

RiffResult RiffReader::DescendFirst(RiffChunk* chunk) {
    uint8_t header[12];
    if (!chunk || !ReadAt(0, header, 8)) return RiffResult::kReadError;
    RiffChunk c;
    c.id = GetU32LE(header);
    c.size = GetU32LE(header + 4);
    c.data = 8;
    c.end = 8 + static_cast<uint64_t>(c.size);
    if (c.id == kRiffId || c.id == kListId) {
        if (c.size < 4) return RiffResult::kTruncated;
        if (!ReadAt(8, header + 8, 4)) return RiffResult::kReadError;
        c.form = GetU32LE(header + 8);
        c.data = 12;
    }
    *chunk = c;
    return c.end > size_ ? RiffResult::kTruncated : RiffResult::kOk;
}

RiffResult RiffReader::FindChunk(const RiffChunk& parent, uint32_t id, RiffChunk* chunk) {
    if (!chunk) return RiffResult::kReadError;
    // The parent was checked against the file when it was entered; stay within both anyway.
    const uint64_t limit = parent.end < size_ ? parent.end : size_;
    uint64_t pos = parent.data;
    while (pos + 8 <= limit) {
        uint8_t header[8];
        if (!ReadAt(pos, header, 8)) return RiffResult::kReadError;
        RiffChunk c;
        c.id = GetU32LE(header);
        c.size = GetU32LE(header + 4);
        c.data = pos + 8;
        c.end = c.data + c.size;
        if (c.end > limit) {
            if (c.id != id) return RiffResult::kBroken;
            *chunk = c;
            return RiffResult::kTruncated;
        }
        if (c.id == id) {
            if (c.id == kListId) {
                if (c.size < 4) return RiffResult::kTruncated;
                uint8_t form[4];
                if (!ReadAt(c.data, form, 4)) return RiffResult::kReadError;
                c.form = GetU32LE(form);
                c.data += 4;
            }
            *chunk = c;
            return RiffResult::kOk;
        }
        // Chunks start on even offsets: an odd size is followed by a pad byte.
        pos = c.end + (c.size & 1u);
    }
    return RiffResult::kNotFound;
}

bool RiffReader::ReadChunk(const RiffChunk& chunk, uint64_t offset, void* out, size_t size) {
    const uint64_t length = chunk.end - chunk.data;
    if (offset > length || size > length - offset) return false;
    return ReadAt(chunk.data + offset, out, size);
}

}  // namespace platform
