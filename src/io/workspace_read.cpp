// Reading a workspace. Each section either reads whole or fails the file: a file cut short or
// holding values it cannot mean is refused, and the scene from before the load is put back
// from a snapshot taken in memory. Records of classes that are not loaded are passed over by
// the tag search; the file's positions of fluids and daemons are mapped to what was loaded,
// so the links of later items still find the items they named.
#include <cmath>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <filesystem>
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
#include "io/workspace.h"
#include "io/workspace_objects.h"
#include "io/workspace_private.h"
#include "mesh/mesh.h"
#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/scene_data.h"
#include "objects/scene_import.h"
#include "platform/file_dialog.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/envelope_file.h"
#include "scene/preferences.h"
#include "scene/simulation_state.h"
#include "scene/undo.h"
#include "scene/view_settings.h"

namespace {

using namespace record_io;
using workspace_private::ClearScene;
using platform::ReadF32;
using platform::ReadU32;

// Frame numbers far below the int range: the run's last frame and the names of the frame
// files are computed from it.
constexpr int kMaxFrame = INT_MAX / 2;
// A step shorter than this would not move the frame clock of a float.
constexpr float kShortestStep = 1e-7f;

// What the file's positions of objects, fluids and daemons became: null where a record was
// passed over.
struct Loaded {
    std::vector<Body*> objects;
    std::vector<Fluido*> fluids;
    std::vector<Daemon*> daemons;
};

bool Broken(const char* text) {
    platform::MessageBox(text);
    return false;
}

bool Finite(float v) { return std::isfinite(v); }

// A count of records of at least `bytes` bytes each that the rest of the file can hold.
bool PlausibleCount(int count, long bytes) { return count >= 0 && count <= Remaining() / bytes; }

bool ReadHeaderRest() {
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
    // Positions are divided by the scale when particle files are written.
    ok = ok && Finite(t) && Finite(ft) && Finite(tb) && fr >= 0 && fr <= kMaxFrame &&
         std::isfinite(cpu) && Finite(scale) && scale > 0.0f;
    if (!ok) return Broken("Error reading header data chunk");
    tuniversal = t;
    frame_time = ft;
    tbuzz = tb;
    frame = fr;
    cpu_hours = cpu;
    scene_scale = scale;
    ApplyPlatform(platform_id);
    return true;
}

// The scene data file a workspace names: where it was, in this system's form, beside the
// workspace, or in the objects directory; "" when it is in none of them.
std::string FindSceneDataFile(const char* stored, const std::string& workspace_path) {
    const std::string local = platform::LocalPath(stored);
    const std::string ws = platform::LocalPath(workspace_path);
    const std::string dir = ws.substr(0, ws.size() - platform::BaseName(ws).size());
    std::vector<std::string> candidates = {stored, local};
    if (!dir.empty() && !local.starts_with('/')) candidates.push_back(platform::JoinPath(dir, local));
    if (!dir.empty()) candidates.push_back(platform::JoinPath(dir, platform::BaseName(local)));
    candidates.push_back(platform::JoinPath(ObjectsDirectory(), platform::BaseName(local)));
    for (const std::string& c : candidates) {
        if (platform::CanReadFile(c.c_str())) return c;
    }
    return "";
}

// The workspace being read ("" for a scene put back from memory), and whether its scene data
// file was imported again: its bodies are then stepped on to the workspace's frame once the
// settings (the frame duration) are read.
std::string g_workspace_path;
bool g_scene_data_reopened = false;

bool ReadSceneData() {
    g_scene_data_reopened = false;
    unsigned char locked = 0;
    int has_path = 0;
    char stored[sizeof sd_path] = {};
    bool ok = FindTag(kTagSceneData) && GetByte(&locked);
    if (ok && workspace_version >= 34) ok = GetInt(&has_path);
    if (ok && (has_path == 1 || locked != 0)) ok = GetText(stored, sizeof stored);
    if (!ok) return Broken("Error reading scene data chunk");
    if (!stored[0]) return true;
    std::string file = FindSceneDataFile(stored, g_workspace_path);
    if (file.empty()) {
        // Ask for the file; without an answer the link is dropped.
        file = platform::OpenFileDialog("Import Scene", SingleTypeFilter(kTypeSd),
                                        ObjectsDirectory().c_str());
        if (file.empty()) return true;
    }
    if (!ImportSceneData(file.c_str())) return true;
    g_scene_data_reopened = true;
    if (!locked) UnlockSceneData();
    return true;
}

bool ReadObjects(Loaded* loaded) {
    const char* broken = "Error reading object data chunk";
    int count = 0;
    if (!FindTag(kTagObjects) || !GetInt(&count) || !PlausibleCount(count, 4)) {
        return Broken(broken);
    }
    // An object that cannot be restored is passed over: its record reports why. The bodies
    // of a reopened scene data file take the first records.
    const std::vector<Body*> animated = SceneDataBodies();
    for (int i = 0; i < count; ++i) {
        if (!FindTag(kTagObject)) return Broken(broken);
        const size_t k = static_cast<size_t>(i);
        loaded->objects.push_back(k < animated.size() ? ReadObjectRecordInto(animated[k])
                                                      : ReadObjectRecord());
    }
    return true;
}

bool ReadFluids(Loaded* loaded) {
    const char* broken = "Error reading fluid data chunk";
    int count = 0;
    if (!FindTag(kTagFluids) || !GetInt(&count) || !PlausibleCount(count, 4)) {
        return Broken(broken);
    }
    for (int i = 0; i < count; ++i) {
        if (!FindTag(kTagFluid)) return Broken(broken);
        bool skipped = false;
        Fluido* f = workspace_private::ReadFluidRecord(&skipped);
        if (!f && !skipped) return false;  // the record has said what was wrong
        loaded->fluids.push_back(f);
    }
    return true;
}

bool ReadDaemons(Loaded* loaded) {
    const char* broken = "Error reading daemon data chunk";
    int count = 0;
    if (!FindTag(kTagDaemons) || !GetInt(&count) || !PlausibleCount(count, 8)) {
        return Broken(broken);
    }
    for (int i = 0; i < count; ++i) {
        int class_id = 0;
        if (!FindTag(kTagDaemon) || !GetInt(&class_id)) return Broken(broken);
        Descriptor* cls = LookupClass(class_id);
        Daemon* d = cls ? CreaDaemon(cls) : nullptr;
        if (cls && !d) platform::MessageBox("Error creating daemon");
        // A class that is not loaded, or a daemon that cannot be made, is passed over.
        loaded->daemons.push_back(d);
        if (!d) continue;
        if (!d->Load()) {
            delete d;
            loaded->daemons.back() = nullptr;
            return Broken(broken);
        }
        seldaemon = d;
        AddDaemonToPanel(d);
    }
    return true;
}

bool ReadCamera() {
    Camera c = camera;
    bool ok = FindTag(kTagCamera) && GetInt(&c.elevation) && GetInt(&c.azimuth) &&
              ReadF32(&c.distance) && GetVector(&c.eye) && GetVector(&c.target) &&
              GetInt(&c.view_mode);
    for (Vector& v : c.centre) ok = ok && GetVector(&v);
    for (float& z : c.zoom) ok = ok && ReadF32(&z);
    if (!ok) return Broken("Error reading camera data chunk");
    camera = c;
    return true;
}

template <typename T>
T* At(const std::vector<T*>& items, int index) {
    return index >= 0 && static_cast<size_t>(index) < items.size() ? items[static_cast<size_t>(index)]
                                                                    : nullptr;
}

// One link record per fluid record of the file, in file order; a fluid that was passed over
// has its record read and dropped.
bool ReadLinks(const Loaded& loaded) {
    const char* broken = "Error reading link data chunk";
    if (!FindTag(kTagLinks)) return Broken(broken);
    for (Fluido* f : loaded.fluids) {
        int counts[3];
        if (!FindTag(kTagFluidLinks) || !GetInt(&counts[0]) || !GetInt(&counts[1]) ||
            !GetInt(&counts[2])) {
            return Broken(broken);
        }
        // The file's lists replace whatever loading assigned on the way.
        if (f) {
            for (int kind : {kLinkDaemons, kLinkObjects, kLinkFluids}) CleanLinks(f, kind);
        }
        for (int kind = 0; kind < 3; ++kind) {
            if (!PlausibleCount(counts[kind], 4)) return Broken(broken);
            for (int i = 0; i < counts[kind]; ++i) {
                int index;
                if (!GetInt(&index)) return Broken(broken);
                if (!f) continue;
                if (kind == 0) {
                    if (Daemon* d = At(loaded.daemons, index)) LinkDaemon(f, d);
                } else if (kind == 1) {
                    if (Body* b = At(loaded.objects, index)) LinkObject(f, b);
                } else if (kind == 2) {
                    if (Fluido* g = At(loaded.fluids, index)) LinkFluid(f, g);
                }
            }
        }
    }
    return true;
}

bool ReadMeshes() {
    const char* broken = "Error reading mesh data chunk";
    int count = 0;
    if (!FindTag(kTagMeshes) || !GetInt(&count) || !PlausibleCount(count, 4)) {
        return Broken(broken);
    }
    const WorkspaceHooks& hooks = GetWorkspaceHooks();
    for (int i = 0; i < count && hooks.read_mesh; ++i) {
        if (!FindTag(kTagMesh) || !hooks.read_mesh()) return Broken(broken);
    }
    return true;
}

bool ReadSettings() {
    SimulationSettings s = sim_settings;
    ImageOutput image = image_output;
    int fps = 30, images = 0;
    float tpf = 0, point_size = view_settings.point_size;
    unsigned char max_on = 0, autosave = 0, threads = 1, limit = 0;
    bool ok = FindTag(kTagSettings) && GetInt(&fps) && ReadF32(&tpf) &&
              ReadF32(&s.largest_step) && ReadF32(&s.smallest_step) &&
              ReadF32(&s.time_step_factor) && GetInt(&images) && ReadF32(&point_size) &&
              GetByte(&max_on) && GetInt(&s.max_frames) &&
              GetText(image.directory, sizeof image.directory) &&
              GetText(image.sequence, sizeof image.sequence) && GetInt(&image.file_type) &&
              GetByte(&autosave) && GetByte(&threads) && GetByte(&limit) &&
              GetInt(&s.autosave_interval) && GetText(s.backup_file, sizeof s.backup_file);
    if (!ok) return Broken("Error reading settings data chunk");
    if (fps < 1 || fps > kMaxFramesPerSecond) {
        return Broken(platform::Format("Frame rate out of range: %d frames per second (1 to %d)",
                                       fps, kMaxFramesPerSecond)
                          .c_str());
    }
    // The clock must move at every step: a smallest step too short for a float to add, or a
    // step that is no number, would stall the run.
    const float frame_length = 1.0f / static_cast<float>(fps);
    if (!(s.smallest_step >= kShortestStep && s.smallest_step <= frame_length) ||
        !(s.largest_step > 0.0f && Finite(s.largest_step)) ||
        !(s.time_step_factor >= 0.0f && Finite(s.time_step_factor))) {
        return Broken("Error reading settings data chunk");
    }
    SetFramesPerSecond(fps);
    s.image_output = images != 0;
    s.max_frames_on = max_on != 0;
    s.autosave_on = autosave != 0;
    s.limit_speed = limit != 0;
    sim_settings = s;
    image_output = image;
    view_settings.point_size = point_size;
    parallel::SetMultithreading(threads != 0);
    return true;
}

bool ReadGridWindow() {
    ViewSettings v = view_settings;
    int dimension = prefs.grid_dimension;
    float square = prefs.grid_square;
    bool ok = FindTag(kTagGridWindow) && GetInt(&dimension) && ReadF32(&square) &&
              GetInt(&v.view_axes) && GetInt(&v.view_daemons) && GetInt(&v.view_emitters) &&
              GetByte(&v.view_info) && GetInt(&v.view_grid) && GetByte(&v.view_particle_motion) &&
              ReadF32(&v.particle_length) && GetText(v.message, sizeof v.message) &&
              GetInt(&v.message_x) && GetInt(&v.message_y);
    for (auto& range : v.slider_range) ok = ok && GetInt(&range[0]) && GetInt(&range[1]);
    if (!ok) return Broken("Error reading window data chunk");
    view_settings = v;
    prefs.grid_dimension = dimension;
    prefs.grid_square = square;
    return true;
}

// Everything after the version, in file order; false at the first section that fails.
bool ReadSections() {
    Loaded loaded;
    if (!ReadHeaderRest() || !ReadSceneData() || !ReadObjects(&loaded) || !ReadFluids(&loaded) ||
        !ReadDaemons(&loaded) || !ReadCamera() || !ReadLinks(loaded) || !ReadMeshes()) {
        return false;
    }
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f->emitter) f->emitter->PostLoad();
    }
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) d->PostLoad();
    if (!ReadSettings() || !ReadGridWindow()) return false;
    // The animated objects stand where they stood when the workspace was saved.
    if (g_scene_data_reopened) AdvanceSceneData(frame, frame_time);
    return true;
}

