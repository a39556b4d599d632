#pragma once

#include "export.h"

// The animated scene (scene-data file) the object list may hold: whether it is locked against
// editing its objects, and the file it came from. The workspace keeps both.
UNDALINE_API extern unsigned char sd_locked;
UNDALINE_API extern char sd_path[256];

// Unlocks the animated scene and forgets its file; part of removing every object.
UNDALINE_API void CloseSceneData();
