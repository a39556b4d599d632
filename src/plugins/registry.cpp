#include "plugins/registry.h"

#include <vector>

#include "platform/dynamic_library.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "plugins/plugin_private.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "scene/scene_hooks.h"

using plugins_private::Libraries;
using plugins_private::Registry;
using plugins_private::RegistryEntry;

namespace {

bool ModuleStillNeeded(void* module) {
    for (const RegistryEntry& e : Registry()) {
        if (e.module == module) return true;
    }
    return false;
}

void Unload(void* module) {
    platform::CloseLibrary(module);
    for (PluginLibrary& lib : Libraries()) {
        if (lib.module == module) lib.module = nullptr;
    }
}

// Removes entry i; the class's window goes first, while its procedure is still loaded, and the
// library last, once nothing registered comes from it.
void Deactivate(size_t i) {
    RegistryEntry entry = Registry()[i];
    DestroyParamWindow(entry.descriptor);
    Registry().erase(Registry().begin() + static_cast<long>(i));
    if (!ModuleStillNeeded(entry.module)) Unload(entry.module);
}

void ReleaseHook(Descriptor* d) { ReleasePluginClass(d); }
void ReleaseUnusedHook() { ReleaseUnusedPluginClasses(); }

}  // namespace

namespace plugins_private {

void InstallRegistryHooks() {
    ClassRegistryHooks hooks;
    hooks.release = ReleaseHook;
    hooks.release_unused = ReleaseUnusedHook;
    SetClassRegistryHooks(hooks);
}

}  // namespace plugins_private

int ActivatePluginClass(int class_id) {
    plugins_private::InstallRegistryHooks();
    int known = RegistryIndexOf(class_id);
    if (known >= 0) return known;

    int position = 0;
    const PluginLibrary* found = FindPluginClass(class_id, &position);
    if (!found) {
        platform::MessageBox(kMsgDescriptorNotFound, "Undaline", platform::kIconError);
        return -1;
    }
    PluginLibrary& lib = Libraries()[static_cast<size_t>(found - Libraries().data())];
    const PluginClass& cls = lib.classes[static_cast<size_t>(position)];
    std::string path = platform::JoinPath(plugins_private::ScannedDirectory(), lib.file);

    void* module = lib.module;
    bool loaded_here = false;
    if (!module) {
        module = platform::OpenLibrary(path);
        if (!module) {
            platform::MessageBox(kMsgLibraryNotFound, "Undaline", platform::kIconError);
            return -1;
        }
        loaded_here = true;
    }
    // The file may have changed since the scan: take the class only if it still is the one
    // the catalogue describes.
    auto desc_fn = reinterpret_cast<ExClassDescFn>(platform::LibrarySymbol(module, "ExClassDesc"));
    Descriptor* d = desc_fn ? desc_fn(cls.index) : nullptr;
    if (!d || d->class_id != class_id || d->kind != cls.kind) {
        if (loaded_here) platform::CloseLibrary(module);
        platform::MessageBox(kMsgLibraryNotFound, "Undaline", platform::kIconError);
        return -1;
    }

    lib.module = module;
    Registry().push_back(RegistryEntry{d, module, path});
    int index = RegistryLastIndex();
    d->CreateParam(module, d->kind == kClassDaemon ? DaemonPanel() : EmitterPanel());
    return index;
}

bool IsPluginClassInUse(const Descriptor* d) {
    if (!d) return false;
    for (Daemon* x = FirstDaemon(); x; x = NextDaemon(x)) {
        if (x->descriptor == d) return true;
    }
    return EmitterUses(d);
}

void ReleasePluginClass(Descriptor* d) {
    if (!d || IsPluginClassInUse(d)) return;
    for (size_t i = 0; i < Registry().size(); ++i) {
        if (Registry()[i].descriptor == d) {
            Deactivate(i);
            return;
        }
    }
}

void ReleaseUnusedPluginClasses() {
    for (size_t i = Registry().size(); i-- > 0;) {
        if (!IsPluginClassInUse(Registry()[i].descriptor)) Deactivate(i);
    }
}

void UnloadAllPlugins() {
    ReleaseUnusedPluginClasses();
    // Nothing else holds a library; a module left in a record would be one the registry lost.
    for (PluginLibrary& lib : Libraries()) {
        if (lib.module && !ModuleStillNeeded(lib.module)) Unload(lib.module);
    }
}

void RecreateParamWindows() {
    for (const RegistryEntry& e : Registry()) {
        Descriptor* d = e.descriptor;
        d->CreateParam(e.module, d->kind == kClassDaemon ? DaemonPanel() : EmitterPanel());
    }
}

void DestroyParamWindows() {
    for (const RegistryEntry& e : Registry()) DestroyParamWindow(e.descriptor);
}

int RegistryLastIndex() { return static_cast<int>(Registry().size()) - 1; }

Descriptor* RegisteredClass(int index) {
    if (index < 0 || index > RegistryLastIndex()) return nullptr;
    return Registry()[static_cast<size_t>(index)].descriptor;
}

int RegistryIndexOf(int class_id) {
    for (size_t i = 0; i < Registry().size(); ++i) {
        if (Registry()[i].descriptor->class_id == class_id) return static_cast<int>(i);
    }
    return -1;
}
