// The mesh node: its defaults, its result buffers (current and kept previous frame) and the
// scene's list of meshes.
#include "mesh/mesh.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <unordered_map>
#include <vector>

#include <malloc.h>
#include <new>
#include <string>

#include "fluid/fluido.h"
#include "mesh/mesh_build.h"
#include "mesh/mesh_texture.h"
#include "platform/format.h"
#include "platform/paths.h"

// The field layouts are what compiled plug-ins see.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
static_assert(sizeof(void*) != 8 || offsetof(Lista, blendPercent) == 20, "Lista layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Lista, dragNoise) == 36, "Lista layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Lista, fluid) == 56, "Lista layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Lista, texMatrix) == 64, "Lista layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Lista, invGridCell) == 140, "Lista layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, numVertices) == 228, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, vertices) == 328, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, calcUVW) == 440, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, nextMesh) == 480, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, name) == 532, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, builder) == 1120, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, links) == 1408, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(Mesh, textureName) == 1712, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || offsetof(MeshBuilder, mesh) == 32, "MeshBuilder layout changed");
static_assert(sizeof(void*) != 8 || offsetof(MeshBuilder, fronts) == 48, "MeshBuilder layout changed");
static_assert(sizeof(void*) != 8 || offsetof(MeshBuilder, seeds) == 88, "MeshBuilder layout changed");
static_assert(sizeof(void*) != 8 || offsetof(MeshBuilder, event) == 120, "MeshBuilder layout changed");
static_assert(sizeof(void*) != 8 || sizeof(Lista) == 144, "Lista layout changed");
static_assert(sizeof(void*) != 8 || sizeof(Mesh) == 1720, "Mesh layout changed");
static_assert(sizeof(void*) != 8 || sizeof(MeshBuilder) == 128, "MeshBuilder layout changed");
#pragma GCC diagnostic pop

Mesh* rootmesh = nullptr;
Mesh* selmesh = nullptr;

namespace {

// Result buffers start at one block and grow by blocks.
constexpr int kBlock = 4096;

template <typename T>
T* Fresh(int n) {
    return static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T)));
}

// Frees a current array unless the previous frame still shows it.
template <typename T>
void FreeCurrent(T*& current, T* previous) {
    if (current != previous) mesh_arrays::Give(current);
    current = nullptr;
}

struct Spare {
    void* block;
    size_t bytes;
};
constexpr size_t kKeptBlocks = 12;
constexpr size_t kKeptBytes = size_t{96} << 20;
std::mutex g_spare_mutex;
std::vector<Spare> g_spare;

// The kept frame's serial numbers, under the scene mutex. Numbers are never reused, so a mesh
// made where a deleted one lived does not pass for it.
std::unordered_map<const Mesh*, unsigned> g_serials;
unsigned g_last_serial = 0;

void NewSerial(const Mesh* m) { g_serials[m] = ++g_last_serial; }

void FreeLists(MeshIndexList**& heads, int n) {
    if (!heads) return;
    for (int i = 0; i < n; ++i) {
        for (MeshIndexList* e = heads[i]; e;) {
            MeshIndexList* next = e->next;
            std::free(e);
            e = next;
        }
    }
    std::free(heads);
    heads = nullptr;
}

}  // namespace

Mesh::Mesh()
    : numVertices(0),
      prevNumVertices(0),
      numFaces(0),
      prevNumFaces(0),
      faceExcess(nullptr),
      vertexFaces(nullptr),
      vertexNeighbours(nullptr),
      vertexRemoved(nullptr),
      faceRemoved(nullptr),
      clipFlags(nullptr),
      neighbourCounts(nullptr),
      maxNeighbourCount(0),
      optIterations(12),
      maxFaces(65536),
      optThreshold(6.0f),
      maxFaceExcess(0.0f),
      vertices(nullptr),
      prevVertices(nullptr),
      faces(nullptr),
      prevFaces(nullptr),
      faceNormals(nullptr),
      prevFaceNormals(nullptr),
      vertexNormals(nullptr),
      prevVertexNormals(nullptr),
      colours(nullptr),
      prevColours(nullptr),
      fluidWeights(nullptr),
      texCoords(nullptr),
      prevTexCoords(nullptr),
      velocities(nullptr),
      calcUVW(true),
      optimize(false),
      motionBlur(true),
      subdivide(false),
      tiling(true),
      smoothing(false),
      building(false),
      limitFaces(false),
      filterType(kFilterNone),
      boxMin(0, 0, 0),
      boxMax(0, 0, 0),
      textureChannel(0),
      nextMesh(nullptr),
      filterStrength(0.25f),
      resolution(6.0f),
      refFaces(0),
      refCellSize(1e6f),
      cellFactor(2.4f),
      targetFaces(0),
      cellSize(0.0f),
      lastFaces(0),
      facesBeforeLast(0),
      estimatedFaces(0),
      frameOffset(0),
      name{},
      outDir{},
      surfaceName{},
      outLwo(0),
      outLwo2(0),
      outBin(0),
      outObj(0),
      prevKept(true),
      displayOn(true),
      generationOn(true),
      objectClipping(false),
      inverseClipping(false),
      builder(nullptr),
      surfaceFileSet(false),
      surfaceFile{},
      surfaceChunk(nullptr),
      includeShader(1),
      numLinks(0),
      links(nullptr),
      displayColour(0.5f, 0.5f, 1.0f),
      clipBoxOn(0),
      clipMin(-1, -1, -1),
      clipMax(1, 1, 1),
      textureFile{},
      textureName(0) {
    kind = kKindMesh;
    platform::CopyText(name, sizeof name, "Mesh");
    platform::CopyText(outDir, sizeof outDir, platform::AppDir().c_str());
    platform::CopyText(surfaceName, sizeof surfaceName, "Meshsurf");
}

