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

// A fixed-size text buffer: the text, then zeros to its size. Whatever a buffer held after
// its end (an older, longer text) never reaches the file.
inline bool PutText(const char* buffer, int size) {
    char padded[1024] = {};
    if (size <= 0 || size > static_cast<int>(sizeof padded)) return false;
    for (int i = 0; i < size - 1 && buffer[i] != '\0'; ++i) padded[i] = buffer[i];
    return Write(padded, size) == size;
}

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
