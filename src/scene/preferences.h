#pragma once

#include <cstdint>

#include "export.h"

// The user's preferences, kept between runs by the configuration file.
struct Preferences {
    uint8_t auto_selection = 1;     // releasing the button over a numeric field selects its text
    uint8_t click_hold_drag = 1;    // dragging vertically over a numeric field changes it
    int32_t decimals = 2;           // decimals shown in float fields, 1 to 3
    float scrolling_step = 0.1f;    // change of a float field per pixel dragged
    float grid_square = 1.0f;       // scene units, at most 1000
    int32_t grid_dimension = 100;   // squares, at most 1000
    uint8_t display_only_at_frames = 0;
};

UNDALINE_API extern Preferences prefs;
