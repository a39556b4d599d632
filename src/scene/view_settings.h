#pragma once

#include "export.h"
#include "math/vector.h"

// What the viewport shows and how, kept with the workspace: the camera, the display
// toggles and the image output of the frame capture.

struct Camera {
    Vector eye{0, 2, 6};
    Vector target{0, 0, 0};
    Vector up{0, 1, 0};
    int elevation = 20;  // degrees above the horizontal plane
    int azimuth = 30;    // degrees around the vertical axis
    float distance = 6.0f;
    int view_mode = 0;   // 0 perspective, 1 top, 2 front, 3 side
    Vector centre[3];    // middle of each orthographic view
    float zoom[3] = {2.0f, 2.0f, 2.0f};  // half-height of each orthographic view, at least 0.1
};

struct ViewSettings {
    float point_size = 2.0f;
    float particle_length = 1.0f;
    int view_axes = 1;
    int view_daemons = 1;
    int view_emitters = 1;
    unsigned char view_info = 1;
    int view_grid = 1;
    unsigned char view_particle_motion = 0;
    char message[256] = {};  // text drawn over the scene
    int message_x = 10;
    int message_y = 10;
    int slider_range[3][2] = {{0, 100}, {0, 100}, {0, 100}};
};

enum ImageFileType { kImageTarga = 18, kImageJpeg = 20, kImageAvi = 12 };

struct ImageOutput {
    char directory[256] = {};
    char sequence[50] = "frame";
    int file_type = kImageTarga;
};

UNDALINE_API extern Camera camera;
UNDALINE_API extern ViewSettings view_settings;
UNDALINE_API extern ImageOutput image_output;

// Back to the defaults above.
UNDALINE_API void ResetViewSettings();
