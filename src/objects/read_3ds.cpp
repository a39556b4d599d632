// 3D Studio files: little-endian chunks of an id (uint16), a length (uint32, counting these six
// bytes) and data, nested. A file starts with the main chunk 0x4D4D, or with the text
// "MerlinIS 3D File" followed by the main chunk's length (its id left out); the mesh version,
// the byte at offset 28 (42 after the text), must be 3 or more.
//
// The chunk reader walks main 0x4D4D > editor 0x3D3D > named object 0x4000 (a zero-ended
// name, then chunks) > triangle mesh 0x4100 > points 0x4110 (count, then x y z floats) and
// faces 0x4120 (count, then a b c flags, then sub-chunks). Every length is bounded by the
// chunk it sits in; unknown chunks are passed over by their length. Lights, cameras,
// materials and the keyframer are counted and left; nothing of them reaches a body.
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "objects/body.h"
#include "objects/reader_private.h"
#include "objects/scene_import.h"
#include "objects/scene_reader_private.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "platform/whole_file.h"
#include "scene/axes.h"

namespace {

constexpr const char* kError = "Error opening 3DS file";
constexpr char kMerlin[] = "MerlinIS 3D File";

enum : uint16_t {
    kMain = 0x4D4D,
    kEditor = 0x3D3D,
    kNamedObject = 0x4000,
    kTriangleMesh = 0x4100,
    kPoints = 0x4110,
    kFaces = 0x4120,
    kLight = 0x4600,
    kCamera = 0x4700,
    kMaterial = 0xAFFF,
    kKeyframer = 0xB000,
};

struct Mesh3ds {
    std::string name;
    std::vector<float> points;    // x y z per point
    std::vector<uint16_t> faces;  // a b c flags per face
    bool has_points = false;
};

// What the chunk reader keeps of a file.
struct Scene3ds {
    std::vector<Mesh3ds> meshes;
    int lights = 0, cameras = 0, materials = 0, keyframers = 0;
};

struct Span {
    const uint8_t* p;
    const uint8_t* end;
    size_t size() const { return static_cast<size_t>(end - p); }
};

// Calls f(id, data) for each chunk of span. A length that does not even cover its own header
// ends the walk; one that runs past the parent is cut at the parent's end.
template <typename F>
bool Chunks(Span span, F f) {
    const uint8_t* p = span.p;
    while (span.end - p >= 6) {
        const uint16_t id = platform::GetU16LE(p);
        const uint32_t length = platform::GetU32LE(p + 2);
        if (length < 6) break;
        const uint8_t* end = length > size_t(span.end - p) ? span.end : p + length;
        if (!f(id, Span{p + 6, end})) return false;
        p = end;
    }
    return true;
}

bool ReadTriangles(Span mesh, Mesh3ds* out) {
    return Chunks(mesh, [&](uint16_t id, Span data) {
        if (id == kPoints && !out->has_points) {
            if (data.size() < 2) return false;
            const size_t n = platform::GetU16LE(data.p);
            if (data.size() - 2 < n * 12) return false;
            out->points.resize(n * 3);
            for (size_t i = 0; i < n * 3; ++i)
                out->points[i] = platform::GetF32LE(data.p + 2 + 4 * i);
            out->has_points = true;
        } else if (id == kFaces && out->faces.empty()) {
            if (data.size() < 2) return false;
            const size_t n = platform::GetU16LE(data.p);
            if (data.size() - 2 < n * 8) return false;
            out->faces.resize(n * 4);
            for (size_t i = 0; i < n * 4; ++i)
                out->faces[i] = platform::GetU16LE(data.p + 2 + 2 * i);
            // Face materials and smoothing groups follow; they are walked and left.
            return Chunks(Span{data.p + 2 + n * 8, data.end}, [](uint16_t, Span) { return true; });
        }
        return true;
    });
}

bool ReadObject(Span object, Scene3ds* scene) {
    const void* zero = std::memchr(object.p, 0, object.size());
    if (!zero) return false;
    std::string name(reinterpret_cast<const char*>(object.p));
    if (name.empty()) name = "Default name";
    const Span rest{static_cast<const uint8_t*>(zero) + 1, object.end};
    bool mesh_read = false;
    return Chunks(rest, [&](uint16_t id, Span data) {
        if (id == kTriangleMesh && !mesh_read) {
            Mesh3ds mesh;
            mesh.name = name;
            if (!ReadTriangles(data, &mesh)) return false;
            const size_t n = mesh.points.size() / 3;
            for (size_t f = 0; f < mesh.faces.size(); f += 4) {
                for (int k = 0; k < 3; ++k) {
                    if (mesh.faces[f + k] >= n) return false;
                }
            }
            scene->meshes.push_back(std::move(mesh));
            mesh_read = true;
        } else if (id == kLight) {
            ++scene->lights;
        } else if (id == kCamera) {
            ++scene->cameras;
        }
        return true;
    });
}

// The chunk reader: false for a file that is no 3D Studio file or is broken.
bool ReadScene(const platform::FileView& file, Scene3ds* scene) {
    const uint8_t* data = file.data();
    const size_t size = file.size();
    size_t start = 0, version_at = 0;
    if (size >= 2 && platform::GetU16LE(data) == kMain) {
        start = 2;
        version_at = 28;
    } else if (size >= 16 && std::memcmp(data, kMerlin, 16) == 0) {
        start = 16;
        version_at = 42;
    } else {
        return false;
    }
    if (size <= version_at || data[version_at] < 3 || size < start + 4) return false;
    // The main chunk's length counts its (possibly missing) id too.
    const uint32_t length = platform::GetU32LE(data + start);
    const size_t main_end = length < 6 ? size : std::min<size_t>(size, start - 2 + size_t(length));
    const Span main{data + start + 4, data + std::max(main_end, start + 4)};
    return Chunks(main, [&](uint16_t id, Span chunk) {
        if (id == kKeyframer) {
            ++scene->keyframers;
        } else if (id == kEditor) {
            return Chunks(chunk, [&](uint16_t sub, Span part) {
                if (sub == kNamedObject) return ReadObject(part, scene);
                if (sub == kMaterial) ++scene->materials;
                return true;
            });
        }
        return true;
    });
}

}  // namespace

