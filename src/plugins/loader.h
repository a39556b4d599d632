#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "export.h"

// The catalogue of plug-in libraries. A scan opens every "*.so" file of the plug-ins
// directory, reads and checks its class descriptors, copies what the panels and the plug-ins
// report show, and closes the library again; classes are loaded later, on demand, by the
// class registry (registry.h).

// The two libraries the program ships, which the panels recognise by name.
constexpr const char* kShippedEmitters = "emitters.so";
constexpr const char* kShippedDaemons = "daemons.so";

// Messages of classes a scan refuses.
constexpr const char* kMsgUnknownClass = "Unknown class id";
constexpr const char* kMsgDuplicatedClass = "Duplicated class id %d";
// A library file that does not hold what its headers say (a partial copy) is left out with
// this warning: the file name, then why.
constexpr const char* kMsgDamagedLibrary = " Plug-in %s skipped: %s";

// Classes a library may declare; a count beyond it is read up to it.
constexpr int kMaxClassesPerLibrary = 4096;

// What the catalogue keeps of one accepted class.
struct UNDALINE_API PluginClass {
    int kind = 0;
    int class_id = 0;
    char name[50] = {};
    char description[256] = {};
    char label[20] = {};
    char details[256] = {};
    char stamp[12] = {};
    float version = 0.0f;
    int index = 0;  // position of the class in the library (the argument of ExClassDesc)
};

// The directory entry a scan found.
struct UNDALINE_API PluginFileInfo {
    std::string name;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};
};

// One library that could be read, in scan order.
struct UNDALINE_API PluginLibrary {
    char file[256] = {};
    PluginFileInfo info;
    void* module = nullptr;  // the loaded library; null while it is unloaded
    float version = -1.0f;   // ExDllVersion; -1 until read
    std::vector<PluginClass> classes;    // accepted classes
    std::vector<std::string> rejected;   // one message (at most 255 characters) per refusal
};

// The plug-ins directory; by default "plugins" in the application directory.
UNDALINE_API std::string PluginsDirectory();
UNDALINE_API void SetPluginsDirectory(const std::string& dir);
// The directory to scan for a configured one: the same, except that the default "plugins"
// beside the program, when it does not exist, gives way to where an installed program keeps
// its plug-ins (with its libraries), if that exists.
UNDALINE_API std::string ResolvePluginsDirectory(const std::string& configured);

// Rebuilds the catalogue from the plug-ins directory, in file-name order. Classes that nothing
// in the scene uses are deactivated first; classes still in use stay active and their
// libraries loaded. A directory that cannot be read gives an empty catalogue and true; false
// only when the directory exists but holds no library file. Libraries that cannot be loaded
// or lack ExNumberOfClasses, ExDllVersion or ExClassDesc are left out; a damaged library
// file (see platform/library_file.h) is left out with the warning kMsgDamagedLibrary.
UNDALINE_API bool ScanPlugins();

UNDALINE_API int PluginLibraryCount();
UNDALINE_API const PluginLibrary* PluginLibraryAt(int index);
// The library that lists class_id and, in *position, the class's position among its accepted
// classes; null when no library lists it.
UNDALINE_API const PluginLibrary* FindPluginClass(int class_id, int* position = nullptr);
