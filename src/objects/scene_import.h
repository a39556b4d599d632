#pragma once

#include <cstdint>

#include "export.h"
#include "platform/dialog.h"

class Body;

// "Import scene": the objects of a whole scene file from a host package (Lightwave scenes,
// 3D Studio files and 3D Studio MAX ASCII exports), or an animated scene-data file, added to
// the object list. Lights, cameras and materials are not imported.

// The "Import scene options" dialog: what happens to the scene before the file is read.
enum SceneImportChoice { kSceneCancel = 0, kSceneReplace = 1, kSceneReset = 2, kSceneAdd = 3 };
enum SceneOptionsControl { kIdSceneAdd = 5701, kIdSceneReplace = 5702, kIdSceneReset = 5703 };
UNDALINE_API const platform::DialogTemplate* SceneOptionsTemplate();
// Its procedure; the creation parameter points at an int that receives the choice (-1 while
// the dialog is open).
UNDALINE_API intptr_t SceneOptionsProc(platform::Dialog* dialog, unsigned msg, uintptr_t wparam,
                                       intptr_t lparam);
// Shows the dialog modally and returns the choice ("Reset workspace" preselected; for a
// scene-data file "Add new objects to the scene" cannot be chosen).
UNDALINE_API int AskSceneImportOptions(bool scene_data);

// The command: the "Import Scene" file dialog, then ImportSceneFile. false when nothing was
// imported.
UNDALINE_API bool ImportScene();
// The command for a chosen file: a file of another type is refused with "Unknown file format"
// before anything changes; then the options, the action chosen, and the file's reader. The
// scene is marked changed and redrawn.
UNDALINE_API bool ImportSceneFile(const char* path);

// The new-workspace operation "Reset workspace" runs: true when the scene was cleared, false
// when the user declined. The workspace layer installs one that asks first; the desktop
// application installs its own.
UNDALINE_API void SetNewWorkspaceHandler(bool (*handler)());

// Applies a host platform chosen by an import and shows it in the environment selector (the
// desktop application installs the hook that does).
UNDALINE_API void SwitchHostPlatform(int platform);
UNDALINE_API void SetPlatformShownHook(void (*hook)(int platform));

// The scene readers. Every body made is appended to the object list, listed and selected.
//
// Lightwave scene: each "LoadObject" (and "LoadObjectLayer") object is read with the LWO
// reader and placed by the first key of its motion; each "AddNullObject" gives a body without
// geometry named "Null". A LWO that cannot be read ends the import there; the objects read
// before it stay.
UNDALINE_API bool LoadLwsScene(const char* path);
// 3D Studio MAX ASCII export and 3D Studio file: one body per mesh, named after it. With
// only_name, only the mesh of that name (ASCII case ignored) is read, and *made receives its
// body. A file that is refused changes nothing.
UNDALINE_API bool LoadAseScene(const char* path, const char* only_name = nullptr,
                               Body** made = nullptr);
UNDALINE_API bool Load3dsScene(const char* path, const char* only_name = nullptr,
                               Body** made = nullptr);
