#include "fluid/scene_tree.h"

#include "fluid/engine_hooks.h"
#include "fluid/fluido.h"
#include "fluid/links.h"
#include "scene/creador.h"
#include "scene/daemon.h"

namespace scene_tree {
namespace {

std::string FluidName(const Fluido* f) { return f && f->emitter ? f->emitter->name : ""; }

}  // namespace

std::vector<Item> Build() {
    std::vector<Item> rows;
    for (Fluido* f = rootflow; f; f = f->next) {
        rows.push_back({kFluidItem, f, 0, nullptr, FluidName(f)});
        rows.push_back({kCategoryItem, f, kLinkDaemons, nullptr, CategoryName(kLinkDaemons)});
        for (int i = 0; i < f->numDaemons; ++i) {
            rows.push_back({kLinkedItem, f, kLinkDaemons, f->daemons[i], f->daemons[i]->name});
        }
        rows.push_back({kCategoryItem, f, kLinkObjects, nullptr, CategoryName(kLinkObjects)});
        for (int i = 0; i < f->numObjects; ++i) {
            rows.push_back({kLinkedItem, f, kLinkObjects, f->objects[i], engine_hooks::ObjectName(f->objects[i])});
        }
        rows.push_back({kCategoryItem, f, kLinkFluids, nullptr, CategoryName(kLinkFluids)});
        for (int i = 0; i < f->numLinkedFluids; ++i) {
            rows.push_back({kLinkedItem, f, kLinkFluids, f->linkedFluids[i], FluidName(f->linkedFluids[i])});
        }
    }
    return rows;
}

const char* CategoryName(int category) {
    switch (category) {
        case kLinkDaemons: return "Daemons";
        case kLinkObjects: return "Objects";
        case kLinkFluids: return "Fluids";
        default: return "";
    }
}

const char* CommandText(int category, int command) {
    static const char* const kTexts[3][3] = {
        {"Insert daemons from selection", "Insert all daemons", "Clean list of daemons"},
        {"Insert objects from selection", "Insert all objects", "Clean list of objects"},
        {"Insert fluids from selection", "Insert all fluids", "Clean list of fluids"},
    };
    if (command == kRemoveItem) return "Remove item";
    if (category < kLinkDaemons || category > kLinkFluids || command < 0 || command > kCleanList) return "";
    return kTexts[category - 1][command];
}

bool Run(int command, const Item& item, const Selection& s) {
    Fluido* f = item.fluid;
    bool in_scene = false;
    for (Fluido* g = rootflow; g; g = g->next) in_scene = in_scene || g == f;
    if (!in_scene || item.level == kFluidItem) return false;
    if (command == kRemoveItem) {
        if (item.level != kLinkedItem) return false;
        if (item.category == kLinkDaemons) UnlinkDaemon(f, static_cast<Daemon*>(item.node));
        if (item.category == kLinkObjects) UnlinkObject(f, static_cast<Body*>(item.node));
        if (item.category == kLinkFluids) UnlinkFluid(f, static_cast<Fluido*>(item.node));
        return true;
    }
    switch (item.category * 10 + command) {
        case kLinkDaemons * 10 + kInsertSelected:
            LinkSelectedDaemons(f, s.daemons.data(), static_cast<int>(s.daemons.size()));
            return true;
        case kLinkDaemons * 10 + kInsertAll: LinkAllDaemons(f); return true;
        case kLinkObjects * 10 + kInsertSelected:
            LinkSelectedObjects(f, s.objects.data(), static_cast<int>(s.objects.size()));
            return true;
        case kLinkObjects * 10 + kInsertAll: LinkAllObjects(f); return true;
        case kLinkFluids * 10 + kInsertSelected:
            LinkSelectedFluids(f, s.fluids.data(), static_cast<int>(s.fluids.size()));
            return true;
        case kLinkFluids * 10 + kInsertAll: LinkAllFluids(f); return true;
        default:
            if (command != kCleanList) return false;
            CleanLinks(f, item.category);
            return true;
    }
}

void AddToAllFluids(int category, const Selection& s) {
    if (category == kLinkDaemons) AddDaemonsToAllFluids(s.daemons.data(), static_cast<int>(s.daemons.size()));
    if (category == kLinkObjects) AddObjectsToAllFluids(s.objects.data(), static_cast<int>(s.objects.size()));
    if (category == kLinkFluids) AddFluidsToAllFluids(s.fluids.data(), static_cast<int>(s.fluids.size()));
}

}  // namespace scene_tree