Mesh::~Mesh() {
    UnloadPreviewTexture(this);
    CleanMeshLinks(this);
    FreeArrays();
    std::free(surfaceChunk);
    surfaceChunk = nullptr;
    if (selmesh == this) selmesh = nullptr;
    std::lock_guard<std::mutex> lock(SceneMutex());
    g_serials.erase(this);
}

void Mesh::ReleaseCurrent() {
    FreeLists(vertexFaces, numVertices);
    FreeLists(vertexNeighbours, numVertices);
    if (fluidWeights) {
        for (int i = 0; i < numVertices; ++i) std::free(fluidWeights[i]);
        std::free(fluidWeights);
        fluidWeights = nullptr;
    }
    for (void** p : {reinterpret_cast<void**>(&faceExcess), reinterpret_cast<void**>(&vertexRemoved),
                     reinterpret_cast<void**>(&faceRemoved), reinterpret_cast<void**>(&clipFlags),
                     reinterpret_cast<void**>(&neighbourCounts),
                     reinterpret_cast<void**>(&velocities)}) {
        std::free(*p);
        *p = nullptr;
    }
    FreeCurrent(vertices, prevVertices);
    FreeCurrent(faces, prevFaces);
    FreeCurrent(faceNormals, prevFaceNormals);
    FreeCurrent(vertexNormals, prevVertexNormals);
    FreeCurrent(colours, prevColours);
    FreeCurrent(texCoords, prevTexCoords);
}

void Mesh::FreeArrays() {
    ReleaseCurrent();
    DropPrevious();
    numVertices = numFaces = 0;
}

void Mesh::Clear() {
    DestroyBuilder(this);
    ReleaseCurrent();
    vertices = Fresh<Vector>(kBlock);
    faces = Fresh<MeshFace>(kBlock);
    faceNormals = Fresh<Vector>(kBlock);
    vertexNormals = Fresh<Vector>(kBlock);
    colours = Fresh<Vector>(kBlock);
    if (optimize) {
        vertexFaces = Fresh<MeshIndexList*>(kBlock);
        neighbourCounts = Fresh<unsigned char>(kBlock);
    }
    if (optimize || smoothing) {
        vertexNeighbours = Fresh<MeshIndexList*>(kBlock);
        if (objectClipping || clipBoxOn) clipFlags = Fresh<unsigned char>(kBlock);
    }
    facesBeforeLast = lastFaces;
    lastFaces = numFaces;
    numVertices = 0;
    numFaces = 0;
    maxFaceExcess = 0.0f;
}

void Mesh::KeepPrevious(bool discard) {
    if (discard) {
        FreeCurrent(vertices, prevVertices);
        FreeCurrent(faces, prevFaces);
        FreeCurrent(faceNormals, prevFaceNormals);
        FreeCurrent(vertexNormals, prevVertexNormals);
        FreeCurrent(colours, prevColours);
        numVertices = numFaces = 0;
        return;
    }
    // The viewport may be reading the kept frame: the arrays change hands under the scene
    // mutex, and the old ones are freed after it.
    void* old[6] = {};
    {
        std::lock_guard<std::mutex> lock(SceneMutex());
        int i = 0;
        auto hand_over = [&](auto*& current, auto*& previous) {
            if (previous != current) old[i] = previous;
            ++i;
            previous = current;
        };
        hand_over(vertices, prevVertices);
        hand_over(faces, prevFaces);
        hand_over(faceNormals, prevFaceNormals);
        hand_over(vertexNormals, prevVertexNormals);
        hand_over(colours, prevColours);
        hand_over(texCoords, prevTexCoords);
        prevNumVertices = numVertices;
        prevNumFaces = numFaces;
        prevKept = true;
        NewSerial(this);
    }
    for (void* block : old) mesh_arrays::Give(block);
}

