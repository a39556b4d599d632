#pragma once

#include <cstdint>

#include "math/vector.h"
#include "platform/workspace_file.h"

// Fields of workspace records on the current workspace file. Each returns false once a
// write or read came up short; readers leave their destination alone then.
namespace record_io {

inline bool PutVector(const Vector& v) {
    return platform::WriteF32(v.x) && platform::WriteF32(v.y) && platform::WriteF32(v.z);
}

inline bool GetVector(Vector* v) {
    float x, y, z;
    if (!platform::ReadF32(&x) || !platform::ReadF32(&y) || !platform::ReadF32(&z)) return false;
    *v = Vector(x, y, z);
    return true;
}

// A fixed-size text buffer, written whole.
inline bool PutText(const char* buffer, int size) { return Write(buffer, size) == size; }

// Reads a fixed-size text buffer and makes sure it ends in a NUL, whatever the file held.
inline bool GetText(char* buffer, int size) {
    if (Read(buffer, size) != size) return false;
    buffer[size - 1] = '\0';
    return true;
}

inline bool PutByte(unsigned char v) { return platform::WriteU8(v); }
inline bool GetByte(unsigned char* v) { return platform::ReadU8(v); }
inline bool GetInt(int* v) {
    int32_t x;
    if (!platform::ReadI32(&x)) return false;
    *v = x;
    return true;
}

inline long Remaining() { return platform::WorkspaceRemaining(); }

}  // namespace record_io
