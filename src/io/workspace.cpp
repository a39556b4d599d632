// Workspace files: the tagged sections, written in a fixed order and found again by a tag
// search that skips whatever it does not know. The search reads four bytes, and while they are
// not the tag it steps back three and reads again, so any record a reader cannot interpret
// (a daemon whose class is not loaded) is passed over up to the next tag. Reading is in
// workspace_read.cpp.
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
#include "io/workspace_private.h"
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

}  // namespace

WorkspaceHooks& GetWorkspaceHooks() { return g_hooks; }

void workspace_private::ClearScene() {
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

void NewWorkspace() {
    workspace_private::ClearScene();
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

bool workspace_private::WriteSections() {
    return WriteHeader() && WriteSceneData() && WriteObjects() && WriteFluids() &&
           WriteDaemons() && WriteCamera() && WriteLinks() && WriteMeshes() && WriteSettings() &&
           WriteGridWindow();
}

bool SaveWorkspace(const char* path) {
    if (!platform::BeginWorkspaceWrite(path)) {
        platform::MessageBox("Saving workspace: globalfile error");
        return false;
    }
    const bool ok = workspace_private::WriteSections();
    if (!platform::EndWorkspaceWrite(ok)) {
        platform::MessageBox("Saving workspace: globalfile error");
        return false;
    }
    if (g_hooks.title) g_hooks.title(path);
    BlueWarning(platform::Format(" %s saved", path).c_str());
    return true;
}
