// Workspace files: the tagged sections, written in a fixed order and found again by a tag
// search that skips whatever it does not know. The search reads four bytes, and while they are
// not the tag it steps back three and reads again, so any record a reader cannot interpret
// (a daemon whose class is not loaded) is passed over up to the next tag.
#include "io/workspace.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "fluid/parallel.h"
#include "io/class_lookup.h"
#include "io/record_io_private.h"
#include "io/workspace_objects.h"
#include "mesh/mesh.h"
#include "objects/body.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/preferences.h"
#include "scene/scene_hooks.h"
#include "scene/simulation_state.h"
#include "scene/undo.h"
#include "scene/view_settings.h"

int workspace_version = kWorkspaceVersion;

namespace {

using namespace record_io;
using platform::ReadF32;
using platform::ReadU32;
using platform::WriteF32;
using platform::WriteI32;
using platform::WriteU32;

WorkspaceHooks g_hooks{};

template <typename T, typename F>
int IndexOf(T* first, T* item, F next) {
    int i = 0;
    for (T* n = first; n; n = next(n), ++i) {
        if (n == item) return i;
    }
    return -1;
}

Daemon* DaemonAt(int index) {
    int i = 0;
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d), ++i) {
        if (i == index) return d;
    }
    return nullptr;
}

Fluido* FluidAt(int index) {
    int i = 0;
    for (Fluido* f = rootflow; f; f = f->next, ++i) {
        if (i == index) return f;
    }
    return nullptr;
}

// --- writing ---------------------------------------------------------------------------

bool WriteHeader() {
    return WriteU32(kTagHeader) && WriteI32(kWorkspaceVersion) && WriteF32(tuniversal) &&
           WriteF32(frame_time) && WriteF32(tbuzz) && WriteI32(frame) &&
           platform::WriteF64(cpu_hours) && WriteI32(host_platform) && WriteF32(scene_scale);
}

bool WriteSceneData() {
    const int has_path = sd_path[0] != '\0' ? 1 : 0;
    bool ok = WriteU32(kTagSceneData) && PutByte(sd_locked) && WriteI32(has_path);
    if (ok && has_path) ok = PutText(sd_path, sizeof sd_path);
    return ok;
}

bool WriteObjects() {
    bool ok = WriteU32(kTagObjects) && WriteI32(CountBodies());
    for (Body* b = rootbody.next; ok && b; b = b->next) {
        ok = WriteU32(kTagObject) && WriteObjectRecord(b);
    }
    return ok;
}

bool WriteFluids() {
    bool ok = WriteU32(kTagFluids) && WriteI32(CountFluids());
    for (Fluido* f = rootflow; ok && f; f = f->next) {
        ok = WriteU32(kTagFluid) && WriteFluidRecord(f);
    }
    return ok;
}

bool WriteDaemons() {
    bool ok = WriteU32(kTagDaemons) && WriteI32(CountDaemons());
    for (Daemon* d = FirstDaemon(); ok && d; d = NextDaemon(d)) {
        ok = WriteU32(kTagDaemon) && WriteI32(d->descriptor ? d->descriptor->class_id : 0) &&
             d->Save();
    }
    return ok;
}

bool WriteCamera() {
    bool ok = WriteU32(kTagCamera) && WriteI32(camera.elevation) && WriteI32(camera.azimuth) &&
              WriteF32(camera.distance) && PutVector(camera.eye) && PutVector(camera.target) &&
              WriteI32(camera.view_mode);
    for (const Vector& c : camera.centre) ok = ok && PutVector(c);
    for (float z : camera.zoom) ok = ok && WriteF32(z);
    return ok;
}

bool WriteLinks() {
    bool ok = WriteU32(kTagLinks);
    for (Fluido* f = rootflow; ok && f; f = f->next) {
        ok = WriteU32(kTagFluidLinks) && WriteI32(f->numDaemons) && WriteI32(f->numObjects) &&
             WriteI32(f->numLinkedFluids);
        for (int i = 0; ok && i < f->numDaemons; ++i) {
            ok = WriteI32(IndexOf<Daemon>(FirstDaemon(), f->daemons[i], NextDaemon));
        }
        for (int i = 0; ok && i < f->numObjects; ++i) ok = WriteI32(BodyIndex(f->objects[i]));
        for (int i = 0; ok && i < f->numLinkedFluids; ++i) {
            ok = WriteI32(IndexOf<Fluido>(rootflow, f->linkedFluids[i],
                                          [](Fluido* g) { return g->next; }));
        }
    }
    return ok;
}