bool Load3dsScene(const char* file, const char* only_name, Body** made) {
    const std::string path = file ? file : "";
    if (made) *made = nullptr;
    platform::FileView bytes;
    Scene3ds scene;
    if (!bytes.Open(path.c_str()) || !ReadScene(bytes, &scene)) {
        reader::Refuse(kError, true);
        return false;
    }
    struct Made {
        const Mesh3ds* mesh;
        reader::NewGeometry geometry;
    };
    std::vector<Made> meshes(scene.meshes.size());
    size_t count = 0;
    for (const Mesh3ds& m : scene.meshes) {
        if (only_name && (count > 0 || !platform::EqualsIgnoringCase(m.name.c_str(), only_name))) {
            continue;
        }
        Made& out = meshes[count++];
        out.mesh = &m;
        const int nv = static_cast<int>(m.points.size() / 3),
                  nf = static_cast<int>(m.faces.size() / 4);
        out.geometry.Allocate(nv, nf, true);
        for (int i = 0; i < nv; ++i) {
            float c[3];
            for (int k = 0; k < 3; ++k) {
                if (!reader::Scaled(m.points[size_t(i) * 3 + k], &c[k])) {
                    reader::Refuse(kError, true);
                    return false;
                }
            }
            Vector local;
            local[AX] = c[0];
            local[AY] = c[1];
            local[AZ] = c[2];
            out.geometry.SetVertex(i, local);
        }
        for (int i = 0; i < nf; ++i) {
            const uint16_t* f = &m.faces[size_t(i) * 4];
            out.geometry.SetFace(i, f[1], f[0], f[2], 1, 1, 1);
        }
    }
    for (size_t i = 0; i < count; ++i) {
        Body* b = CreaBody();
        reader::Commit(b, meshes[i].mesh->name, meshes[i].mesh->name, &meshes[i].geometry,
                       kFormat3ds);
        b->origin = kOriginOther;
        platform::CopyText(b->sceneFile, sizeof b->sceneFile, path.c_str());
        scene_reader::Present(b, true);
        if (made && !*made) *made = b;
    }
    return !only_name || count > 0;
}
