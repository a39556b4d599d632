#pragma once

#include <vector>

#include "export.h"
#include "objects/sd_format.h"

class Body;

// The animated scene of a scene-data (SD) file: objects whose transform, or every vertex,
// changes from frame to frame. Importing reads the objects and the first two frames; while a
// full simulation runs, every step moves each SD body between the two frames it holds, and
// every frame end reads one more frame from the file, which stays open for that. SD bodies
// have origin 2. While the scene is locked they follow the file and cannot be edited;
// unlocked, they stand still and can be. The workspace keeps the lock and the file.

UNDALINE_API extern unsigned char sd_locked;
UNDALINE_API extern char sd_path[256];

// Reads path: the header, every object (appended to the object list, listed, selected) and
// the first two frames; the file's platform becomes the host platform, the scene is locked
// and its bodies stand at frame 0. A missing file goes through the "File not found" dialog
// ("Skip": "Error reading SD file: <path>"). A file that is no SD file, or is cut short before
// its first frame, is refused with that message and changes nothing.
UNDALINE_API bool ImportSceneData(const char* path);
// Whether an SD file is open.
UNDALINE_API bool SceneDataLoaded();
// Reads the next frame record into every SD body (start := end, end := the new frame). false
// at the end of the file, and, with "Error: scene file is not open", when none is open.
UNDALINE_API bool ReadNextSceneFrame();
// Moves b to the time tau (seconds into the current frame, frame duration from the
// simulation): position, angles, scale, pivot and matrix between the two keys, every vertex
// between its start and end, with the velocity of that interval. Once the file has ended the
// body stands at its last frame with zero velocities.
UNDALINE_API void InterpolateSceneBody(Body* b, float tau);
// Every SD body to tau, while the scene is locked (one simulation step).
UNDALINE_API void MoveSceneDataBodies(float tau);
// "Reset simulation": the frames are read again from the first, the bodies stand at frame 0.
UNDALINE_API void RewindSceneData();
// Steps the loaded scene on by n frames and puts its bodies at tau into the current one
// (a workspace reopened at a later frame).
UNDALINE_API void AdvanceSceneData(int n, float tau);
UNDALINE_API bool SceneDataEnded();
// The SD bodies in list order (the first bodies of origin 2, one per object of the file).
UNDALINE_API std::vector<Body*> SceneDataBodies();

// Lock and unlock, each with its message; unlocking stops the animation and enables the
// object panel's transform fields.
UNDALINE_API void LockSceneData();
UNDALINE_API void UnlockSceneData();
// "Lock/Unlock SD file" and "Delete" (the SD bodies go, the file is closed); both answer
// "No SD file was imported" when there is none.
UNDALINE_API void ToggleSceneDataLock();
UNDALINE_API void DeleteSceneData();

// Unlocks the animated scene and closes its file; part of removing every object.
UNDALINE_API void CloseSceneData();

// What the open file's header said, and how many of its bytes have been read.
UNDALINE_API const SdHeader& SceneDataHeader();
UNDALINE_API long SceneDataBytesRead();
