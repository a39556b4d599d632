// Surface files: finding the "SURF" chunk, renaming the surface inside it, and the fluids'
// chunks for their particle LWO files.
#include "mesh/surface_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>

#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "mesh/surface_chunk.h"
#include "platform/endian.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "scene/creador.h"

namespace {

using Bytes = surface_chunk::Bytes;

// Surface files are a few hundred bytes; anything far larger is not one.
constexpr uintmax_t kMostFileBytes = uintmax_t{16} << 20;
constexpr int kNameChars = 50;

enum class Read { kOk, kCannotOpen, kInvalid };

Read ReadSurfaceFile(const char* path, Bytes* out) {
    if (!path || !*path) return Read::kCannotOpen;
    const std::string local = platform::LocalPath(path);
    std::error_code ec;
    const auto size = std::filesystem::file_size(local, ec);
    if (!ec && size > kMostFileBytes) return Read::kInvalid;
    return platform::ReadWholeFile(local.c_str(), out) ? Read::kOk : Read::kCannotOpen;
}

void* Keep(const Bytes& chunk) {
    void* p = std::malloc(chunk.size());
    if (p) std::memcpy(p, chunk.data(), chunk.size());
    return p;
}

bool ReportRead(Read r, const char* path) {
    if (r == Read::kCannotOpen) {
        platform::MessageBox(
            platform::Format("Error opening surface file: %s", path ? path : "").c_str());
    } else if (r == Read::kInvalid) {
        platform::MessageBox("Not valid Surface file");
    }
    return r == Read::kOk;
}

// --- fluids ----------------------------------------------------------------------------------

std::mutex g_fluid_mutex;
std::map<const Fluido*, Bytes> g_fluid_chunks;

void (*g_earlier_deleting)(Fluido*) = nullptr;

void ForgetFluidSurface(Fluido* f) {
    {
        std::lock_guard<std::mutex> lock(g_fluid_mutex);
        g_fluid_chunks.erase(f);
    }
    if (g_earlier_deleting) g_earlier_deleting(f);
}

bool Install() {
    g_earlier_deleting = EngineHooks().fluid_deleting;
    EngineHooks().fluid_deleting = ForgetFluidSurface;
    return true;
}

const bool g_installed = Install();

}  // namespace

size_t SurfaceChunkBytes(const void* chunk) {
    return surface_chunk::Size(chunk);
}

bool SurfaceChunkHasShader(const void* chunk) {
    return surface_chunk::HasShader(chunk);
}

bool LoadMeshSurfaceFile(Mesh* mesh, const char* path) {
    if (!mesh) return false;
    Bytes file;
    if (!ReportRead(ReadSurfaceFile(path, &file), path)) return false;
    Bytes chunk;
    if (!surface_chunk::FromMeshFile(file, &chunk)) return ReportRead(Read::kInvalid, path);
    void* kept = Keep(chunk);
    if (!kept) {
        platform::MessageBox("Error in surface chunk allocation");
        return false;
    }
    std::free(mesh->surfaceChunk);
    mesh->surfaceChunk = kept;
    platform::CopyText(mesh->surfaceName, kNameChars + 1,
                       surface_chunk::Name(chunk.data()).c_str());
    platform::CopyText(mesh->surfaceFile, sizeof mesh->surfaceFile, path);
    mesh->surfaceFileSet = true;
    mesh->includeShader = 0;
    if (surface_chunk::HasShader(chunk.data())) {
        mesh->includeShader = 1;
        RedWarning(" Undaline_shader found inside the srf file could cause conflicts");
    }
    return true;
}

void RenameMeshSurface(Mesh* mesh, const char* name) {
    if (!mesh || !name) return;
    platform::CopyText(mesh->surfaceName, kNameChars + 1, name);
    if (!mesh->surfaceFileSet || !mesh->surfaceChunk) return;
    void* kept = Keep(surface_chunk::Renamed(mesh->surfaceChunk, mesh->surfaceName));
    if (!kept) return;
    std::free(mesh->surfaceChunk);
    mesh->surfaceChunk = kept;
}

void SetMeshShader(Mesh* mesh, bool on) {
    if (mesh) mesh->includeShader = on ? 1 : 0;
}

void ClearMeshSurface(Mesh* mesh) {
    if (!mesh || !mesh->surfaceFileSet) return;
    std::free(mesh->surfaceChunk);
    mesh->surfaceChunk = nullptr;
    mesh->surfaceFileSet = false;
    mesh->surfaceFile[0] = '\0';
    platform::CopyText(mesh->surfaceName, sizeof mesh->surfaceName, "Meshsurf");
    mesh->includeShader = 1;
}

bool ReloadMeshSurface(Mesh* mesh) {
    if (!mesh || !mesh->surfaceFileSet) return true;
    char name[sizeof mesh->surfaceName];
    std::memcpy(name, mesh->surfaceName, sizeof name);
    name[sizeof name - 1] = '\0';
    const int shader = mesh->includeShader;
    char path[sizeof mesh->surfaceFile];
    std::memcpy(path, mesh->surfaceFile, sizeof path);
    path[sizeof path - 1] = '\0';
    const bool ok = LoadMeshSurfaceFile(mesh, path);
    // The workspace keeps what the user made of the surface since it was chosen.
    RenameMeshSurface(mesh, name);
    mesh->includeShader = shader;
    return ok;
}

bool LoadFluidSurfaceFile(Fluido* fluid, const char* path) {
    if (!fluid) return false;
    Bytes file;
    if (!ReportRead(ReadSurfaceFile(path, &file), path)) return false;
    Bytes chunk;
    if (!surface_chunk::FromFluidFile(file, &chunk)) return ReportRead(Read::kInvalid, path);
    {
        std::lock_guard<std::mutex> lock(g_fluid_mutex);
        g_fluid_chunks[fluid] = chunk;
    }
    platform::CopyText(fluid->surfaceName, kNameChars + 1,
                       surface_chunk::Name(chunk.data()).c_str());
    platform::CopyText(fluid->surfaceFile, sizeof fluid->surfaceFile, path);
    return true;
}

void RenameFluidSurface(Fluido* fluid, const char* name) {
    if (!fluid || !name) return;
    platform::CopyText(fluid->surfaceName, kNameChars + 1, name);
    std::lock_guard<std::mutex> lock(g_fluid_mutex);
    auto it = g_fluid_chunks.find(fluid);
    if (it != g_fluid_chunks.end())
        it->second = surface_chunk::Renamed(it->second.data(), fluid->surfaceName);
}

void ClearFluidSurface(Fluido* fluid) {
    if (!fluid) return;
    {
        std::lock_guard<std::mutex> lock(g_fluid_mutex);
        g_fluid_chunks.erase(fluid);
    }
    fluid->surfaceFile[0] = '\0';
    if (fluid->emitter) {
        platform::CopyField(fluid->surfaceName, kNameChars + 1, fluid->emitter->name,
                            sizeof fluid->emitter->name);
    }
}

bool FluidSurfaceSet(const Fluido* fluid) {
    std::lock_guard<std::mutex> lock(g_fluid_mutex);
    return g_fluid_chunks.count(fluid) != 0;
}

std::vector<uint8_t> FluidSurfaceChunk(const Fluido* fluid) {
    std::lock_guard<std::mutex> lock(g_fluid_mutex);
    auto it = g_fluid_chunks.find(fluid);
    return it == g_fluid_chunks.end() ? Bytes() : it->second;
}
