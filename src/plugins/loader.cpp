#include "plugins/loader.h"

#include <algorithm>
#include <mutex>
#include <system_error>

#include "platform/dynamic_library.h"
#include "platform/format.h"
#include "platform/library_file.h"
#include "platform/messages.h"
#include "platform/paths.h"
#include "plugins/plugin_private.h"
#include "plugins/registry.h"
#include "scene/descriptor.h"

namespace plugins_private {

std::vector<PluginLibrary>& Libraries() {
    static std::vector<PluginLibrary>* libraries = new std::vector<PluginLibrary>;
    return *libraries;
}

std::vector<RegistryEntry>& Registry() {
    static std::vector<RegistryEntry>* registry = new std::vector<RegistryEntry>;
    return *registry;
}

std::string& ScannedDirectory() {
    static std::string* dir = new std::string;
    return *dir;
}

}  // namespace plugins_private

using plugins_private::Libraries;
using plugins_private::Registry;

namespace {

std::mutex g_dir_mutex;
std::string g_plugins_dir;

bool ListsClass(const std::vector<PluginLibrary>& libraries, int class_id) {
    for (const PluginLibrary& lib : libraries) {
        for (const PluginClass& c : lib.classes) {
            if (c.class_id == class_id) return true;
        }
    }
    return false;
}

PluginClass CopyClass(const Descriptor& d, int index) {
    PluginClass c;
    c.kind = d.kind;
    c.class_id = d.class_id;
    platform::CopyField(c.name, sizeof c.name, d.name, sizeof d.name);
    platform::CopyField(c.description, sizeof c.description, d.description, sizeof d.description);
    platform::CopyField(c.label, sizeof c.label, d.label, sizeof d.label);
    platform::CopyField(c.details, sizeof c.details, d.details, sizeof d.details);
    platform::CopyField(c.stamp, sizeof c.stamp, d.stamp, sizeof d.stamp);
    c.version = d.version;
    c.index = index;
    return c;
}

// Reads one library's catalogue; false when the library is left out.
bool ReadCatalogue(const std::filesystem::directory_entry& entry, PluginLibrary* out) {
    std::string path = entry.path().string();
    const std::string damaged = platform::CheckLibraryFile(path);
    if (!damaged.empty()) {
        RedWarning(platform::Format(kMsgDamagedLibrary, entry.path().filename().c_str(),
                                    damaged.c_str())
                       .c_str());
        return false;
    }
    void* module = platform::OpenLibrary(path);
    if (!module) return false;
    auto count_fn = reinterpret_cast<ExNumberOfClassesFn>(
        platform::LibrarySymbol(module, "ExNumberOfClasses"));
    auto version_fn =
        reinterpret_cast<ExDllVersionFn>(platform::LibrarySymbol(module, "ExDllVersion"));
    auto desc_fn = reinterpret_cast<ExClassDescFn>(platform::LibrarySymbol(module, "ExClassDesc"));
    if (!count_fn || !version_fn || !desc_fn) {
        platform::CloseLibrary(module);
        return false;
    }

    PluginLibrary lib;
    std::string name = entry.path().filename().string();
    platform::CopyText(lib.file, sizeof lib.file, name.c_str());
    std::error_code ec;
    lib.info.name = name;
    lib.info.size = entry.file_size(ec);
    if (ec) lib.info.size = 0;
    lib.info.modified = entry.last_write_time(ec);
    if (ec) lib.info.modified = {};

    int count = std::clamp(count_fn(), 0, kMaxClassesPerLibrary);
    lib.version = version_fn();
    for (int i = 0; i < count; ++i) {
        const Descriptor* d = desc_fn(i);
        if (!d || (d->kind != kClassDaemon && d->kind != kClassEmitter)) {
            lib.rejected.emplace_back(kMsgUnknownClass);
        } else if (ListsClass(Libraries(), d->class_id)) {
            std::string msg = platform::Format(kMsgDuplicatedClass, d->class_id);
            lib.rejected.push_back(msg.substr(0, 255));
        } else {
            lib.classes.push_back(CopyClass(*d, i));
        }
    }
    // The library is loaded again when one of its classes is activated.
    platform::CloseLibrary(module);
    *out = std::move(lib);
    return true;
}

bool IsLibraryFile(const std::filesystem::directory_entry& entry) {
    std::error_code ec;
    if (!entry.is_regular_file(ec)) return false;
    std::string name = entry.path().filename().string();
    return name.size() > 3 && name.compare(name.size() - 3, 3, ".so") == 0;
}

}  // namespace

std::string PluginsDirectory() {
    std::lock_guard<std::mutex> lock(g_dir_mutex);
    if (g_plugins_dir.empty()) return platform::JoinPath(platform::AppDir(), "plugins");
    return g_plugins_dir;
}

std::string ResolvePluginsDirectory(const std::string& configured) {
    const std::string beside = platform::JoinPath(platform::AppDir(), "plugins");
    std::error_code ec;
    if (configured != beside || std::filesystem::is_directory(beside, ec)) return configured;
    const std::string installed = platform::JoinPath(platform::AppDir(), UNDALINE_INSTALLED_PLUGINS);
    return std::filesystem::is_directory(installed, ec) ? installed : configured;
}

void SetPluginsDirectory(const std::string& dir) {
    std::lock_guard<std::mutex> lock(g_dir_mutex);
    g_plugins_dir = dir.substr(0, 255);
}

bool ScanPlugins() {
    plugins_private::InstallRegistryHooks();
    ReleaseUnusedPluginClasses();
    Libraries().clear();
    std::string dir = PluginsDirectory();
    plugins_private::ScannedDirectory() = dir;

    std::error_code ec;
    std::filesystem::directory_iterator it(dir, ec);
    if (ec) return true;
    // Sorted, so that which of two libraries claiming one class id keeps it never depends on
    // the order the file system lists them in.
    std::vector<std::filesystem::directory_entry> files;
    for (auto end = std::filesystem::directory_iterator(); it != end; it.increment(ec)) {
        if (ec) break;
        if (IsLibraryFile(*it)) files.push_back(*it);
    }
    if (files.empty()) return false;
    std::sort(files.begin(), files.end(), [](const auto& a, const auto& b) {
        return a.path().filename() < b.path().filename();
    });

    for (const auto& file : files) {
        PluginLibrary lib;
        if (ReadCatalogue(file, &lib)) Libraries().push_back(std::move(lib));
    }
    // Libraries whose classes stay active keep their module.
    for (PluginLibrary& lib : Libraries()) {
        std::string path = platform::JoinPath(dir, lib.file);
        for (const auto& entry : Registry()) {
            if (entry.path == path) lib.module = entry.module;
        }
    }
    return true;
}

int PluginLibraryCount() { return static_cast<int>(Libraries().size()); }

const PluginLibrary* PluginLibraryAt(int index) {
    if (index < 0 || index >= PluginLibraryCount()) return nullptr;
    return &Libraries()[static_cast<size_t>(index)];
}

const PluginLibrary* FindPluginClass(int class_id, int* position) {
    for (const PluginLibrary& lib : Libraries()) {
        for (size_t i = 0; i < lib.classes.size(); ++i) {
            if (lib.classes[i].class_id != class_id) continue;
            if (position) *position = static_cast<int>(i);
            return &lib;
        }
    }
    return nullptr;
}
