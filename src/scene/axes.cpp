#include "scene/axes.h"

#include "platform/message_box.h"
#include "scene/preferences.h"

Preferences prefs;

int host_platform = kPlatformLightwave;
float scene_scale = 1.0f;
int axis_mode = 1;
int AX = 0;
int AY = 1;
int AZ = 2;
int flag_plane = kMoveXZ;

namespace {

struct PlatformRow {
    int family;
    int ax, ay, az;
    int plane;
};

constexpr PlatformRow kRows[] = {
    {1, 0, 1, 2, kMoveXZ},  // Lightwave
    {2, 0, 2, 1, kMoveXY},  // 3D Studio MAX
    {3, 2, 1, 0, kMoveXY},  // Softimage
    {3, 2, 1, 0, kMoveXZ},  // Maya, Y up
    {2, 0, 2, 1, kMoveXY},  // Maya, Z up
};

}  // namespace

bool PlatformAxes(int platform, int* family, int axes[3]) {
    const bool known = platform >= kPlatformLightwave && platform <= kPlatformMayaZUp;
    const PlatformRow& row = kRows[known ? platform - 1 : 0];
    *family = row.family;
    axes[0] = row.ax;
    axes[1] = row.ay;
    axes[2] = row.az;
    return known;
}

void ApplyPlatform(int platform) {
    if (platform < kPlatformLightwave || platform > kPlatformMayaZUp) {
        platform::MessageBox("Warning: Unknown server id. Switching to Lightwave");
        scene_scale = 1.0f;
        platform = kPlatformLightwave;
    }
    const PlatformRow& row = kRows[platform - 1];
    host_platform = platform;
    axis_mode = row.family;
    AX = row.ax;
    AY = row.ay;
    AZ = row.az;
    flag_plane = row.plane;
}
