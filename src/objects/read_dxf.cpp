// AutoCad DXF polyface meshes, in the text form: lines alternate between a group code and its
// value. After "ENTITIES", the first group 70 must carry the polyface flag 64; its entity's
// groups 71 and 72 give the vertex and face counts. The VERTEX records that follow are the
// vertices (groups 10, 20, 30) and then the faces (groups 71 to 74: 1-based corners, negative
// where the edge that starts at the corner is hidden). Four-cornered faces become two
// triangles. Only the first polyface mesh of a file is read; its SEQEND ends it.
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/reader_private.h"
#include "platform/format.h"

namespace {

constexpr const char* kReadError = "Object file read error: %s";
// The fewest bytes of a VERTEX record ("0\nVERTEX\n10\n0\n20\n0\n30\n0\n" and its face
// form): counts that need more than the rest of the file are refused before allocating.
constexpr size_t kShortestRecord = 16;

// Group code and value, two lines at a time.
class Groups {
  public:
    explicit Groups(reader::Lines* lines) : lines_(lines) {}
    // false at the end of the file, or (bad() then true) when a code line holds no integer.
    bool Next(int* code, std::string_view* value) {
        if (held_) {
            held_ = false;
            *code = held_code_;
            *value = held_value_;
            return true;
        }
        std::string_view code_line;
        if (!lines_->Next(&code_line)) return false;
        if (!Code(code_line, code) || !lines_->Next(value)) {
            bad_ = true;
            return false;
        }
        return true;
    }
    // A group code: up to four digits, blanks around them, nothing else.
    static bool Code(std::string_view line, int* code) {
        size_t i = 0, n = line.size();
        while (i < n && reader::IsBlank(line[i])) ++i;
        const size_t first = i;
        int v = 0;
        while (i < n && line[i] >= '0' && line[i] <= '9' && i - first < 4)
            v = v * 10 + (line[i++] - '0');
        if (i == first) return false;
        while (i < n && reader::IsBlank(line[i])) ++i;
        *code = v;
        return i == n;
    }
    // Gives the group back: the next call returns it again.
    void Unread(int code, std::string_view value) {
        held_ = true;
        held_code_ = code;
        held_value_ = value;
    }
    bool bad() const { return bad_; }

  private:
    reader::Lines* lines_;
    bool bad_ = false;
    bool held_ = false;
    int held_code_ = 0;
    std::string_view held_value_;
};

bool Number(std::string_view value, float* out) {
    if (value.find(',') == std::string_view::npos) return reader::LeadingFloat(value, out);
    std::string copy(value);
    for (char& c : copy) {
        if (c == ',') c = '.';
    }
    return reader::LeadingFloat(copy, out);
}

struct Triangle {
    int corner[3];
    int edge[3];
};

class DxfReader {
  public:
    DxfReader(const platform::FileView& file, const std::string& path)
        : lines_(file), groups_(&lines_), path_(path) {}

    bool Read(reader::NewGeometry* g) {
        if (!FindEntities()) {
            reader::Refuse("Error reading DXF File : cannot find ENTITIES");
            return false;
        }
        int nverts = -1, nfaces = -1;
        const int header = MeshHeader(&nverts, &nfaces);
        if (header == kNoFlags) {
            reader::Refuse("Error reading DXF File : cannot find polyface mesh (2)");
            return false;
        }
        if (header == kNotPolyface) {
            reader::Refuse("Error reading DXF File : cannot find polyface mesh");
            return false;
        }
        const size_t room = lines_.Remaining() / kShortestRecord;
        if (nverts < 0 || nfaces < 0 ||
            static_cast<size_t>(nverts) + static_cast<size_t>(nfaces) > room) {
            return ReadError();
        }
        if (!g->AllocateVertices(nverts, false)) return false;
        triangles_.reserve(static_cast<size_t>(nfaces));
        if (!ReadRecords(g, nfaces)) return ReadError();
        if (!g->AllocateFaces(static_cast<int>(triangles_.size()), false)) return false;
        for (size_t i = 0; i < triangles_.size(); ++i) {
            const Triangle& t = triangles_[i];
            g->SetFace(static_cast<int>(i), t.corner[0], t.corner[1], t.corner[2], t.edge[0],
                       t.edge[1], t.edge[2]);
        }
        return true;
    }

  private:
    enum { kPolyface, kNoFlags, kNotPolyface };

    bool ReadError() {
        reader::Refuse(platform::Format(kReadError, path_.c_str()));
        return false;
    }