bool WriteMeshes() {
    const int count = g_hooks.count_meshes ? g_hooks.count_meshes() : 0;
    bool ok = WriteU32(kTagMeshes) && WriteI32(count);
    for (int i = 0; ok && i < count; ++i) ok = WriteU32(kTagMesh) && g_hooks.write_mesh(i);
    return ok;
}

bool WriteSettings() {
    const SimulationSettings& s = sim_settings;
    return WriteU32(kTagSettings) && WriteI32(FramesPerSecond()) && WriteF32(TimePerFrame()) &&
           WriteF32(s.largest_step) && WriteF32(s.smallest_step) &&
           WriteF32(s.time_step_factor) && WriteI32(s.image_output ? 1 : 0) &&
           WriteF32(view_settings.point_size) && PutByte(s.max_frames_on ? 1 : 0) &&
           WriteI32(s.max_frames) && PutText(image_output.directory, sizeof image_output.directory) &&
           PutText(image_output.sequence, sizeof image_output.sequence) &&
           WriteI32(image_output.file_type) && PutByte(s.autosave_on ? 1 : 0) &&
           PutByte(parallel::Multithreading() ? 1 : 0) && PutByte(s.limit_speed ? 1 : 0) &&
           WriteI32(s.autosave_interval) && PutText(s.backup_file, sizeof s.backup_file);
}

bool WriteGridWindow() {
    const ViewSettings& v = view_settings;
    bool ok = WriteU32(kTagGridWindow) && WriteI32(prefs.grid_dimension) &&
              WriteF32(prefs.grid_square) && WriteI32(v.view_axes) && WriteI32(v.view_daemons) &&
              WriteI32(v.view_emitters) && PutByte(v.view_info) && WriteI32(v.view_grid) &&
              PutByte(v.view_particle_motion) && WriteF32(v.particle_length) &&
              PutText(v.message, sizeof v.message) && WriteI32(v.message_x) &&
              WriteI32(v.message_y);
    for (const auto& range : v.slider_range) ok = ok && WriteI32(range[0]) && WriteI32(range[1]);
    return ok;
}

// --- reading -----------------------------------------------------------------------------

void ReadHeaderRest() {
    float t = 0, ft = 0, tb = 0, scale = 1;
    int fr = 0, platform_id = 1;
    double cpu = 0;
    bool ok = ReadF32(&t) && ReadF32(&ft);
    if (ok && workspace_version >= 37) {
        ok = ReadF32(&tb);
    } else {
        tb = t;
    }
    ok = ok && GetInt(&fr) && platform::ReadF64(&cpu) && GetInt(&platform_id) && ReadF32(&scale);
    if (!ok) return;
    tuniversal = t;
    frame_time = ft;
    tbuzz = tb;
    frame = fr;
    cpu_hours = cpu;
    scene_scale = scale;
    ApplyPlatform(platform_id);
}

void ReadSceneData() {
    if (!FindTag(kTagSceneData)) {
        platform::MessageBox("Error reading scene data chunk");
        return;
    }
    unsigned char locked = 0;
    int has_path = 0;
    if (!GetByte(&locked)) return;
    if (workspace_version >= 34 && !GetInt(&has_path)) return;
    sd_locked = locked;
    sd_path[0] = '\0';
    if ((has_path == 1 || locked != 0) && !GetText(sd_path, sizeof sd_path)) sd_path[0] = '\0';
    if (sd_path[0] && g_hooks.reimport_scene_data) g_hooks.reimport_scene_data(sd_path, locked);
}

// The objects restored, by their place in the file: an object that could not be restored
// leaves a hole, so the links that name the ones after it still find them.
std::vector<Body*> g_loaded_objects;

void ReadObjects() {
    g_loaded_objects.clear();
    int count = 0;
    if (!FindTag(kTagObjects) || !GetInt(&count)) {
        platform::MessageBox("Error reading object data chunk");
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (!FindTag(kTagObject)) break;
        g_loaded_objects.push_back(ReadObjectRecord());
    }
}

Body* LoadedObject(int index) {
    if (index < 0 || index >= static_cast<int>(g_loaded_objects.size())) return nullptr;
    return g_loaded_objects[static_cast<size_t>(index)];
}

void ReadFluids() {
    int count = 0;
    if (!FindTag(kTagFluids) || !GetInt(&count)) {
        platform::MessageBox("Error reading fluid data chunk");
        return;
    }
    for (int i = 0; i < count; ++i) {
        if (!FindTag(kTagFluid)) break;
        ReadFluidRecord();
    }
}

