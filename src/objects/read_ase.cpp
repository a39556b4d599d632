// 3D Studio MAX ASCII exports: a text file of "*KEYWORD values" lines and braced blocks. Each
// "*GEOMOBJECT" block gives one body: its "*NODE_NAME", the counts "*MESH_NUMVERTEX" and
// "*MESH_NUMFACES", the "*MESH_VERTEX" lines of its vertex list, the "*MESH_FACE" lines of its
// face list ("*MESH_FACE 0: A: 0 B: 1 C: 2 AB: 1 BC: 1 CA: 0 ...") and its
// "*WIREFRAME_COLOR". Corners A and B are swapped, as in 3D Studio's other ASCII files.
// Materials, texture vertices, normals, lights, cameras and animation are passed over.
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "objects/body.h"
#include "objects/reader_private.h"
#include "objects/scene_import.h"
#include "objects/scene_reader_private.h"
#include "platform/format.h"
#include "platform/whole_file.h"
#include "scene/axes.h"

namespace {

using reader::FirstToken;
using reader::NextToken;

constexpr const char* kReadError = "Error reading file";
// The fewest bytes a vertex line ("*MESH_VERTEX 0 0 0 0") and a face line ("*MESH_FACE A:0
// B:0 C:0") take: counts that need more lines than the rest of the file holds are refused
// before anything is allocated.
constexpr size_t kShortestVertex = 20;
constexpr size_t kShortestFace = 22;

struct AseMesh {
    std::string name;
    Vector colour = Vector(0.8f, 0.8f, 0.8f);
    reader::NewGeometry geometry;
};

class Parser {
  public:
    explicit Parser(const platform::FileView& file) : size_(file.size()) {
        reader::Lines lines(file);
        std::string_view line;
        while (lines.Next(&line)) lines_.push_back(line);
    }

    bool FindHeader() { return SkipTo("*3DSMAX_ASCIIEXPORT", false); }

    // Reads every "*GEOMOBJECT" (or only the first one named `only`). false for a broken file.
    bool ReadAll(const char* only, std::vector<std::unique_ptr<AseMesh>>* meshes) {
        while (SkipTo("*GEOMOBJECT", false)) {
            std::string name;
            if (!NodeName(&name)) return false;
            if (only && !platform::EqualsIgnoringCase(name.c_str(), only)) continue;
            auto mesh = std::make_unique<AseMesh>();
            mesh->name = name;
            if (!ReadMesh(mesh.get())) return false;
            meshes->push_back(std::move(mesh));
            if (only) break;
        }
        return true;
    }

  private:
    // Moves past the next line whose first token is word; with stop_at_object, not past the
    // next object's first line.
    bool SkipTo(std::string_view word, bool stop_at_object) {
        while (at_ < lines_.size()) {
            const std::string_view t = FirstToken(lines_[at_]);
            if (stop_at_object && t == "*GEOMOBJECT") return false;
            ++at_;
            if (t == word) return true;
        }
        return false;
    }
    std::string_view Current() const { return lines_[at_ - 1]; }

    // The second token of "*NODE_NAME": the name without its quotes, cut at its first blank.
    bool NodeName(std::string* name) {
        if (!SkipTo("*NODE_NAME", true)) return false;
        std::string_view rest = Current();
        NextToken(&rest);
        std::string_view t = NextToken(&rest);
        if (!t.empty() && t.front() == '"') t.remove_prefix(1);
        if (!t.empty() && t.back() == '"') t.remove_suffix(1);
        *name = std::string(t);
        return true;
    }

    bool Count(std::string_view word, int* n) {
        if (!SkipTo(word, true)) return false;
        std::string_view rest = Current();
        NextToken(&rest);
        return reader::LeadingInt(NextToken(&rest), n) && *n >= 0;
    }

    size_t RemainingBytes() const {
        return at_ < lines_.size() ? size_ - size_t(lines_[at_].data() - lines_[0].data()) : 0;
    }

