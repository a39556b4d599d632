#pragma once

// State the loader and the class registry share; not part of the installed interface.

#include <string>
#include <vector>

#include "plugins/loader.h"

class Descriptor;

namespace plugins_private {

struct RegistryEntry {
    Descriptor* descriptor;
    void* module;      // the library the class came from, loaded while the entry exists
    std::string path;  // that library's file
};

std::vector<PluginLibrary>& Libraries();
std::vector<RegistryEntry>& Registry();
// The directory of the last scan, from which classes are loaded.
std::string& ScannedDirectory();
// Lets the scene release classes once objects are deleted.
void InstallRegistryHooks();

}  // namespace plugins_private