void ReadDaemons() {
    int count = 0;
    if (!FindTag(kTagDaemons) || !GetInt(&count)) {
        platform::MessageBox("Error reading daemon data chunk");
        return;
    }
    for (int i = 0; i < count; ++i) {
        int class_id = 0;
        if (!FindTag(kTagDaemon) || !GetInt(&class_id)) break;
        Descriptor* cls = LookupClass(class_id);
        if (!cls) continue;  // a class that is not loaded is passed over
        Daemon* d = CreaDaemon(cls);
        if (!d) {
            platform::MessageBox("Error creating daemon");
            continue;
        }
        d->Load();
        seldaemon = d;
        AddDaemonToPanel(d);
    }
}

void ReadCamera() {
    if (!FindTag(kTagCamera)) {
        platform::MessageBox("Error reading camera data chunk");
        return;
    }
    Camera c = camera;
    bool ok = GetInt(&c.elevation) && GetInt(&c.azimuth) && ReadF32(&c.distance) &&
              GetVector(&c.eye) && GetVector(&c.target) && GetInt(&c.view_mode);
    for (Vector& v : c.centre) ok = ok && GetVector(&v);
    for (float& z : c.zoom) ok = ok && ReadF32(&z);
    if (ok) camera = c;
}

void ReadLinks() {
    if (!FindTag(kTagLinks)) return;
    for (Fluido* f = rootflow; f; f = f->next) {
        int counts[3];
        if (!FindTag(kTagFluidLinks) || !GetInt(&counts[0]) || !GetInt(&counts[1]) ||
            !GetInt(&counts[2])) {
            return;
        }
        // The file's lists replace whatever loading assigned on the way.
        for (int kind : {kLinkDaemons, kLinkObjects, kLinkFluids}) CleanLinks(f, kind);
        for (int kind = 0; kind < 3; ++kind) {
            if (counts[kind] < 0 || counts[kind] > Remaining() / 4) return;
            for (int i = 0; i < counts[kind]; ++i) {
                int index;
                if (!GetInt(&index)) return;
                if (kind == 0) {
                    if (Daemon* d = DaemonAt(index)) LinkDaemon(f, d);
                } else if (kind == 1) {
                    if (Body* b = LoadedObject(index)) LinkObject(f, b);
                } else if (kind == 2) {
                    if (Fluido* g = FluidAt(index)) LinkFluid(f, g);
                }
            }
        }
    }
}

void ReadMeshes() {
    int count = 0;
    if (!FindTag(kTagMeshes) || !GetInt(&count)) return;
    for (int i = 0; i < count && g_hooks.read_mesh; ++i) {
        if (!FindTag(kTagMesh)) break;
        g_hooks.read_mesh();
    }
}

void ReadSettings() {
    if (FindTag(kTagSettings)) {
        SimulationSettings s = sim_settings;
        ImageOutput image = image_output;
        int fps = 30, images = 0;
        float tpf = 0, point_size = view_settings.point_size;
        unsigned char max_on = 0, autosave = 0, threads = 1, limit = 0;
        bool ok = GetInt(&fps) && ReadF32(&tpf) && ReadF32(&s.largest_step) &&
                  ReadF32(&s.smallest_step) && ReadF32(&s.time_step_factor) &&
                  GetInt(&images) && ReadF32(&point_size) && GetByte(&max_on) &&
                  GetInt(&s.max_frames) && GetText(image.directory, sizeof image.directory) &&
                  GetText(image.sequence, sizeof image.sequence) && GetInt(&image.file_type) &&
                  GetByte(&autosave) && GetByte(&threads) && GetByte(&limit) &&
                  GetInt(&s.autosave_interval) && GetText(s.backup_file, sizeof s.backup_file);
        if (ok) {
            SetFramesPerSecond(fps);
            s.image_output = images != 0;
            s.max_frames_on = max_on != 0;
            s.autosave_on = autosave != 0;
            s.limit_speed = limit != 0;
            sim_settings = s;
            image_output = image;
            view_settings.point_size = point_size;
            parallel::SetMultithreading(threads != 0);
        }
    }
    if (FindTag(kTagGridWindow)) {
        ViewSettings v = view_settings;
        int dimension = prefs.grid_dimension;
        float square = prefs.grid_square;
        bool ok = GetInt(&dimension) && ReadF32(&square) && GetInt(&v.view_axes) &&
                  GetInt(&v.view_daemons) && GetInt(&v.view_emitters) && GetByte(&v.view_info) &&
                  GetInt(&v.view_grid) && GetByte(&v.view_particle_motion) &&
                  ReadF32(&v.particle_length) && GetText(v.message, sizeof v.message) &&
                  GetInt(&v.message_x) && GetInt(&v.message_y);
        for (auto& range : v.slider_range) ok = ok && GetInt(&range[0]) && GetInt(&range[1]);
        if (ok) {
            view_settings = v;
            prefs.grid_dimension = dimension;
            prefs.grid_square = square;
        }
    }
}