// The scene as a workspace in memory; false when it could not be taken.
bool TakeSnapshot(std::vector<uint8_t>* bytes) {
    if (!platform::BeginWorkspaceWriteMemory()) return false;
    const bool ok = workspace_private::WriteSections();
    return platform::EndWorkspaceWriteMemory(ok ? bytes : nullptr) && ok;
}

void RestoreSnapshot(const std::vector<uint8_t>& bytes) {
    ClearScene();
    if (bytes.empty() || !platform::BeginWorkspaceReadMemory(bytes)) return;
    uint32_t tag = 0;
    int version = 0;
    if (ReadU32(&tag) && GetInt(&version)) {
        workspace_version = version;
        if (!ReadSections()) ClearScene();
    }
    platform::EndWorkspaceRead();
}

void ShowLoaded(const char* path) {
    if (auto status = SimulationHooks().status) {
        int hours = static_cast<int>(cpu_hours);
        int minutes = static_cast<int>((cpu_hours - hours) * 60.0);
        status(platform::Format("Time: %.2f (%.2f)", static_cast<double>(tuniversal),
                                static_cast<double>(tbuzz))
                   .c_str(),
               "", platform::Format("CPU: %d h %d m", hours, minutes).c_str(), 0, frame);
    }
    const WorkspaceHooks& hooks = GetWorkspaceHooks();
    if (hooks.scale_factor) {
        hooks.scale_factor(platform::Format("%5.2f", static_cast<double>(scene_scale)).c_str());
    }
    if (hooks.title) hooks.title(path);
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
}

