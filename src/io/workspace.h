#pragma once

#include <cstdint>

#include "export.h"
#include "objects/scene_data.h"

class Fluido;

// Workspace files (".ulw"): the whole scene in one little-endian file of tagged sections:
// header, animated-scene link, objects, fluids with their emitters and particles, daemons,
// camera, fluid links, meshes, simulation settings, grid and window settings.

constexpr int kWorkspaceVersion = 37;
constexpr int kOldestWorkspaceVersion = 32;
constexpr const char* kMsgNewerWorkspace =
    "This workspace was saved by a newer version of Undaline (file version %d); this version "
    "reads files up to version %d";

enum WorkspaceTag : uint32_t {
    kTagHeader = 0xFABADAA0,
    kTagObject = 0xFABADAA1,
    kTagSceneData = 0xFABADAA2,
    kTagCamera = 0xFABADAA3,
    kTagFluidLinks = 0xFABADAA4,
    kTagSettings = 0xFABADAA5,
    kTagGridWindow = 0xFABADAA6,
    kTagFluid = 0xFABADAA7,
    kTagDaemon = 0xFABADAA8,
    kTagMesh = 0xFABADAA9,
    kTagObjects = 0xFABADAAA,
    kTagFluids = 0xFABADAAB,
    kTagDaemons = 0xFABADAAC,
    kTagLinks = 0xFABADAAD,
    kTagMeshes = 0xFABADAAE,
};

// Version of the workspace being read (or last read).
UNDALINE_API extern int workspace_version;

// Writes the scene to path through a temporary file beside it; the old file is replaced only
// once the new one is whole. false after "Saving workspace: globalfile error".
UNDALINE_API bool SaveWorkspace(const char* path);

// Replaces the scene with the one in path. A file that cannot be opened, is no workspace, is
// too old or newer than this program is refused with its message. So is a file any section of
// which cannot be read whole (cut short, a count or value it cannot mean): the section's
// message is shown and the scene from before the load is put back. A daemon or a fluid whose
// class is not loaded is passed over, and the links of the file keep pointing at the items
// they named. false when the file was refused.
UNDALINE_API bool LoadWorkspace(const char* path);

// "New workspace": every daemon and fluid removed, the clock at 0, the animated scene link
// dropped and the view toggles and camera back to their start.
UNDALINE_API void NewWorkspace();

// Steps the read position to just past the next occurrence of tag; false at the end of the
// file. Bytes that are not the tag are skipped one at a time, so unknown records are passed
// over.
UNDALINE_API bool FindTag(uint32_t tag);

// Records of subsystems above the fluid engine, written into their sections and read back.
// Until a subsystem installs its hooks its section holds a count of 0 and reads nothing.
struct WorkspaceHooks {
    int (*count_meshes)();
    bool (*write_mesh)(int index);
    bool (*read_mesh)();
    // After loading: the scene data file named in the workspace is imported again.
    void (*reimport_scene_data)(const char* path, bool locked);
    // After saving or loading: the window title follows the file name.
    void (*title)(const char* path);
    // After loading: the scene scale factor, formatted "%5.2f", for the preferences to show.
    void (*scale_factor)(const char* text);
};
// read_object and read_mesh return false only for a record that cannot be read (the file is
// then refused); an object whose geometry cannot be found is theirs to report and pass over.
UNDALINE_API WorkspaceHooks& GetWorkspaceHooks();

// One fluid's record (after its tag), written and read with the fluid's emitter, particles
// and springs.
UNDALINE_API bool WriteFluidRecord(Fluido* f);
UNDALINE_API Fluido* ReadFluidRecord();
