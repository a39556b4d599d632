// The build of a mesh as the frame end and the mesh panel run it: calibration, the emitter
// path, polygonisation, the result arrays and normals; and the one-shot build.
#include "mesh/mesh_build.h"

#include <atomic>
#include <cstdlib>
#include <thread>

#include "fluid/driver.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "mesh/mesh_files.h"
#include "mesh/mesh_filters.h"
#include "mesh/mesh_normals.h"
#include "mesh/mesh_texture.h"
#include "mesh/sweep_private.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"

namespace {

MeshBuildStats g_stats;
void (*g_status_hook)(const char*) = nullptr;

// Faces of the last mesh built, right after polygonising and at the end of its build.
std::atomic<int> g_faces_polygonised{0};
std::atomic<int> g_faces_built{0};

// Counts an emitter may ask for: beyond this an array would not fit the index type.
constexpr int kMaxEmitterEntries = 1 << 26;

std::atomic<long long> g_point_limit{0};

std::mutex g_one_shot_mutex;
std::thread g_one_shot;
std::atomic<bool> g_one_shot_running{false};

Creador* MeshEmitter(const Mesh* m) {
    if (m->numLinks != 1 || !m->links[0].fluid) return nullptr;
    Creador* e = m->links[0].fluid->emitter;
    return e && (e->flags & kEmitterBuildsMesh) ? e : nullptr;
}

template <typename T>
T* Zeroed(int n) {
    return static_cast<T*>(std::calloc(static_cast<size_t>(n > 0 ? n : 1), sizeof(T)));
}

// The emitter builds the surface itself into arrays sized as it asks.
void BuildByEmitter(Mesh* m, Creador* e) {
    int vertices = 0, faces = 0;
    e->HowManyPoli(&vertices, &faces);
    if (vertices < 0 || faces < 0 || vertices > kMaxEmitterEntries || faces > kMaxEmitterEntries) {
        RedWarning(platform::Format(" Mesh %s: %s asked for %d vertices and %d faces", m->name,
                                    e->name, vertices, faces)
                       .c_str());
        return;
    }
    m->ReleaseCurrent();
    m->vertices = Zeroed<Vector>(vertices);
    m->vertexNormals = Zeroed<Vector>(vertices);
    m->colours = Zeroed<Vector>(vertices);
    m->faces = Zeroed<MeshFace>(faces);
    m->faceNormals = Zeroed<Vector>(faces);
    if (m->calcUVW) m->texCoords = Zeroed<Vector>(vertices);
    if (!m->vertices || !m->vertexNormals || !m->colours || !m->faces || !m->faceNormals ||
        (m->calcUVW && !m->texCoords)) {
        m->ReleaseCurrent();
        return;
    }
    m->numVertices = vertices;
    m->numFaces = faces;
    BuildState builder;
    builder.mesh = m;
    builder.firstFluid = m->links[0].fluid;
    m->builder = &builder;
    e->Poligoniza(&builder);
    m->builder = nullptr;
}

// One polygonisation at the mesh's current cell size. The builder stays with the mesh, whose
// refinement needs its field, until DestroyBuilder.
void Polygonise(Mesh* m, bool explicit_request) {
    auto* b = new BuildState;
    b->explicitRequest = explicit_request;
    m->builder = b;
    if (b->Setup(m)) {
        b->Polygonise();
    } else {
        m->ReleaseCurrent();
        m->numVertices = m->numFaces = 0;
    }
    g_stats.fronts = b->stats.fronts;
    g_stats.points += b->stats.points;
    g_stats.capped = g_stats.capped || b->stats.capped;
    g_stats.stopped = g_stats.stopped || b->stats.stopped;
    if (b->stats.capped) {
        RedWarning(platform::Format(" Mesh %s: more than %lld lattice points; the surface is "
                                    "incomplete (use a larger cell or a lower resolution)",
                                    m->name, MeshPointLimit())
                       .c_str());
    }
    // Marks serve only the build; they must not leak into another mesh's field. Without a
    // clipping box the seeding has cleared them already.
    for (int i = 0; i < m->numLinks && m->clipBoxOn; ++i) {
        if (!m->links[i].fluid) continue;
        for (Particula* p = m->links[i].fluid->First(); p; p = p->next) p->meshMark = 0;
    }
}

bool AnyGrid(const Mesh* m) {
    for (int i = 0; i < m->numLinks; ++i) {
        if (m->links[i].fluid && m->links[i].fluid->grid) return true;
    }
    return false;
}

void BuildAllAtFrameEnd() {
    BuildAllMeshes(false);
    WriteAllMeshFiles();
}

// Other subsystems may want the same two calls; whoever installs later calls the earlier.
void (*g_earlier_reset)() = nullptr;
void (*g_earlier_clearing)() = nullptr;

void ResetCalibrations() {
    WaitForOneShotMeshBuild();
    for (Mesh* m = rootmesh; m; m = m->nextMesh) ResetMeshCalibration(m);
    if (g_earlier_reset) g_earlier_reset();
}

void ClearMeshes() {
    WaitForOneShotMeshBuild();
    DeleteAllMeshes();
    if (g_earlier_clearing) g_earlier_clearing();
}

bool Install() {
    SimulationHooks().build_meshes = BuildAllAtFrameEnd;
    g_earlier_reset = EngineHooks().simulation_reset;
    EngineHooks().simulation_reset = ResetCalibrations;
    g_earlier_clearing = EngineHooks().scene_clearing;
    EngineHooks().scene_clearing = ClearMeshes;
    return true;
}

const bool g_installed = Install();

}  // namespace