    // Lines, not groups, up to ENTITIES: whatever comes before may be laid out loosely.
    bool FindEntities() {
        std::string_view line;
        while (lines_.Next(&line)) {
            if (reader::FirstToken(line) == "ENTITIES") return true;
        }
        return false;
    }

    // The first group 70 and, in its entity, groups 71 and 72.
    int MeshHeader(int* nverts, int* nfaces) {
        int code;
        std::string_view value;
        bool found = false;
        int flags = 0;
        while (groups_.Next(&code, &value)) {
            if (code == 0) {
                if (found) {
                    groups_.Unread(code, value);  // the first record of the mesh
                    break;
                }
                *nverts = *nfaces = -1;
            } else if (code == 70 && !found) {
                found = true;
                if (!reader::LeadingInt(value, &flags)) flags = 0;
            } else if (code == 71) {
                if (!reader::LeadingInt(value, nverts)) *nverts = -1;
            } else if (code == 72) {
                if (!reader::LeadingInt(value, nfaces)) *nfaces = -1;
            }
        }
        if (!found) return kNoFlags;
        return (flags & 64) ? kPolyface : kNotPolyface;
    }

    // The VERTEX records up to the mesh's SEQEND: nverts vertices, then faces; face records
    // past the announced count are not stored.
    bool ReadRecords(reader::NewGeometry* g, int nfaces) {
        int code;
        std::string_view value;
        bool more = groups_.Next(&code, &value);
        int vertices = 0, faces = 0;
        while (more && (vertices < g->nverts || faces < nfaces)) {
            const std::string_view word = code == 0 ? reader::Trim(value) : std::string_view();
            if (word != "VERTEX") {
                if (word == "SEQEND" || word == "ENDSEC") break;
                more = groups_.Next(&code, &value);
                continue;
            }
            float xyz[3] = {0, 0, 0};
            long long corner[4] = {0, 0, 0, 0};
            const bool vertex = vertices < g->nverts;
            while ((more = groups_.Next(&code, &value)) && code != 0) {
                if (vertex && (code == 10 || code == 20 || code == 30)) {
                    if (!Number(value, &xyz[code / 10 - 1])) return false;
                } else if (!vertex && code >= 71 && code <= 74) {
                    int v;
                    if (!reader::LeadingInt(value, &v)) return false;
                    corner[code - 71] = v;
                }
            }
            if (vertex) {
                Vector local;
                for (int k = 0; k < 3; ++k) {
                    if (!reader::Scaled(xyz[k], &local[k])) return false;
                }
                g->SetVertex(vertices++, local);
            } else {
                if (!AddFace(corner, g->nverts)) return false;
                ++faces;
            }
        }
        if (groups_.bad()) return false;
        return vertices == g->nverts && faces == nfaces;
    }

    // A face record's corners (the fourth 0 for a triangle) as one or two triangles.
    bool AddFace(const long long corner[4], int nverts) {
        const int n = corner[3] == 0 ? 3 : 4;
        int index[4];
        int shown[4];
        for (int k = 0; k < n; ++k) {
            const long long c = std::llabs(corner[k]);
            if (c < 1 || c > nverts) return false;
            index[k] = static_cast<int>(c - 1);
            shown[k] = corner[k] >= 0 ? 1 : 0;
        }
        if (n == 3) {
            triangles_.push_back({{index[0], index[1], index[2]}, {shown[0], shown[1], shown[2]}});
        } else {
            // The diagonal a-c is inside the face: hidden on both halves.
            triangles_.push_back({{index[0], index[1], index[2]}, {shown[0], shown[1], 0}});
            triangles_.push_back({{index[0], index[2], index[3]}, {0, shown[2], shown[3]}});
        }
        return true;
    }

    reader::Lines lines_;
    Groups groups_;
    std::string path_;
    std::vector<Triangle> triangles_;
};

}  // namespace

bool Body::LoadDxf(const char* file, const char* object_name) {
    std::string path = file ? file : "", name = object_name ? object_name : "";
    platform::FileView bytes;
    if (!reader::OpenObjectFile(&path, &name, kTypeDxf, kReadError, &bytes)) return false;
    // The binary form of DXF is not read.
    static const char kBinary[] = "AutoCAD Binary DXF";
    if (bytes.size() >= sizeof kBinary - 1 &&
        std::memcmp(bytes.data(), kBinary, sizeof kBinary - 1) == 0) {
        reader::Refuse(platform::Format(kReadError, path.c_str()));
        return false;
    }
    reader::NewGeometry g;
    DxfReader dxf(bytes, path);
    if (!dxf.Read(&g)) return false;
    reader::Commit(this, path, name, &g, kFormatDxf);
    return true;
}
