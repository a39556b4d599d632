#pragma once

#include <string>

#include "export.h"

namespace platform {

// printf-style formatting into a string of any length.
UNDALINE_API std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

// Copies text into a fixed-size byte buffer, always NUL-terminated and truncated to fit.
UNDALINE_API void CopyText(char* dest, int size, const char* text);

}  // namespace platform
