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

// The number after marker ("X:"), decimal commas read as points.
bool Coordinate(std::string_view line, const char* marker, float* out) {
    const size_t at = line.find(marker);
    if (at == std::string_view::npos) return false;
    std::string_view text = line.substr(at + std::strlen(marker));
    if (text.find(',') == std::string_view::npos) return reader::LeadingFloat(text, out);
    std::string copy(text);
    for (char& c : copy) {
        if (c == ',') c = '.';
    }
    return reader::LeadingFloat(copy, out);
}

// The value of a face field: "A:3" or "A: 3".
bool FaceField(std::string_view line, std::string_view key, int* out) {
    for (std::string_view t = NextToken(&line); !t.empty(); t = NextToken(&line)) {
        if (!StartsWith(t, key)) continue;
        std::string_view value = t.substr(key.size());
        return reader::LeadingInt(value.empty() ? NextToken(&line) : value, out);
    }
    return false;
}

bool ReadVertices(reader::Lines* lines, reader::NewGeometry* g) {
    std::string_view line;
    for (int i = 0; i < g->nverts;) {
        if (!lines->Next(&line)) return false;
        const std::string_view first = reader::FirstToken(line);
        if (first == "Face" || first == "Named") return false;  // the list ended early
        if (first != "Vertex" || line.find("X:") == std::string_view::npos) continue;
        float c[3];
        if (!Coordinate(line, "X:", &c[0]) || !Coordinate(line, "Y:", &c[1]) ||
            !Coordinate(line, "Z:", &c[2])) {
            return false;
        }
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
        const std::string_view first = reader::FirstToken(line);
        if (first == "Named") return false;
        if (first != "Face" || line.find("A:") == std::string_view::npos) continue;
        int a, b, c;
        if (!FaceField(line, "A:", &a) || !FaceField(line, "B:", &b) ||
            !FaceField(line, "C:", &c)) {
            return false;
        }
        for (int v : {a, b, c}) {
            if (v < 0 || v >= g->nverts) return false;
        }
        // Edges without a flag are shown.
        int ab = 1, bc = 1, ca = 1;
        FaceField(line, "AB:", &ab);
        FaceField(line, "BC:", &bc);
        FaceField(line, "CA:", &ca);
        g->SetFace(i++, b, a, c, ab, ca, bc);
    }
    return true;
}

}  // namespace

bool Body::LoadAsc(const char* file, const char* object_name) {
    std::string path = file ? file : "", name = object_name ? object_name : "";
    std::vector<uint8_t> bytes;
    if (!reader::OpenObjectFile(&path, &name, kTypeAsc, kReadError, &bytes)) return false;
    reader::Lines lines(bytes.data(), bytes.size());
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
