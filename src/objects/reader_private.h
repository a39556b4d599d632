#pragma once

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "objects/body.h"
#include "platform/whole_file.h"

// What the four object readers share. A reader reads the whole file into memory, parses it
// into a NewGeometry that belongs to no body yet, and only when the whole file was accepted
// hands it to the body with Commit; a refused file therefore leaves the body, its labels and
// the rest of the scene exactly as they were.
namespace reader {

// Geometry being read. The arrays come from malloc and go to the body on Commit, or are freed
// with this record; every entry is written by SetVertex or SetFace before it is used.
class NewGeometry {
  public:
    NewGeometry() = default;
    NewGeometry(const NewGeometry&) = delete;
    NewGeometry& operator=(const NewGeometry&) = delete;
    ~NewGeometry();

    // Room for nv vertices and nf faces. Out of memory shows "Memory Error: verts" or
    // "Memory Error: faces"; with fatal the program then ends with exit code 1, otherwise
    // false is returned.
    bool Allocate(int nv, int nf, bool fatal);
    // Only the vertex array (the faces follow once they are counted).
    bool AllocateVertices(int nv, bool fatal);
    bool AllocateFaces(int nf, bool fatal);

    void SetVertex(int i, const Vector& local) {
        BodyVertex& v = verts[i];
        v = BodyVertex{};
        v.local = local;
        v.world = local;
        v.index = i;
    }
    // Corners by vertex index (checked by the caller) and the flags of the edges p0-p1,
    // p1-p2, p2-p0.
    void SetFace(int i, int a, int b, int c, int ab, int bc, int ca) {
        Face& f = faces[i];
        f = Face{};
        f.corner[0] = verts + a;
        f.corner[1] = verts + b;
        f.corner[2] = verts + c;
        f.edgeFlags[0] = ab;
        f.edgeFlags[1] = bc;
        f.edgeFlags[2] = ca;
    }

    BodyVertex* verts = nullptr;
    Face* faces = nullptr;
    int nverts = 0;
    int nfaces = 0;
};

// Gives the geometry to b and finishes the read as every reader does: path, name, label (made
// unique), the arrays, PrepareGeometry, the identity transform at rest, world positions,
// format and origin 1.
void Commit(Body* b, const std::string& path, const std::string& name, NewGeometry* g, int format);

// The missing-file dialog, then the whole file; false after the open-failure message
// (open_failure holds one "%s" for the path) or when the user skipped the file.
bool OpenObjectFile(std::string* path, std::string* name, int type, const char* open_failure,
                    platform::FileView* file);

// Shows text with the product title and the exclamation (or error) icon.
void Refuse(const std::string& text, bool error_icon = false);

// ---- text -----------------------------------------------------------------------------

inline bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\v' || c == '\f';
}

// Lines end at "\n", "\r\n" or a lone "\r"; the terminator is not part of the line.
class Lines {
  public:
    Lines(const uint8_t* data, size_t size)
        : p_(reinterpret_cast<const char*>(data)), end_(p_ + size) {}
    explicit Lines(const platform::FileView& file) : Lines(file.data(), file.size()) {}
    bool Next(std::string_view* line) {
        if (p_ >= end_) return false;
        const char* start = p_;
        p_ = FindEnd(p_, end_);
        *line = std::string_view(start, static_cast<size_t>(p_ - start));
        if (p_ < end_) {
            if (*p_ == '\r' && p_ + 1 < end_ && p_[1] == '\n') ++p_;
            ++p_;
        }
        return true;
    }
    size_t Remaining() const { return static_cast<size_t>(end_ - p_); }

  private:
    // The first '\n' or '\r' from p on, or end. Eight bytes at a time: a word is passed over
    // at once unless one of its bytes is below 0x0E; the lowest such byte is exact (the
    // borrow of the test only marks bytes above a true one), so no byte is tested alone
    // except the few control characters that are not line ends (tabs).
    static const char* FindEnd(const char* p, const char* end) {
        if constexpr (std::endian::native == std::endian::little) {
            constexpr uint64_t kOnes = 0x0101010101010101ull, kHigh = 0x8080808080808080ull;
            while (end - p >= 8) {
                uint64_t w;
                std::memcpy(&w, p, 8);
                const uint64_t low = (w - kOnes * 0x0E) & ~w & kHigh;
                if (low == 0) {
                    p += 8;
                    continue;
                }
                p += std::countr_zero(low) / 8;
                if (*p == '\n' || *p == '\r') return p;
                ++p;
            }
        }
        while (p < end && *p != '\n' && *p != '\r') ++p;
        return p;
    }

    const char* p_;
    const char* end_;
};

inline std::string_view TrimLeft(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    return s.substr(i);
}

inline std::string_view Trim(std::string_view s) {
    s = TrimLeft(s);
    size_t n = s.size();
    while (n > 0 && IsBlank(s[n - 1])) --n;
    return s.substr(0, n);
}

// Splits off the first blank-separated token of *s; *s keeps what follows it.
inline std::string_view NextToken(std::string_view* s) {
    std::string_view t = TrimLeft(*s);
    size_t n = 0;
    while (n < t.size() && !IsBlank(t[n])) ++n;
    *s = t.substr(n);
    return t.substr(0, n);
}

inline std::string_view FirstToken(std::string_view line) {
    return NextToken(&line);
}

// Where a number starts after leading blanks, past a '+' sign (which from_chars does not
// take); null when the '+' is followed by another sign.
inline const char* SignedStart(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    if (i < text.size() && text[i] == '+') {
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) return nullptr;
    }
    return text.data() + i;
}

// The number at the start of text (blanks and a '+' sign allowed before it), as a finite
// float; the characters after it are left alone. Locale-independent.
inline bool LeadingFloat(std::string_view text, float* out, size_t* used = nullptr) {
    const char* begin = SignedStart(text);
    const char* end = text.data() + text.size();
    if (!begin) return false;
    float v = 0.0f;
    auto r = std::from_chars(begin, end, v, std::chars_format::general);
    if (r.ec != std::errc() || !std::isfinite(v)) return false;
    *out = v;
    if (used) *used = static_cast<size_t>(r.ptr - text.data());
    return true;
}

// The integer at the start of text (blanks and a '+' sign allowed), within the int range.
inline bool LeadingInt(std::string_view text, int* out, size_t* used = nullptr) {
    const char* begin = SignedStart(text);
    const char* end = text.data() + text.size();
    if (!begin) return false;
    int v = 0;
    auto r = std::from_chars(begin, end, v);
    if (r.ec != std::errc()) return false;
    *out = v;
    if (used) *used = static_cast<size_t>(r.ptr - text.data());
    return true;
}

// A coordinate of the file times the scene scale factor, still finite.
bool Scaled(float v, float* out);

}  // namespace reader