    bool ReadMesh(AseMesh* mesh) {
        int nv = 0, nf = 0;
        if (!Count("*MESH_NUMVERTEX", &nv) || !Count("*MESH_NUMFACES", &nf)) return false;
        if (uint64_t(nv) * kShortestVertex + uint64_t(nf) * kShortestFace > RemainingBytes()) {
            return false;
        }
        reader::NewGeometry& g = mesh->geometry;
        g.Allocate(nv, nf, true);
        if (nv > 0 && !Vertices(&g)) return false;
        if (nf > 0 && !Faces(&g)) return false;
        // The colour is optional: the search ends at the next object.
        if (SkipTo("*WIREFRAME_COLOR", true)) {
            std::string_view rest = Current();
            NextToken(&rest);
            float c[3];
            for (float& x : c) {
                if (!reader::LeadingFloat(NextToken(&rest), &x)) return false;
            }
            mesh->colour = Vector(c[0], c[1], c[2]);
        }
        return true;
    }

    bool Vertices(reader::NewGeometry* g) {
        if (!SkipTo("*MESH_VERTEX_LIST", true)) return false;
        int i = 0;
        for (; at_ < lines_.size(); ++at_) {
            std::string_view rest = lines_[at_];
            const std::string_view t = NextToken(&rest);
            if (t == "}") break;
            if (t != "*MESH_VERTEX") continue;
            int index;
            float c[3];
            if (i >= g->nverts || !reader::LeadingInt(NextToken(&rest), &index)) return false;
            for (float& x : c) {
                if (!reader::LeadingFloat(NextToken(&rest), &x) || !reader::Scaled(x, &x)) {
                    return false;
                }
            }
            Vector local;
            local[AX] = c[0];
            local[AY] = c[1];
            local[AZ] = c[2];
            g->SetVertex(i++, local);
        }
        return i == g->nverts;
    }

    bool Faces(reader::NewGeometry* g) {
        if (!SkipTo("*MESH_FACE_LIST", true)) return false;
        int i = 0;
        for (; at_ < lines_.size(); ++at_) {
            std::string_view rest = lines_[at_];
            const std::string_view t = NextToken(&rest);
            if (t == "}") break;
            if (t != "*MESH_FACE") continue;
            int v[6] = {0, 0, 0, 1, 1, 1};
            if (i >= g->nfaces || (reader::FaceFields(rest, v) & 7) != 7) return false;
            for (int k = 0; k < 3; ++k) {
                if (v[k] < 0 || v[k] >= g->nverts) return false;
            }
            const int a = v[0], b = v[1], c = v[2], ab = v[3], bc = v[4], ca = v[5];
            g->SetFace(i++, b, a, c, ab, ca, bc);
        }
        return i == g->nfaces;
    }

    std::vector<std::string_view> lines_;
    size_t at_ = 0;
    size_t size_;
};

}  // namespace

bool LoadAseScene(const char* file, const char* only_name, Body** made) {
    const std::string path = file ? file : "";
    if (made) *made = nullptr;
    platform::FileView bytes;
    if (!bytes.Open(path.c_str())) {
        reader::Refuse(kReadError);
        return false;
    }
    Parser parser(bytes);
    if (!parser.FindHeader()) {
        reader::Refuse("This is not a valid ASE file");
        return false;
    }
    std::vector<std::unique_ptr<AseMesh>> meshes;
    if (!parser.ReadAll(only_name, &meshes)) {
        reader::Refuse(kReadError);
        return false;
    }
    for (const auto& mesh : meshes) {
        Body* b = CreaBody();
        reader::Commit(b, mesh->name, mesh->name, &mesh->geometry, kFormatAse);
        b->origin = kOriginOther;
        b->color = mesh->colour;
        platform::CopyText(b->sceneFile, sizeof b->sceneFile, path.c_str());
        scene_reader::Present(b, true);
        if (made && !*made) *made = b;
    }
    return !only_name || !meshes.empty();
}
