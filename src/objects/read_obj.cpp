// Wavefront OBJ: "v" lines are vertices, "f" lines faces; everything else is passed over.
// A face of more than three corners is cut into a fan of triangles from its first corner,
// the fan's inner diagonals drawn as hidden edges. A line ending in a backslash goes on in the
// next one.
#include <climits>
#include <string>
#include <vector>

#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/reader_private.h"
#include "platform/format.h"
#include "scene/axes.h"

namespace {

using reader::NextToken;

constexpr const char* kReadError = "Object file read error: %s";

// Logical lines: a line whose last character (blanks aside) is a backslash is joined with
// the next. Comment lines never continue: a Windows path at the end of a comment is common.
class LogicalLines {
  public:
    explicit LogicalLines(const platform::FileView& file) : lines_(file) {}
    bool Next(std::string_view* line) {
        std::string_view raw;
        if (!lines_.Next(&raw)) return false;
        if (!Continues(raw)) {
            *line = raw;
            return true;
        }
        joined_.clear();
        while (Continues(raw)) {
            std::string_view body = reader::Trim(raw);
            joined_.append(body.data(), body.size() - 1);
            joined_ += ' ';
            if (!lines_.Next(&raw)) {
                raw = std::string_view();
                break;
            }
        }
        joined_.append(raw.data(), raw.size());
        *line = joined_;
        return true;
    }

  private:
    static bool Continues(std::string_view raw) {
        size_t n = raw.size();
        while (n > 0 && reader::IsBlank(raw[n - 1])) --n;
        if (n == 0 || raw[n - 1] != '\\') return false;
        return reader::TrimLeft(raw).front() != '#';
    }
    reader::Lines lines_;
    std::string joined_;
};

// Vertex index of one reference ("7", "7/3", "7/3/2", "7//2"): 1-based from the start of the
// file, or, when negative, counted back from the last vertex before the line.
bool Reference(std::string_view token, int defined_before, int nverts, int* index) {
    int i = 0;
    if (!reader::LeadingInt(token, &i)) return false;
    long long at =
        i > 0 ? static_cast<long long>(i) - 1 : static_cast<long long>(defined_before) + i;
    if (i == 0 || at < 0 || at >= nverts) return false;
    *index = static_cast<int>(at);
    return true;
}

int CountTokens(std::string_view rest) {
    int n = 0;
    while (!NextToken(&rest).empty()) ++n;
    return n;
}

// The first pass: how many vertices and triangles, so each array is allocated once.
bool Count(const platform::FileView& bytes, int* nverts, int* nfaces) {
    long long v = 0, t = 0;
    LogicalLines lines(bytes);
    std::string_view line;
    while (lines.Next(&line)) {
        std::string_view token = NextToken(&line);
        if (token == "v") {
            ++v;
        } else if (token == "f") {
            const int corners = CountTokens(line);
            if (corners < 3) return false;
            t += corners - 2;
        }
        if (v > INT_MAX || t > INT_MAX) return false;
    }
    *nverts = static_cast<int>(v);
    *nfaces = static_cast<int>(t);
    return true;
}

bool Fill(const platform::FileView& bytes, reader::NewGeometry* g) {
    int vi = 0, fi = 0;
    std::vector<int> corners;
    LogicalLines lines(bytes);
    std::string_view line;
    while (lines.Next(&line)) {
        std::string_view token = NextToken(&line);
        if (token == "v") {
            float c[3];
            for (float& x : c) {
                if (!reader::LeadingFloat(NextToken(&line), &x) || !reader::Scaled(x, &x)) {
                    return false;
                }
            }
            Vector local;
            local[AX] = c[0];
            local[AY] = c[1];
            local[AZ] = c[2];
            g->SetVertex(vi++, local);
        } else if (token == "f") {
            corners.clear();
            for (std::string_view t = NextToken(&line); !t.empty(); t = NextToken(&line)) {
                int index;
                if (!Reference(t, vi, g->nverts, &index)) return false;
                corners.push_back(index);
            }
            const size_t n = corners.size();
            for (size_t k = 2; k < n; ++k) {
                // Only the polygon's own edges show: p0-p1 on the first triangle of the fan,
                // p2-p0 on the last.
                g->SetFace(fi++, corners[0], corners[k - 1], corners[k], k == 2 ? 1 : 0, 1,
                           k == n - 1 ? 1 : 0);
            }
        }
    }
    return true;
}

}  // namespace

bool Body::LoadObj(const char* file, const char* object_name) {
    std::string path = file ? file : "", name = object_name ? object_name : "";
    platform::FileView bytes;
    if (!reader::OpenObjectFile(&path, &name, kTypeObj, kReadError, &bytes)) return false;
    reader::NewGeometry g;
    int nv = 0, nf = 0;
    if (!Count(bytes, &nv, &nf)) {
        reader::Refuse(platform::Format(kReadError, path.c_str()));
        return false;
    }
    g.Allocate(nv, nf, true);
    if (!Fill(bytes, &g)) {
        reader::Refuse(platform::Format(kReadError, path.c_str()));
        return false;
    }
    reader::Commit(this, path, name, &g, kFormatObj);
    return true;
}
