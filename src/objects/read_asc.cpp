// 3D Studio ASCII export: the first "Named object" that is a tri-mesh, with its vertex list
// ("Vertex n:  X: x  Y: y  Z: z") and face list ("Face n:  A:a B:b C:c AB:ab BC:bc CA:ca").
// Lines between the entries (smoothing groups, materials, page breaks) are passed over.
// Corners a and b are swapped, which turns the winding of the package into ours.
#include <cstring>
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
// The fewest bytes a vertex or face line can take: a count that needs more lines than the
// rest of the file can hold is refused before anything is allocated.
constexpr size_t kShortestEntry = 9;

bool StartsWith(std::string_view s, std::string_view prefix) {
    return s.size() >= prefix.size() && s.substr(0, prefix.size()) == prefix;
}

// "Tri-mesh, Vertices: 8     Faces: 12": the two counts.
bool MeshHeader(std::string_view line, int* nverts, int* nfaces) {
    if (!StartsWith(reader::TrimLeft(line), "Tri-mesh")) return false;
    bool has_v = false, has_f = false;
    for (std::string_view t = NextToken(&line); !t.empty(); t = NextToken(&line)) {
        if (t == "Vertices:") has_v = reader::LeadingInt(NextToken(&line), nverts);
        if (t == "Faces:") has_f = reader::LeadingInt(NextToken(&line), nfaces);
    }
    return has_v && has_f;
}

// Finds the first named tri-mesh and leaves `lines` just after its header.
bool FindMesh(reader::Lines* lines, int* nverts, int* nfaces) {
    std::string_view line;
    while (lines->Next(&line)) {
        const size_t n = line.find('N');
        if (n == std::string_view::npos || reader::FirstToken(line.substr(n + 1)) != "amed") {
            continue;
        }
        std::string_view header;
        while (lines->Next(&header) && reader::Trim(header).empty()) {
        }
        // A named light or camera is no mesh: look on.
        if (MeshHeader(header, nverts, nfaces)) return true;
    }
    return false;
}

// A number that may use a decimal comma.
bool Number(std::string_view text, float* out) {
    bool comma = false;
    for (char c : text) comma = comma || c == ',';
    if (!comma) return reader::LeadingFloat(text, out);
    std::string copy(text);
    for (char& c : copy) {
        if (c == ',') c = '.';
    }
    return reader::LeadingFloat(copy, out);
}

// "X: x  Y: y  Z: z", the values also written against their markers ("X:1.5"). Each
// coordinate found sets its bit in the result; 0 also when a value is no number.
int Coordinates(std::string_view line, float c[3]) {
    int found = 0;
    for (std::string_view t = NextToken(&line); !t.empty(); t = NextToken(&line)) {
        if (t.size() < 2 || t[1] != ':' || t[0] < 'X' || t[0] > 'Z') continue;
        const int k = t[0] - 'X';
        const std::string_view text = t.substr(2);
        if (!Number(text.empty() ? NextToken(&line) : text, &c[k])) return 0;
        found |= 1 << k;
    }
    return found;
}

// The fields of a face line, "A:3" or "A: 3": A, B, C, AB, BC, CA in that order. Each one
// found sets its bit in the result.
int FaceFields(std::string_view line, int value[6]) {
    int found = 0;
    for (std::string_view t = NextToken(&line); !t.empty(); t = NextToken(&line)) {
        // "A:", "B:", "C:" name corners 0 to 2; "AB:", "BC:", "CA:" edges 3 to 5.
        int k = -1;
        size_t key = 0;
        if (t.size() >= 2 && t[1] == ':' && t[0] >= 'A' && t[0] <= 'C') {
            k = t[0] - 'A';
            key = 2;
        } else if (t.size() >= 3 && t[2] == ':') {
            if (t[0] == 'A' && t[1] == 'B') k = 3;
            if (t[0] == 'B' && t[1] == 'C') k = 4;
            if (t[0] == 'C' && t[1] == 'A') k = 5;
            key = 3;
        }
        if (k < 0) continue;
        const std::string_view text = t.substr(key);
        if (reader::LeadingInt(text.empty() ? NextToken(&line) : text, &value[k])) {
            found |= 1 << k;
        }
    }
    return found;
}

bool ReadVertices(reader::Lines* lines, reader::NewGeometry* g) {
    std::string_view line;
    for (int i = 0; i < g->nverts;) {
        if (!lines->Next(&line)) return false;
        std::string_view rest = line;
        const std::string_view first = NextToken(&rest);
        if (first == "Face" || first == "Named") return false;  // the list ended early
        if (first != "Vertex") continue;
        float c[3];
        const int found = Coordinates(rest, c);
        if (found == 0 && line.find("X:") == std::string_view::npos) continue;  // "Vertex list:"
        if (found != 7) return false;
        Vector local;
        for (int k = 0; k < 3; ++k) {
            if (!reader::Scaled(c[k], &c[k])) return false;
        }
        local[AX] = c[0];
        local[AY] = c[1];
        local[AZ] = c[2];
        g->SetVertex(i++, local);
    }
    return true;
}

bool ReadFaces(reader::Lines* lines, reader::NewGeometry* g) {
    std::string_view line;
    for (int i = 0; i < g->nfaces;) {
        if (!lines->Next(&line)) return false;
        std::string_view rest = line;
        const std::string_view first = NextToken(&rest);
        if (first == "Named") return false;
        if (first != "Face") continue;
        // Edges without a flag are shown.
        int v[6] = {0, 0, 0, 1, 1, 1};
        const int found = FaceFields(rest, v) & 7;
        if (found == 0) continue;  // "Face list:"
        if (found != 7) return false;
        for (int k = 0; k < 3; ++k) {
            if (v[k] < 0 || v[k] >= g->nverts) return false;
        }
        const int a = v[0], b = v[1], c = v[2], ab = v[3], bc = v[4], ca = v[5];
        g->SetFace(i++, b, a, c, ab, ca, bc);
    }
    return true;
}

}  // namespace

bool Body::LoadAsc(const char* file, const char* object_name) {
    std::string path = file ? file : "", name = object_name ? object_name : "";
    platform::FileView bytes;
    if (!reader::OpenObjectFile(&path, &name, kTypeAsc, kReadError, &bytes)) return false;
    reader::Lines lines(bytes);
    int nv = 0, nf = 0;
    if (!FindMesh(&lines, &nv, &nf)) {
        reader::Refuse("Error reading ASC file");
        return false;
    }
    const size_t room = lines.Remaining() / kShortestEntry;
    reader::NewGeometry g;
    if (nv < 0 || nf < 0 || static_cast<size_t>(nv) + static_cast<size_t>(nf) > room) {
        reader::Refuse(platform::Format(kReadError, path.c_str()));
        return false;
    }
    g.Allocate(nv, nf, true);
    if (!ReadVertices(&lines, &g) || !ReadFaces(&lines, &g)) {
        reader::Refuse(platform::Format(kReadError, path.c_str()));
        return false;
    }
    reader::Commit(this, path, name, &g, kFormatAsc);
    return true;
}