// Opens path and checks its tag and version; false after the refusal's message.
bool OpenChecked(const char* path, int* version) {
    if (!platform::BeginWorkspaceRead(path)) {
        return Broken(platform::Format("Error reading workspace: %s", path ? path : "").c_str());
    }
    uint32_t tag = 0;
    const char* refusal = nullptr;
    std::string newer;
    if (!ReadU32(&tag) || tag != kTagHeader) {
        refusal = "This is not a valid Undaline file";
    } else if (!GetInt(version) || *version < kOldestWorkspaceVersion) {
        refusal = "Obsolete version";
    } else if (*version > kWorkspaceVersion) {
        newer = platform::Format(kMsgNewerWorkspace, *version, kWorkspaceVersion);
        refusal = newer.c_str();
    }
    if (!refusal) return true;
    platform::EndWorkspaceRead();
    return Broken(refusal);
}

}  // namespace

bool LoadWorkspace(const char* path) {
    int version = 0;
    if (!OpenChecked(path, &version)) return false;
    platform::EndWorkspaceRead();

    // The scene is kept until the file has been read whole.
    sim::RequestStop();
    sim::WaitUntilStopped();
    std::vector<uint8_t> before;
    if (!TakeSnapshot(&before)) before.clear();
    if (!OpenChecked(path, &version)) return false;

    ClearScene();
    workspace_version = version;
    SetEnvelopeFrameBudget(kWorkspaceEnvelopeFrames);
    // Object files named by relative paths are found beside the workspace.
    SetObjectRecordFolder(std::filesystem::path(path).parent_path().string().c_str());
    g_workspace_path = path;
    const bool ok = ReadSections();
    g_workspace_path.clear();
    SetObjectRecordFolder(nullptr);
    SetEnvelopeFrameBudget(-1);
    platform::EndWorkspaceRead();
    if (!ok) {
        RestoreSnapshot(before);
        return false;
    }
    ShowLoaded(path);
    return true;
}