// Everything of the old scene goes before the new one is read.
void ClearScene() {
    while (Daemon* d = FirstDaemon()) {
        d->AtaNodos();
        delete d;
    }
    if (platform::Dialog* panel = DaemonPanel()) panel->ListClear(DaemonListId());
    sim::ClearSimulation();
    RemoveAllBodies();
    seldaemon = nullptr;
    selnodo = nullptr;
    Creador::seed = 0;
    ClearUndo();
}

}  // namespace

WorkspaceHooks& GetWorkspaceHooks() { return g_hooks; }

void NewWorkspace() {
    ClearScene();
    ReleaseUnusedClasses();
    ResetViewSettings();
    camera = Camera{};
    sd_locked = 0;
    sd_path[0] = '\0';
}

bool FindTag(uint32_t tag) {
    uint32_t v;
    if (!ReadU32(&v)) return false;
    while (v != tag) {
        if (FSeek(-3, SEEK_CUR) != 0 || !ReadU32(&v)) return false;
    }
    return true;
}

bool SaveWorkspace(const char* path) {
    if (!platform::BeginWorkspaceWrite(path)) {
        platform::MessageBox("Saving workspace: globalfile error");
        return false;
    }
    bool ok = WriteHeader() && WriteSceneData() && WriteObjects() && WriteFluids() &&
              WriteDaemons() && WriteCamera() && WriteLinks() && WriteMeshes() &&
              WriteSettings() && WriteGridWindow();
    if (!platform::EndWorkspaceWrite(ok)) {
        platform::MessageBox("Saving workspace: globalfile error");
        return false;
    }
    if (g_hooks.title) g_hooks.title(path);
    BlueWarning(platform::Format(" %s saved", path).c_str());
    return true;
}

bool LoadWorkspace(const char* path) {
    if (!platform::BeginWorkspaceRead(path)) {
        platform::MessageBox(platform::Format("Error reading workspace: %s", path).c_str());
        return false;
    }
    uint32_t tag = 0;
    if (!ReadU32(&tag) || tag != kTagHeader) {
        platform::EndWorkspaceRead();
        platform::MessageBox("This is not a valid Undaline file");
        return false;
    }
    int version = 0;
    if (!GetInt(&version) || version < kOldestWorkspaceVersion) {
        platform::EndWorkspaceRead();
        platform::MessageBox("Obsolete version");
        return false;
    }
    ClearScene();
    workspace_version = version;
    ReadHeaderRest();
    ReadSceneData();
    ReadObjects();
    ReadFluids();
    ReadDaemons();
    ReadCamera();
    ReadLinks();
    g_loaded_objects.clear();
    ReadMeshes();
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->emitter) f->emitter->PostLoad();
    }
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) d->PostLoad();
    ReadSettings();
    platform::EndWorkspaceRead();

    if (auto status = SimulationHooks().status) {
        int hours = static_cast<int>(cpu_hours);
        int minutes = static_cast<int>((cpu_hours - hours) * 60.0);
        status(platform::Format("Time: %.2f (%.2f)", static_cast<double>(tuniversal),
                                static_cast<double>(tbuzz))
                   .c_str(),
               "", platform::Format("CPU: %d h %d m", hours, minutes).c_str(), 0, frame);
    }
    if (g_hooks.title) g_hooks.title(path);
    bool fluid_output = false;
    for (Fluido* f = rootflow; f; f = f->next) {
        fluid_output = fluid_output || f->outLwo || f->outBin || f->outAscii;
    }
    bool mesh_output = false;
    for (Mesh* m = rootmesh; m; m = m->nextMesh) mesh_output = mesh_output || m->HasOutput();
    if (fluid_output || mesh_output) {
        const char* which = fluid_output && mesh_output ? "FLUIDS and MESHES"
                            : fluid_output              ? "FLUIDS"
                                                        : "MESHES";
        RedWarning(platform::Format("Warning: file output options are enabled for %s. Old data "
                                    "could be overwritten.",
                                    which)
                       .c_str());
    }
    return true;
}
