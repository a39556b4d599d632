#include "io/config.h"

#include <strings.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "platform/whole_file.h"
#include "scene/axes.h"
#include "scene/preferences.h"

Vector background_colour{0, 0, 0};
unsigned char backface_culling = 0;
char plugins_dir[kConfigPathSize] = {};
char scenes_dir[kConfigPathSize] = {};
char objects_dir[kConfigPathSize] = {};
char recent_workspaces[kRecentWorkspaces][kConfigPathSize] = {};
int recent_index = 0;

namespace config {
namespace {

constexpr float kConfigVersion = 1.6f;
constexpr int kLineSize = 256;

struct Directory {
    char* value;
    const char* name;
    const char* label;
};

const Directory kDirectories[] = {
    {plugins_dir, "plugins", "Plug-ins directory:\n"},
    {scenes_dir, "scenes", "Scene directory:\n"},
    {objects_dir, "objects", "Objects directory:\n"},
};

// Reads one line as the fixed 256-byte line buffer does: a longer line is read in pieces.
class LineReader {
public:
    explicit LineReader(FILE* f) : f_(f) {}
    // The next line (with its newline) in buf; false at the end of the file.
    bool Next(char* buf) { return std::fgets(buf, kLineSize, f_) != nullptr; }
    // Skips the label line and reads the value line after it.
    bool Value(char* buf) { return Next(buf) && Next(buf); }

private:
    FILE* f_;
};

template <class T>
T Cap(T v, T lo, T hi) {
    return v < lo ? lo : (v > hi ? hi : v);
}

void ReadDirectory(LineReader& in, const Directory& d) {
    char line[kLineSize];
    if (!in.Value(line)) return;
    size_t n = std::strlen(line);
    if (n > 0) line[n - 1] = '\0';  // the newline (or, on a line without one, its last byte)
    if (strcasecmp(line, "default") == 0) {
        platform::CopyText(d.value, kConfigPathSize, DefaultDirectory(d.name).c_str());
    } else {
        platform::CopyText(d.value, kConfigPathSize, line);
    }
}

}  // namespace

std::string DefaultDirectory(const char* name) { return platform::JoinPath(platform::AppDir(), name); }

void ResetConfiguration(bool keep_recent) {
    prefs = Preferences{};
    host_platform = kPlatformLightwave;
    scene_scale = 1.0f;
    background_colour = Vector(0, 0, 0);
    backface_culling = 0;
    for (const Directory& d : kDirectories) {
        platform::CopyText(d.value, kConfigPathSize, DefaultDirectory(d.name).c_str());
    }
    if (!keep_recent) {
        std::memset(recent_workspaces, 0, sizeof recent_workspaces);
        recent_index = 0;
    }
}

bool WriteConfigFile(const char* path) {
    using platform::Format;
    std::string s = "Undaline configuration file\n";
    s += "Please, don't change the order neither remove the following lines\n";
    s += Format("%f\n", static_cast<double>(kConfigVersion));
    s += "Platform (1=LW 2=MAX 3=SI 4=MAYA):\n" + Format("%d\n", host_platform);
    s += "Background color:\n" + Format("%f %f %f\n", static_cast<double>(background_colour.x),
                                        static_cast<double>(background_colour.y),
                                        static_cast<double>(background_colour.z));
    s += "Grid dimension:\n" + Format("%d\n", prefs.grid_dimension);
    s += "Grid square:\n" + Format("%f\n", static_cast<double>(prefs.grid_square));
    s += "Object back face culling:\n" + Format("%d\n", backface_culling);
    s += "Display only at frames:\n" + Format("%d\n", prefs.display_only_at_frames);
    s += "Scene scale factor:\n" + Format("%f\n", static_cast<double>(scene_scale));
    for (const Directory& d : kDirectories) {
        s += d.label;
        bool is_default = strcasecmp(d.value, DefaultDirectory(d.name).c_str()) == 0;
        s += is_default ? std::string("default\n") : Format("%s\n", d.value);
    }
    s += "Numeric controls:\n";
    s += Format("%d %d\n", prefs.auto_selection, prefs.click_hold_drag);
    s += Format("%d %f\n", prefs.decimals, static_cast<double>(prefs.scrolling_step));
    s += "Workspaces:\n";
    for (int i = 0; i < kRecentWorkspaces; ++i) {
        const char* entry = recent_workspaces[(recent_index + i) % kRecentWorkspaces];
        if (!entry[0]) continue;
        s.append(entry, ::strnlen(entry, kConfigPathSize - 1));
        s.push_back('\0');  // ends the path the reader copies, before the newline
        s.push_back('\n');
    }
    if (!path || !platform::WriteWholeFile(path, s.data(), s.size())) {
        RedWarning("Error writing configuration file");
        return false;
    }
    return true;
}

ReadResult ReadConfigFile(const char* path) {
    FILE* f = path ? std::fopen(path, "rb") : nullptr;
    if (!f) return kConfigMissing;
    LineReader in(f);
    char line[kLineSize];
    float version = 0.0f;
    if (!in.Next(line) || !in.Next(line) || !in.Next(line) || std::sscanf(line, "%f", &version) != 1 ||
        version != kConfigVersion) {
        std::fclose(f);
        return kConfigBroken;
    }
    // Each value is scanned into a copy, so a line that does not scan keeps what was there.
    int i = 0;
    float x = 0, y = 0, z = 0;
    if (in.Value(line) && std::sscanf(line, "%d", &i) == 1) host_platform = i;
    if (in.Value(line) && std::sscanf(line, "%f %f %f", &x, &y, &z) == 3) {
        background_colour = Vector(Cap(x, 0.0f, 1.0f), Cap(y, 0.0f, 1.0f), Cap(z, 0.0f, 1.0f));
    }
    if (in.Value(line) && std::sscanf(line, "%d", &i) == 1) prefs.grid_dimension = Cap(i, 0, 1000);
    if (in.Value(line) && std::sscanf(line, "%f", &x) == 1 && x > 0.0f) {
        prefs.grid_square = x > 1000.0f ? 1000.0f : x;
    }
    if (in.Value(line) && std::sscanf(line, "%d", &i) == 1) backface_culling = i != 0;
    if (in.Value(line) && std::sscanf(line, "%d", &i) == 1) prefs.display_only_at_frames = i != 0;
    if (in.Value(line) && std::sscanf(line, "%f", &x) == 1) scene_scale = x;
    for (const Directory& d : kDirectories) ReadDirectory(in, d);
    int a = 0, b = 0;
    if (in.Value(line) && std::sscanf(line, "%d %d", &a, &b) == 2) {
        prefs.auto_selection = a != 0;
        prefs.click_hold_drag = b != 0;
    }
    if (in.Next(line) && std::sscanf(line, "%d %f", &a, &x) == 2) {
        prefs.decimals = Cap(a, 1, 3);
        prefs.scrolling_step = Cap(x, 0.0f, 666.0f);
    }
    if (in.Next(line)) {  // "Workspaces:"
        std::memset(recent_workspaces, 0, sizeof recent_workspaces);
        int n = 0;
        while (n < kRecentWorkspaces && in.Next(line)) {
            // Up to the NUL the writer puts before the newline; a hand-written line has none.
            size_t len = ::strnlen(line, kLineSize);
            if (len > 0 && line[len - 1] == '\n') line[--len] = '\0';
            if (len == 0) continue;
            platform::CopyText(recent_workspaces[n++], kConfigPathSize, line);
        }
        recent_index = n % kRecentWorkspaces;
    }
    std::fclose(f);
    return kConfigRead;
}

void ApplyConfiguration() {
    if (!(scene_scale > 0.0f)) {
        RedWarning("Error in scale scene. Control is reset to 1.0");
        scene_scale = 1.0f;
    }
    for (const Directory& d : kDirectories) {
        if (!d.value[0]) platform::CopyText(d.value, kConfigPathSize, DefaultDirectory(d.name).c_str());
    }
    ApplyPlatform(host_platform);
}

std::string ConfigFilePath() {
    const std::string app = platform::AppDir();
    if (!app.empty() && ::access(app.c_str(), W_OK) == 0) return platform::JoinPath(app, "undaline.cfg");
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0]) {
        base = platform::JoinPath(home, ".config");
    } else {
        base = "/tmp";
    }
    std::string dir = platform::JoinPath(base, "undaline");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return platform::JoinPath(dir, "undaline.cfg");
}