void ShowMeshStatus(const char* text) {
    if (g_status_hook) g_status_hook(text);
}

void SetMeshStatusHook(void (*hook)(const char* text)) { g_status_hook = hook; }

const MeshBuildStats& LastMeshBuildStats() { return g_stats; }

void SetMeshPointLimit(long long limit) { g_point_limit = limit > 0 ? limit : 0; }

long long MeshPointLimit() {
    const long long limit = g_point_limit;
    return limit > 0 ? limit : kMeshPointLimit;
}

void DestroyBuilder(Mesh* mesh) {
    if (!mesh || !mesh->builder) return;
    delete static_cast<BuildState*>(mesh->builder);
    mesh->builder = nullptr;
}

void BuildMesh(Mesh* m, bool explicit_request) {
    if (!m) return;
    m->Clear();
    g_stats = MeshBuildStats{};
    if (!m->generationOn || m->numLinks == 0) return;
    if (Creador* e = MeshEmitter(m)) {
        BuildByEmitter(m, e);
        return;
    }
    if (!AnyGrid(m)) return;
    m->building = true;
    ShowMeshStatus("Mesh processed-->> 0 %");
    if (m->refFaces == 0) {
        // The first build finds how many faces the default cell gives; the resolution is then
        // a multiple of that.
        Polygonise(m, explicit_request);
        DestroyBuilder(m);
        m->refFaces = m->numFaces;
        m->Clear();
        m->cellFactor *= 0.75f;
        ++g_stats.calibrationBuilds;
    }
    Polygonise(m, explicit_request);
    ShowMeshStatus("Mesh processed-->> 100 %");
    g_faces_polygonised = m->numFaces;
    OptimiseMesh(m);
    ComputeMeshNormals(m);
    ComputeVertexTexture(m);
    DestroyBuilder(m);
    RecordMeshAdjacency(m);
    g_faces_built = m->numFaces;
    m->building = false;
    ShowMeshStatus("");
}

void BuildAllMeshes(bool explicit_request) {
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        BuildMesh(m, explicit_request);
        // A build cut short by a stop keeps nothing unless files were asked for.
        const bool cut = SimulationState == kSimStopRequested && !m->HasOutput() && !explicit_request;
        if (!cut) FilterAfterBuild(m);
        m->KeepPrevious(cut);
    }
    ShowMeshStatus("");
}

int FacesPolygonised() { return g_faces_polygonised; }
int FacesBuilt() { return g_faces_built; }

void OneShotMeshBuild() {
    for (Fluido* f = rootflow; f; f = f->next) {
        f->active = 1;
        if (f->type == kFluidDumb && f->numObjects == 0) f->active = FluidUsedByMesh(f);
        if (f->emitter && (f->emitter->flags & kEmitterAsksVoxels)) {
            f->active = f->emitter->AreVoxelsNeeded();
        }
        f->CalculaAche();
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        if (SimulationHooks().collide) SimulationHooks().collide(f);
        fluid_passes::SearchNeighbours(f);
    }
    // The relax daemons act here whether they are on or not.
    for (Fluido* f = rootflow; f; f = f->next) {
        for (int i = 0; i < f->numDaemons; ++i) {
            Daemon* d = f->daemons[i];
            if (d && d->descriptor && d->descriptor->class_id == 13) d->Affect(f);
        }
    }
    g_faces_polygonised = g_faces_built = 0;
    BuildAllMeshes(true);
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
    if (g_faces_polygonised > 0) {
        const double reduction = static_cast<double>(g_faces_polygonised - g_faces_built) * 100.0 /
                                 static_cast<double>(g_faces_polygonised);
        if (reduction >= 0.0) BlueWarning(platform::Format("Face reduction: %2.2f %%", reduction).c_str());
    }
}

bool StartOneShotMeshBuild() {
    std::lock_guard<std::mutex> lock(g_one_shot_mutex);
    if (sim::Running()) return false;
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (m->building) return false;
    }
    if (g_one_shot.joinable()) g_one_shot.join();
    g_one_shot_running = true;
    g_one_shot = std::thread([] {
        OneShotMeshBuild();
        g_one_shot_running = false;
    });
    return true;
}

bool OneShotMeshBuildRunning() { return g_one_shot_running; }

void WaitForOneShotMeshBuild() {
    std::lock_guard<std::mutex> lock(g_one_shot_mutex);
    if (g_one_shot.joinable()) g_one_shot.join();
}