void Mesh::DropPrevious() {
    void* old[6] = {};
    {
        std::lock_guard<std::mutex> lock(SceneMutex());
        int i = 0;
        auto drop = [&](auto* current, auto*& previous) {
            if (previous != current) old[i] = previous;
            ++i;
            previous = nullptr;
        };
        drop(vertices, prevVertices);
        drop(faces, prevFaces);
        drop(faceNormals, prevFaceNormals);
        drop(vertexNormals, prevVertexNormals);
        drop(colours, prevColours);
        drop(texCoords, prevTexCoords);
        prevNumVertices = prevNumFaces = 0;
        NewSerial(this);
    }
    for (void* block : old) mesh_arrays::Give(block);
}

unsigned KeptFrameSerial(const Mesh* mesh) {
    const auto at = g_serials.find(mesh);
    return at == g_serials.end() ? 0 : at->second;
}

bool Mesh::HasOutput() const { return outLwo || outLwo2 || outBin || outObj; }

Lista* Mesh::LinkOf(const Fluido* f) const {
    for (int i = 0; i < numLinks; ++i) {
        if (links[i].fluid == f) return &links[i];
    }
    return nullptr;
}

namespace mesh_arrays {

void* Take(size_t bytes) {
    {
        std::lock_guard<std::mutex> lock(g_spare_mutex);
        size_t best = g_spare.size();
        for (size_t i = 0; i < g_spare.size(); ++i) {
            // Big enough, and not so big that a small mesh holds on to a large block.
            if (g_spare[i].bytes < bytes || g_spare[i].bytes > 2 * bytes + 65536) continue;
            if (best == g_spare.size() || g_spare[i].bytes < g_spare[best].bytes) best = i;
        }
        if (best < g_spare.size()) {
            void* block = g_spare[best].block;
            g_spare.erase(g_spare.begin() + static_cast<long>(best));
            return block;
        }
    }
    return std::malloc(bytes ? bytes : 1);
}

void Give(void* block) {
    if (!block) return;
    const size_t bytes = malloc_usable_size(block);
    std::lock_guard<std::mutex> lock(g_spare_mutex);
    size_t kept = 0;
    for (const Spare& s : g_spare) kept += s.bytes;
    // Small blocks are cheap to make again; the oldest go first when the store is full.
    if (bytes < 65536 || bytes > kKeptBytes) {
        std::free(block);
        return;
    }
    while (!g_spare.empty() && (g_spare.size() >= kKeptBlocks || kept + bytes > kKeptBytes)) {
        kept -= g_spare.front().bytes;
        std::free(g_spare.front().block);
        g_spare.erase(g_spare.begin());
    }
    g_spare.push_back({block, bytes});
}

}  // namespace mesh_arrays

// --- the list --------------------------------------------------------------------------------

int CountMeshes() {
    int n = 0;
    for (Mesh* m = rootmesh; m; m = m->nextMesh) ++n;
    return n;
}

Mesh* MeshAt(int index) {
    int i = 0;
    for (Mesh* m = rootmesh; m; m = m->nextMesh, ++i) {
        if (i == index) return m;
    }
    return nullptr;
}

Mesh* NewMesh() {
    Mesh* mesh = new (std::nothrow) Mesh;
    if (!mesh) return nullptr;
    if (rootmesh) {
        // The letter after the largest fifth character of the names in use.
        unsigned char largest = 0;
        for (Mesh* m = rootmesh; m; m = m->nextMesh) {
            if (std::strlen(m->name) >= 5) {
                largest = std::max(largest, static_cast<unsigned char>(m->name[4]));
            }
        }
        char letter = largest ? static_cast<char>(largest + 1) : 'A';
        std::string named = platform::Format("Mesh%c", letter);
        platform::CopyText(mesh->name, sizeof mesh->name, named.c_str());
    }
    Mesh** tail = &rootmesh;
    while (*tail) tail = &(*tail)->nextMesh;
    *tail = mesh;
    return mesh;
}

bool DeleteMesh(Mesh* mesh) {
    if (!mesh || mesh->building || OneShotMeshBuildRunning()) return false;
    for (Mesh** at = &rootmesh; *at; at = &(*at)->nextMesh) {
        if (*at == mesh) {
            *at = mesh->nextMesh;
            delete mesh;
            return true;
        }
    }
    return false;
}

void DeleteAllMeshes() {
    while (Mesh* m = rootmesh) {
        rootmesh = m->nextMesh;
        delete m;
    }
    selmesh = nullptr;
}

void ResetMeshCalibration(Mesh* mesh) {
    if (!mesh) return;
    mesh->refFaces = 0;
    mesh->targetFaces = 0;
    mesh->lastFaces = 0;
    mesh->facesBeforeLast = 0;
    mesh->cellFactor = 2.4f;
}
