#include "platform/format.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace platform {

std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list copy;
    va_copy(copy, args);
    int n = std::vsnprintf(nullptr, 0, fmt, copy);
    va_end(copy);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, args);
        out.resize(static_cast<size_t>(n));
    }
    va_end(args);
    return out;
}

void CopyText(char* dest, int size, const char* text) {
    if (!dest || size <= 0) return;
    if (!text) text = "";
    size_t n = std::strlen(text);
    if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
    std::memcpy(dest, text, n);
    dest[n] = '\0';
}

void CopyField(char* dest, int size, const char* src, int src_size) {
    if (!dest || size <= 0) return;
    size_t n = 0;
    if (src && src_size > 0) {
        const void* end = std::memchr(src, '\0', static_cast<size_t>(src_size));
        n = end ? static_cast<size_t>(static_cast<const char*>(end) - src)
                : static_cast<size_t>(src_size);
    }
    if (n > static_cast<size_t>(size - 1)) n = static_cast<size_t>(size - 1);
    if (n) std::memcpy(dest, src, n);
    dest[n] = '\0';
}

bool EqualsIgnoringCase(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
    for (;; ++a, ++b) {
        if (lower(static_cast<unsigned char>(*a)) != lower(static_cast<unsigned char>(*b))) {
            return false;
        }
        if (*a == '\0') return true;
    }
}

}  // namespace platform
