#pragma once

#include "export.h"

// Host platform and axis mapping. Scenes come from 3D packages with different axis
// conventions: the platform picks the rotation order of nodes (axis_mode) and which vector
// component panels and files show as x, y and z (AX, AY, AZ).

enum HostPlatform {
    kPlatformLightwave = 1,
    kPlatformMax = 2,
    kPlatformSoftimage = 3,
    kPlatformMayaYUp = 4,
    kPlatformMayaZUp = 5,
};

UNDALINE_API extern int host_platform;  // 1 to 5
UNDALINE_API extern float scene_scale;  // imported coordinates are multiplied by it
UNDALINE_API extern int axis_mode;      // 1, 2 or 3
UNDALINE_API extern int AX;
UNDALINE_API extern int AY;
UNDALINE_API extern int AZ;
// Working plane or axis of the move tool: 0 x, 1 y, 2 z, 3 XZ, 4 YZ, 5 XY (shown components).
UNDALINE_API extern int flag_plane;

enum WorkingPlane { kMoveX = 0, kMoveY = 1, kMoveZ = 2, kMoveXZ = 3, kMoveYZ = 4, kMoveXY = 5 };

// Sets host_platform, axis_mode, AX, AY, AZ and the platform's default working plane. Any
// number outside 1 to 5 warns, falls back to Lightwave and resets the scene scale to 1.
UNDALINE_API void ApplyPlatform(int platform);
// What ApplyPlatform would set for a platform, without setting it: the axis family and the
// component indices AX, AY, AZ. false (and Lightwave's values) for a number outside 1 to 5.
UNDALINE_API bool PlatformAxes(int platform, int* family, int axes[3]);
