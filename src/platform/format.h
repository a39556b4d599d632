#pragma once

#include <string>

#include "export.h"

namespace platform {

// printf-style formatting into a string of any length.
UNDALINE_API std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Copies text into a fixed-size byte buffer, always NUL-terminated and truncated to fit.
UNDALINE_API void CopyText(char* dest, int size, const char* text);
// The same for a source buffer of src_size bytes that may lack its terminator (a plug-in's
// fixed-size fields): reading stops at the first NUL or at the end of the buffer.
UNDALINE_API void CopyField(char* dest, int size, const char* src, int src_size);

// Whether a and b are equal when the case of ASCII letters is ignored (other bytes must match
// exactly, whatever the process locale). Null reads as "".
UNDALINE_API bool EqualsIgnoringCase(const char* a, const char* b);

}  // namespace platform
