#include "objects/scene_data.h"

unsigned char sd_locked = 0;
char sd_path[256] = {};

void CloseSceneData() {
    sd_locked = 0;
    sd_path[0] = '\0';
}
