// The per-frame mesh files: names, the order of the formats, writing and reporting.
#include "mesh/mesh_files.h"

#include <cstring>
#include <mutex>

#include "fluid/clock.h"
#include "mesh/mesh.h"
#include "mesh/mesh_build.h"
#include "mesh/mesh_encoding_private.h"
#include "mesh/mesh_files_private.h"
#include "mesh/surface_files.h"
#include "mesh/sweep_private.h"
#include "objects/body.h"
#include "platform/file_parts.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"

using mesh_encoding::FrameFiles;
using mesh_encoding::Geometry;
using mesh_encoding::Surface;

namespace {

// One encoder for every mesh: its sections keep their memory from frame to frame.
std::mutex g_encoder_mutex;
FrameFiles g_encoder;

template <size_t N>
std::string Field(const char (&text)[N]) {
    return std::string(text, strnlen(text, N));
}

}  // namespace

namespace mesh_files {

Surface SurfaceOf(const Mesh* m) {
    Surface s;
    s.name = Field(m->surfaceName).substr(0, 50);
    if (m->surfaceFileSet && m->surfaceChunk) {
        s.chunk = static_cast<const uint8_t*>(m->surfaceChunk);
        s.chunkBytes = SurfaceChunkBytes(m->surfaceChunk);
    } else if (m->surfaceFileSet) {
        // The file could not be read again: the generated surface keeps the file whole.
        RedWarning(" Unexpected error: no chunk found");
    }
    // A surface file's chunk that carries the shader already gets no second one.
    s.shader = m->includeShader != 0 && !(s.chunk && SurfaceChunkHasShader(s.chunk));
    return s;
}

bool WriteOne(const Geometry& g, int kind, const Surface& surface, const std::string& path) {
    bool formats[mesh_encoding::kFormats] = {};
    formats[kind] = true;
    std::lock_guard<std::mutex> lock(g_encoder_mutex);
    g_encoder.Encode(g, formats, surface);
    return Write(path, g_encoder.Parts(static_cast<mesh_encoding::Format>(kind)),
                 kind == kMeshLwo || kind == kMeshLwo2);
}

}  // namespace mesh_files

namespace {

using mesh_files::SurfaceOf;

Geometry GeometryOf(const Mesh* m) {
    Geometry g;
    g.numVertices = m->vertices ? m->numVertices : 0;
    g.numFaces = m->faces ? m->numFaces : 0;
    g.vertices = m->vertices;
    g.faces = m->faces;
    g.texCoords = m->texCoords;
    g.weights = m->fluidWeights;
    g.numLinks = m->numLinks;
    g.velocities = m->velocities;
    g.lwoTexture = m->calcUVW && m->texCoords && m->fluidWeights;
    g.tiling = m->tiling;
    return g;
}

}  // namespace

namespace mesh_files {

bool Write(const std::string& path, const std::vector<platform::FilePart>& parts, bool logged) {
    ShowMeshStatus("Saving mesh...");
    if (!platform::WriteFileParts(path, parts.data(), parts.size())) {
        platform::MessageBox("Error writing file");
        return false;
    }
    if (logged) platform::LogLine(platform::Format("\r\nSave: %s", path.c_str()).c_str());
    return true;
}

}  // namespace mesh_files

namespace {

using mesh_files::Write;

const char* const kExtension[] = {".lwo", ".lwo", ".bin", ".obj", ".txi"};

}  // namespace

std::string MeshOutputDir(const Mesh* mesh) {
    const std::string dir = mesh ? Field(mesh->outDir) : std::string();
    return dir.empty() ? platform::AppDir() : platform::LocalPath(dir);
}

std::string MeshFrameName(const Mesh* mesh, int kind) {
    if (!mesh || kind < kMeshLwo || kind > kMeshTexture) return std::string();
    const int n = frame + mesh->frameOffset;
    const bool three = kind == kMeshLwo || kind == kMeshLwo2 || kind == kMeshTexture;
    const std::string name =
        Field(mesh->name) + platform::Format(three ? "%03d" : "%05d", n) + kExtension[kind];
    return platform::JoinPath(MeshOutputDir(mesh), name);
}

bool WriteMeshFile(Mesh* mesh, int kind, const std::string& path) {
    if (!mesh || kind < kMeshLwo || kind > kMeshTexture) return false;
    const Geometry g = GeometryOf(mesh);
    if (kind == kMeshTexture && !g.lwoTexture) return true;
    return mesh_files::WriteOne(g, kind, SurfaceOf(mesh), path);
}

bool WriteMeshFiles(Mesh* mesh) {
    if (!mesh || !mesh->HasOutput()) return true;
    // A mesh that follows an object writes the object in its place.
    if (Body* body = mesh->link) {
        bool ok = true;
        if (mesh->outLwo || mesh->outLwo2)
            ok = body->SaveObjLwo(MeshFrameName(mesh, kMeshLwo).c_str(), mesh) && ok;
        if (mesh->outBin) ok = body->SaveObjBin(MeshFrameName(mesh, kMeshBin).c_str()) && ok;
        if (mesh->outObj) ok = body->SaveObjObj(MeshFrameName(mesh, kMeshObj).c_str()) && ok;
        return ok;
    }
    std::lock_guard<std::mutex> lock(g_encoder_mutex);
    const Geometry g = GeometryOf(mesh);
    bool formats[mesh_encoding::kFormats] = {};
    // Both LWO formats share the frame's name: the LWO2 file is the one that stays.
    formats[mesh_encoding::kLwob] = mesh->outLwo && !mesh->outLwo2;
    formats[mesh_encoding::kLwo2] = mesh->outLwo2 != 0;
    formats[mesh_encoding::kTexture] = (mesh->outLwo || mesh->outLwo2) && g.lwoTexture;
    formats[mesh_encoding::kBin] = mesh->outBin != 0;
    formats[mesh_encoding::kObj] = mesh->outObj != 0;
    g_encoder.Encode(g, formats, SurfaceOf(mesh));
    bool ok = true;
    for (int kind : {kMeshLwo, kMeshLwo2, kMeshTexture, kMeshBin, kMeshObj}) {
        const auto f = static_cast<mesh_encoding::Format>(kind);
        if (!formats[f]) continue;
        ok = Write(MeshFrameName(mesh, kind), g_encoder.Parts(f), kind <= kMeshLwo2) && ok;
    }
    return ok;
}

void WriteAllMeshFiles() {
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (m->generationOn) WriteMeshFiles(m);
    }
}
