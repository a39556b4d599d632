#pragma once

#include <string>

#include "export.h"
#include "math/vector.h"

// The configuration file ("undaline.cfg"): the user's preferences between runs. It is a
// line-oriented text file whose order of lines is fixed; it is read once at start-up and
// written when the preferences window or the main window closes. The numeric-field and grid
// preferences live in `prefs` (scene/preferences.h), the platform and scale factor in
// scene/axes.h; the rest are the globals below.

constexpr int kRecentWorkspaces = 10;
constexpr int kConfigPathSize = 256;

UNDALINE_API extern Vector background_colour;       // viewport clear colour, channels 0..1
UNDALINE_API extern unsigned char backface_culling;  // objects' back faces are culled
UNDALINE_API extern char plugins_dir[kConfigPathSize];
UNDALINE_API extern char scenes_dir[kConfigPathSize];
UNDALINE_API extern char objects_dir[kConfigPathSize];
// Ring of recently used workspaces; recent_index is the slot the next one goes into, so the
// newest is just before it.
UNDALINE_API extern char recent_workspaces[kRecentWorkspaces][kConfigPathSize];
UNDALINE_API extern int recent_index;

namespace config {

// Every preference of the file to its start-up value, the directories under appdir and the
// ring emptied ("Reset values" in the preferences window keeps the ring).
UNDALINE_API void ResetConfiguration(bool keep_recent = false);

// The default content directories: "plugins", "scenes", "objects" in the application
// directory.
UNDALINE_API std::string DefaultDirectory(const char* name);

// Writes the file whole (temporary file, then rename). On failure "Error writing
// configuration file" goes to the message window, nothing is written and false is returned.
UNDALINE_API bool WriteConfigFile(const char* path);

// What reading found.
enum ReadResult { kConfigRead = 0, kConfigMissing = 1, kConfigBroken = 2 };
// Reads the file: a missing file, or one whose header or version is wrong, leaves every
// preference as it was. Values out of range are capped. Applying the result (the platform,
// the scale-factor correction) is left to ApplyConfiguration.
UNDALINE_API ReadResult ReadConfigFile(const char* path);

// After reading at start-up: a scale factor of 0 or less becomes 1.0 with "Error in scale
// scene. Control is reset to 1.0", empty directories take their defaults, the platform is
// applied (an unknown one switches to Lightwave).
UNDALINE_API void ApplyConfiguration();

// Where the file lives: "undaline.cfg" in the application directory when it can be written
// there, else in $XDG_CONFIG_HOME/undaline/ (~/.config/undaline/), created on demand.
UNDALINE_API std::string ConfigFilePath();

// A workspace was opened or saved: it becomes the newest entry of the ring (an entry for the
// same path moves rather than repeats).
UNDALINE_API void AddRecentWorkspace(const char* path);
// The ring's entries, newest first, empty ones left out.
UNDALINE_API int RecentWorkspaces(std::string out[kRecentWorkspaces]);

}  // namespace config
