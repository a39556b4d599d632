#include "io/class_lookup.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "plugins/loader.h"
#include "plugins/registry.h"
#include "scene/descriptor.h"

namespace {

std::mutex g_mutex;
std::vector<Descriptor*>& InProcess() {
    static std::vector<Descriptor*>* classes = new std::vector<Descriptor*>;
    return *classes;
}

}  // namespace

Descriptor* LookupClass(int class_id) {
    int index = RegistryIndexOf(class_id);
    if (index < 0 && FindPluginClass(class_id)) index = ActivatePluginClass(class_id);
    if (index >= 0) return RegisteredClass(index);
    std::lock_guard<std::mutex> lock(g_mutex);
    for (Descriptor* d : InProcess()) {
        if (d->class_id == class_id) return d;
    }
    return nullptr;
}

void RegisterInProcessClass(Descriptor* d) {
    if (!d) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& classes = InProcess();
    if (std::find(classes.begin(), classes.end(), d) == classes.end()) classes.push_back(d);
}

void UnregisterInProcessClass(Descriptor* d) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& classes = InProcess();
    classes.erase(std::remove(classes.begin(), classes.end(), d), classes.end());
}
