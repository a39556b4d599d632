#pragma once

#include <bit>
#include <cstdint>

// Explicit byte orders for every binary file: values are written field by field, never by
// dumping structs, so files are the same whatever the host.

namespace platform {

inline void PutU16LE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void PutU32LE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU64LE(uint8_t* p, uint64_t v) {
    for (int i = 0; i < 8; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void PutU16BE(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v >> 8);
    p[1] = static_cast<uint8_t>(v);
}
inline void PutU32BE(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * (3 - i)));
}
inline void PutF32LE(uint8_t* p, float v) { PutU32LE(p, std::bit_cast<uint32_t>(v)); }
inline void PutF64LE(uint8_t* p, double v) { PutU64LE(p, std::bit_cast<uint64_t>(v)); }
inline void PutF32BE(uint8_t* p, float v) { PutU32BE(p, std::bit_cast<uint32_t>(v)); }

inline uint16_t GetU16LE(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t GetU32LE(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
inline uint64_t GetU64LE(const uint8_t* p) {
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}
inline uint16_t GetU16BE(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }
inline uint32_t GetU32BE(const uint8_t* p) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | p[i];
    return v;
}
inline float GetF32LE(const uint8_t* p) { return std::bit_cast<float>(GetU32LE(p)); }
inline double GetF64LE(const uint8_t* p) { return std::bit_cast<double>(GetU64LE(p)); }
inline float GetF32BE(const uint8_t* p) { return std::bit_cast<float>(GetU32BE(p)); }

}  // namespace platform
