#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/endian.h"

namespace platform {

// Values appended to bytes in memory, little-endian unless the name says otherwise: a file is
// built whole and then written in one go (see WriteWholeFile).
class ByteWriter {
public:
    explicit ByteWriter(size_t reserve = 0) { bytes_.reserve(reserve); }
    void U8(uint8_t v) { bytes_.push_back(v); }
    void I16(int16_t v) { PutU16LE(Grow(2), static_cast<uint16_t>(v)); }
    void I32(int32_t v) { PutU32LE(Grow(4), static_cast<uint32_t>(v)); }
    void U32(uint32_t v) { PutU32LE(Grow(4), v); }
    void F32(float v) { PutF32LE(Grow(4), v); }
    // A fixed-size text field: the text, cut to leave room for its zero byte, zero-filled.
    void Text(const std::string& text, size_t size) {
        uint8_t* at = Grow(size);
        std::memset(at, 0, size);
        if (size > 0) std::memcpy(at, text.data(), text.size() < size ? text.size() : size - 1);
    }
    // Big-endian values, for the IFF files.
    void U16BE(uint16_t v) { PutU16BE(Grow(2), v); }
    void U32BE(uint32_t v) { PutU32BE(Grow(4), v); }
    void F32BE(float v) { PutF32BE(Grow(4), v); }
    // Bytes as they are (chunk ids, copied chunks, text).
    void Raw(const void* data, size_t n) {
        if (n > 0) std::memcpy(Grow(n), data, n);
    }
    void Raw(const char* text) { Raw(text, std::strlen(text)); }
    // Overwrites a big-endian value written earlier (a size known only at the end).
    void PatchU32BE(size_t at, uint32_t v) { PutU32BE(bytes_.data() + at, v); }
    void Reserve(size_t n) { bytes_.reserve(n); }
    void Clear() { bytes_.clear(); }
    size_t Size() const { return bytes_.size(); }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    uint8_t* Grow(size_t n) {
        bytes_.resize(bytes_.size() + n);
        return bytes_.data() + bytes_.size() - n;
    }
    std::vector<uint8_t> bytes_;
};

// Little-endian values read from bytes in memory that the caller has checked are long enough.
class ByteReader {
public:
    explicit ByteReader(const uint8_t* p) : p_(p) {}
    uint8_t U8() { return *p_++; }
    int16_t I16() { return static_cast<int16_t>(GetU16LE(Take(2))); }
    int32_t I32() { return static_cast<int32_t>(GetU32LE(Take(4))); }
    float F32() { return GetF32LE(Take(4)); }
    void Skip(size_t n) { p_ += n; }

private:
    const uint8_t* Take(size_t n) {
        const uint8_t* at = p_;
        p_ += n;
        return at;
    }
    const uint8_t* p_;
};

}  // namespace platform
