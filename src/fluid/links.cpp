#include "fluid/links.h"

#include <cstdlib>
#include <cstring>
#include <string>

#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/daemon.h"

namespace {

// The three lists differ only in their element type; these work on any of them.
template <typename T>
int Find(T* const* list, int count, const T* item) {
    for (int i = 0; i < count; ++i) {
        if (list[i] == item) return i;
    }
    return -1;
}

template <typename T>
int Append(T**& list, int& count, T* item) {
    if (count < 0) count = 0;
    int at = Find(list, count, item);
    if (at >= 0) return at;
    void* grown = std::realloc(list, sizeof(T*) * (static_cast<size_t>(count) + 1));
    if (!grown) return -1;
    list = static_cast<T**>(grown);
    list[count] = item;
    return count++;
}

template <typename T>
void Remove(T**& list, int& count, const T* item) {
    int at = Find(list, count, item);
    if (at < 0) return;
    if (count == 1) {
        std::free(list);
        list = nullptr;
        count = 0;
        return;
    }
    std::memmove(list + at, list + at + 1, sizeof(T*) * static_cast<size_t>(count - at - 1));
    --count;
    // Shrinking cannot lose the entries: a failed realloc leaves the larger array in place.
    if (void* shrunk = std::realloc(list, sizeof(T*) * static_cast<size_t>(count))) {
        list = static_cast<T**>(shrunk);
    }
}

template <typename T>
void Clear(T**& list, int& count) {
    std::free(list);
    list = nullptr;
    count = 0;
}

template <typename T>
bool ListIsSound(T* const* list, int count) {
    if (count < 0 || (count == 0) != (list == nullptr)) return false;
    for (int i = 0; i < count; ++i) {
        if (!list[i] || Find(list, i, list[i]) >= 0) return false;
    }
    return true;
}

// The emitter's name field may lack its terminator when a plug-in filled it.
std::string EmitterName(const Creador* emitter) {
    return std::string(emitter->name, strnlen(emitter->name, sizeof emitter->name));
}

bool InScene(const Daemon* daemon) {
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) {
        if (d == daemon) return true;
    }
    return false;
}

bool InScene(const Body* object) {
    for (Body* b = engine_hooks::FirstObject(); b; b = engine_hooks::NextObject(b)) {
        if (b == object) return true;
    }
    return false;
}

bool InScene(const Fluido* fluid) {
    for (Fluido* f = rootflow; f; f = f->next) {
        if (f == fluid) return true;
    }
    return false;
}

}  // namespace

int LinkDaemon(Fluido* fluid, Daemon* daemon) {
    if (!fluid || !daemon) return -1;
    return Append(fluid->daemons, fluid->numDaemons, daemon);
}

int LinkObject(Fluido* fluid, Body* object) {
    if (!fluid || !object) return -1;
    int before = fluid->numObjects;
    int at = Append(fluid->objects, fluid->numObjects, object);
    bool added = at >= 0 && fluid->numObjects > before;
    if (added && fluid->emitter && fluid->emitter->link == object) {
        std::string text = platform::Format(" Warning: %s is also linked to %s",
                                            EmitterName(fluid->emitter).c_str(),
                                            engine_hooks::ObjectName(object));
        RedWarning(text.c_str());
    }
    return at;
}

int LinkFluid(Fluido* fluid, Fluido* other) {
    if (!fluid || !other || other == fluid) return -1;
    return Append(fluid->linkedFluids, fluid->numLinkedFluids, other);
}

void UnlinkDaemon(Fluido* fluid, Daemon* daemon) {
    if (fluid) Remove(fluid->daemons, fluid->numDaemons, daemon);
}

void UnlinkObject(Fluido* fluid, Body* object) {
    if (fluid) Remove(fluid->objects, fluid->numObjects, object);
}

void UnlinkFluid(Fluido* fluid, Fluido* other) {
    if (fluid) Remove(fluid->linkedFluids, fluid->numLinkedFluids, other);
}

