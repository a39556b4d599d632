#pragma once

#include <cstdint>

#include "platform/dialog.h"

namespace ui {

// The "Preferences" window on the dialog layer: host platform, scale factor, viewport
// settings, the content directories, the numeric-field preferences and "Use multithreading".
// Every field is read when it loses the focus; closing it writes the configuration file.
enum PreferencesControl {
    kIdPlatformFirst = 6001,  // five radio buttons, platform 1 to 5
    kIdScale = 6010,
    kIdBackground = 6011,
    kIdGridDimension = 6012,
    kIdGridSquare = 6013,
    kIdCulling = 6014,
    kIdOnlyAtFrames = 6015,
    kIdMultithreading = 6016,
    kIdPluginsDir = 6020,
    kIdScenesDir = 6021,
    kIdObjectsDir = 6022,
    kIdAutoSelection = 6030,
    kIdClickHoldDrag = 6031,
    kIdDecimals = 6032,
    kIdScrollingStep = 6033,
    kIdResetValues = 6040,
};

const platform::DialogTemplate* PreferencesTemplate();
intptr_t PreferencesProc(platform::Dialog* window, unsigned msg, uintptr_t wparam, intptr_t lparam);

// The colour dialog of the background button: 0xRRGGBB, or -1 when cancelled.
using ColourChooser = int (*)(int current);
void SetColourChooser(ColourChooser chooser);

// Shows the window (one for the program).
platform::Dialog* OpenPreferences();
// Shows the current values again when the window is open (the host platform changed).
void RefreshPreferences();

}  // namespace ui