void AddRecentWorkspace(const char* path) {
    if (!path || !path[0]) return;
    char entry[kConfigPathSize];
    platform::CopyText(entry, kConfigPathSize, path);
    // Take the path out of the ring first, keeping the others in their order.
    std::string kept[kRecentWorkspaces];
    int n = 0;
    for (int i = 0; i < kRecentWorkspaces; ++i) {
        const char* e = recent_workspaces[(recent_index + i) % kRecentWorkspaces];
        if (e[0] && std::strcmp(e, entry) != 0) kept[n++] = e;
    }
    std::memset(recent_workspaces, 0, sizeof recent_workspaces);
    int start = n == kRecentWorkspaces ? 1 : 0;  // a full ring drops its oldest
    int slot = 0;
    for (int i = start; i < n; ++i) platform::CopyText(recent_workspaces[slot++], kConfigPathSize, kept[i].c_str());
    platform::CopyText(recent_workspaces[slot++], kConfigPathSize, entry);
    recent_index = slot % kRecentWorkspaces;
}

int RecentWorkspaces(std::string out[kRecentWorkspaces]) {
    int n = 0;
    for (int i = 1; i <= kRecentWorkspaces; ++i) {
        const char* e = recent_workspaces[(recent_index - i + kRecentWorkspaces) % kRecentWorkspaces];
        if (e[0]) out[n++] = e;
    }
    return n;
}

}  // namespace config