void CleanLinks(Fluido* fluid, int kind) {
    if (!fluid) return;
    switch (kind) {
        case kLinkDaemons: Clear(fluid->daemons, fluid->numDaemons); break;
        case kLinkObjects: Clear(fluid->objects, fluid->numObjects); break;
        case kLinkFluids: Clear(fluid->linkedFluids, fluid->numLinkedFluids); break;
        default: break;
    }
}

int FindDaemonLink(const Fluido* fluid, const Daemon* daemon) {
    return fluid ? Find(fluid->daemons, fluid->numDaemons, daemon) : -1;
}

int FindObjectLink(const Fluido* fluid, const Body* object) {
    return fluid ? Find(fluid->objects, fluid->numObjects, object) : -1;
}

int FindFluidLink(const Fluido* fluid, const Fluido* other) {
    return fluid ? Find(fluid->linkedFluids, fluid->numLinkedFluids, other) : -1;
}

void WithdrawDaemonFromFluids(Daemon* daemon) {
    for (Fluido* f = rootflow; f; f = f->next) UnlinkDaemon(f, daemon);
}

void WithdrawObjectFromFluids(Body* object) {
    for (Fluido* f = rootflow; f; f = f->next) UnlinkObject(f, object);
}

void WithdrawFluidFromFluids(Fluido* fluid) {
    for (Fluido* f = rootflow; f; f = f->next) UnlinkFluid(f, fluid);
}

void AssignDaemonToOnlyFluid(Daemon* daemon) {
    if (rootflow && !rootflow->next) LinkDaemon(rootflow, daemon);
}

void LinkSelectedDaemons(Fluido* fluid, Daemon* const* daemons, int n) {
    for (int i = 0; daemons && i < n; ++i) {
        if (InScene(daemons[i])) LinkDaemon(fluid, daemons[i]);
    }
}

void LinkAllDaemons(Fluido* fluid) {
    for (Daemon* d = FirstDaemon(); d; d = NextDaemon(d)) LinkDaemon(fluid, d);
}

void LinkSelectedObjects(Fluido* fluid, Body* const* objects, int n) {
    for (int i = 0; objects && i < n; ++i) {
        if (InScene(objects[i])) LinkObject(fluid, objects[i]);
    }
}

void LinkAllObjects(Fluido* fluid) {
    for (Body* b = engine_hooks::FirstObject(); b; b = engine_hooks::NextObject(b)) {
        LinkObject(fluid, b);
    }
}

void LinkSelectedFluids(Fluido* fluid, Fluido* const* fluids, int n) {
    for (int i = 0; fluids && i < n; ++i) {
        if (InScene(fluids[i])) LinkFluid(fluid, fluids[i]);
    }
}

void LinkAllFluids(Fluido* fluid) {
    for (Fluido* f = rootflow; f; f = f->next) LinkFluid(fluid, f);
}

void AddDaemonsToAllFluids(Daemon* const* daemons, int n) {
    for (Fluido* f = rootflow; f; f = f->next) LinkSelectedDaemons(f, daemons, n);
}

void AddObjectsToAllFluids(Body* const* objects, int n) {
    for (Fluido* f = rootflow; f; f = f->next) LinkSelectedObjects(f, objects, n);
}

void AddFluidsToAllFluids(Fluido* const* fluids, int n) {
    for (Fluido* f = rootflow; f; f = f->next) LinkSelectedFluids(f, fluids, n);
}

void LinkAllToAll() {
    for (Fluido* f = rootflow; f; f = f->next) {
        LinkAllDaemons(f);
        LinkAllObjects(f);
        LinkAllFluids(f);
    }
}

void CleanAllLinks() {
    for (Fluido* f = rootflow; f; f = f->next) {
        CleanLinks(f, kLinkDaemons);
        CleanLinks(f, kLinkObjects);
        CleanLinks(f, kLinkFluids);
    }
}

bool ValidaLinks(const Fluido* fluid) {
    if (!fluid) return false;
    return ListIsSound(fluid->daemons, fluid->numDaemons) &&
           ListIsSound(fluid->objects, fluid->numObjects) &&
           ListIsSound(fluid->linkedFluids, fluid->numLinkedFluids) &&
           Find(fluid->linkedFluids, fluid->numLinkedFluids, fluid) < 0;
}
