#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "fluid/engine_hooks.h"
#include "fluid/links.h"
#include "fluid/scene_tree.h"
#include "fluid_fixture.h"
#include "platform/messages.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/daemon_panel.h"
#include "scene/descriptor.h"
#include "node_class.h"

namespace {

ClassOf<Daemon> g_wind(kClassDaemon, 9101, "Wind");


// Objects stand in for bodies: the link lists only hold their addresses and ask the objects
// layer for their order and names.
struct FakeObject {
    std::string name;
};
std::vector<FakeObject*> g_objects;

Body* AsBody(FakeObject* o) { return reinterpret_cast<Body*>(o); }

Body* FirstObject() { return g_objects.empty() ? nullptr : AsBody(g_objects.front()); }
Body* NextObject(Body* b) {
    for (size_t i = 0; i + 1 < g_objects.size(); ++i) {
        if (AsBody(g_objects[i]) == b) return AsBody(g_objects[i + 1]);
    }
    return nullptr;
}
const char* ObjectName(const Body* b) { return reinterpret_cast<const FakeObject*>(b)->name.c_str(); }

class LinksTest : public FluidTest {
protected:
    void SetUp() override {
        FluidTest::SetUp();
        saved_ = EngineHooks();
        EngineHooks().first_object = FirstObject;
        EngineHooks().next_object = NextObject;
        EngineHooks().object_name = ObjectName;
        g_objects = {&cube_, &floor_, &wall_};
        platform::ResetMessages();
    }
    void TearDown() override {
        for (Fluido* f = rootflow; f; f = f->next) {
            if (f->emitter) f->emitter->link = nullptr;
        }
        FluidTest::TearDown();
        g_objects.clear();
        EngineHooks() = saved_;
    }

    Daemon* NewWind() {
        Daemon* d = CreaDaemon(&g_wind);
        EXPECT_NE(d, nullptr);
        return d;
    }
    static void Delete(Daemon* d) {
        d->AtaNodos();
        delete d;
    }
    static std::vector<Daemon*> Daemons(const Fluido* f) {
        return std::vector<Daemon*>(f->daemons, f->daemons + f->numDaemons);
    }
    static std::vector<Body*> Objects(const Fluido* f) {
        return std::vector<Body*>(f->objects, f->objects + f->numObjects);
    }
    static std::vector<Fluido*> Fluids(const Fluido* f) {
        return std::vector<Fluido*>(f->linkedFluids, f->linkedFluids + f->numLinkedFluids);
    }

    FakeObject cube_{"Cube"}, floor_{"Floor"}, wall_{"Wall"};
    Body* cube = AsBody(&cube_);
    Body* floor = AsBody(&floor_);
    Body* wall = AsBody(&wall_);

private:
    EngineHookTable saved_{};
};

TEST_F(LinksTest, ListsKeepInsertionOrderWithoutDuplicatesAndEmptyWithoutAnArray) {
    Fluido* f = MakeEmptyFluid();
    Daemon* a = NewWind();
    Daemon* b = NewWind();
    Daemon* c = NewWind();

    EXPECT_EQ(LinkDaemon(f, b), 0);
    EXPECT_EQ(LinkDaemon(f, a), 1);
    EXPECT_EQ(LinkDaemon(f, b), 0);  // already there: same place, no change
    EXPECT_EQ(LinkDaemon(f, c), 2);
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{b, a, c}));

    UnlinkDaemon(f, a);  // the middle one: the others keep their order
    Daemon stranger;
    UnlinkDaemon(f, &stranger);  // absent: nothing changes
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{b, c}));
    UnlinkDaemon(f, b);
    UnlinkDaemon(f, c);
    EXPECT_EQ(f->numDaemons, 0);
    EXPECT_EQ(f->daemons, nullptr);

    LinkObject(f, wall);
    CleanLinks(f, kLinkObjects);
    EXPECT_EQ(f->numObjects, 0);
    EXPECT_EQ(f->objects, nullptr);
    EXPECT_EQ(LinkFluid(f, f), -1);
    EXPECT_EQ(LinkDaemon(f, nullptr), -1);
    EXPECT_TRUE(ValidaLinks(f));
}

TEST_F(LinksTest, AnObjectTheEmitterFollowsIsLinkedWithAWarning) {
    Fluido* f = MakeEmptyFluid();
    f->emitter->link = floor;

    EXPECT_EQ(LinkObject(f, cube), 0);
    EXPECT_EQ(platform::LogText(), "");

    EXPECT_EQ(LinkObject(f, floor), 1);
    EXPECT_EQ(Objects(f), (std::vector<Body*>{cube, floor}));
    EXPECT_EQ(platform::StatusText(), " Warning: Empty is also linked to Floor");
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);

    // Linking it again changes nothing and says nothing more.
    std::string log = platform::LogText();
    EXPECT_EQ(LinkObject(f, floor), 1);
    EXPECT_EQ(platform::LogText(), log);
}

TEST_F(LinksTest, MenuCommandsLinkTheScenesItemsInSceneOrderNeverTheFluidItself) {
    Fluido* f = MakeEmptyFluid();
    Fluido* g = MakeEmptyFluid();
    Fluido* h = MakeEmptyFluid();
    Daemon* a = NewWind();
    Daemon* b = NewWind();
    Daemon outside;  // never added to the scene

    LinkDaemon(f, b);
    LinkAllDaemons(f);
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{b, a}));
    Daemon* chosen[] = {&outside, b, nullptr};
    LinkSelectedDaemons(g, chosen, 3);
    EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{b}));

    FakeObject loose{"Loose"};
    Body* picked[] = {wall, AsBody(&loose), cube};
    LinkSelectedObjects(g, picked, 3);
    LinkAllObjects(g);
    EXPECT_EQ(Objects(g), (std::vector<Body*>{wall, cube, floor}));

    LinkAllFluids(g);
    EXPECT_EQ(Fluids(g), (std::vector<Fluido*>{f, h}));
    Fluido* fluids[] = {h, f, g, h};
    LinkSelectedFluids(f, fluids, 4);
    EXPECT_EQ(Fluids(f), (std::vector<Fluido*>{h, g}));

    // The "Add to all fluids" buttons.
    AddFluidsToAllFluids(fluids, 4);
    EXPECT_EQ(Fluids(h), (std::vector<Fluido*>{f, g}));
    Daemon* both[] = {a, b};
    AddDaemonsToAllFluids(both, 2);
    EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{b, a}));
    Body* one[] = {floor};
    AddObjectsToAllFluids(one, 1);
    EXPECT_EQ(Objects(h), (std::vector<Body*>{floor}));
    for (Fluido* x : {f, g, h}) EXPECT_TRUE(ValidaLinks(x));
}

TEST_F(LinksTest, AllToAllTwiceEqualsOnceAndWhatLeavesTheSceneLeavesEveryList) {
    Fluido* f = MakeEmptyFluid();
    Fluido* g = MakeEmptyFluid();
    Fluido* h = MakeEmptyFluid();
    Daemon* a = NewWind();
    Daemon* b = NewWind();
    LinkObject(g, wall);  // already there: keeps its place ahead of the others
    for (int twice = 0; twice < 2; ++twice) {
        LinkAllToAll();
        EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{a, b}));
        EXPECT_EQ(Objects(f), (std::vector<Body*>{cube, floor, wall}));
        EXPECT_EQ(Objects(g), (std::vector<Body*>{wall, cube, floor}));
        EXPECT_EQ(Fluids(g), (std::vector<Fluido*>{f, h}));
    }

    Delete(a);
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{b}));
    EXPECT_EQ(Daemons(h), (std::vector<Daemon*>{b}));
    Delete(b);
    EXPECT_EQ(f->numDaemons, 0);
    EXPECT_EQ(f->daemons, nullptr);
    DeleteFluido(g);
    EXPECT_EQ(Fluids(f), (std::vector<Fluido*>{h}));
    EXPECT_EQ(Fluids(h), (std::vector<Fluido*>{f}));
    WithdrawObjectFromFluids(floor);
    EXPECT_EQ(Objects(f), (std::vector<Body*>{cube, wall}));
    EXPECT_EQ(Objects(h), (std::vector<Body*>{cube, wall}));

    CleanAllLinks();
    for (Fluido* x : {f, h}) {
        EXPECT_EQ(x->numDaemons + x->numObjects + x->numLinkedFluids, 0);
        EXPECT_TRUE(x->daemons == nullptr && x->objects == nullptr && x->linkedFluids == nullptr);
    }
}

TEST_F(LinksTest, ANewDaemonActsOnTheSceneOnlyFluid) {
    Daemon* before = NewDaemon(&g_wind);  // no fluid yet: nothing to join
    Fluido* f = MakeEmptyFluid();
    Daemon* d = NewDaemon(&g_wind);
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{d}));
    EXPECT_EQ(FindDaemonLink(f, before), -1);

    Fluido* g = MakeEmptyFluid();
    NewDaemon(&g_wind);  // two fluids: the user chooses
    EXPECT_EQ(Daemons(f), (std::vector<Daemon*>{d}));
    EXPECT_EQ(g->numDaemons, 0);
}

// The scene tree window's rows and the commands run on them.
TEST_F(LinksTest, TheTreeShowsEachFluidsListsAndItsCommandsEditThem) {
    Fluido* f = MakeEmptyFluid();
    Fluido* g = MakeEmptyFluid();
    Daemon* a = NewWind();
    Daemon* b = NewWind();
    LinkObject(f, floor);
    LinkFluid(f, g);
    auto labels = [] {
        std::vector<std::string> out;
        for (const scene_tree::Item& i : scene_tree::Build()) out.push_back(std::string(i.level, '-') + i.label);
        return out;
    };
    EXPECT_EQ(labels(), (std::vector<std::string>{"Empty", "-Daemons", "-Objects", "--Floor", "-Fluids", "--Empty 1",
                                                  "Empty 1", "-Daemons", "-Objects", "-Fluids"}));
    auto row = [](Fluido* fluid, int category, int level) {
        for (const scene_tree::Item& i : scene_tree::Build()) {
            if (i.fluid == fluid && i.category == category && i.level == level) return i;
        }
        return scene_tree::Item{-1, nullptr, 0, nullptr, ""};
    };
    scene_tree::Selection chosen;
    chosen.daemons = {b};
    chosen.fluids = {f, g};
    EXPECT_TRUE(scene_tree::Run(scene_tree::kInsertSelected, row(g, kLinkDaemons, 1), chosen));
    EXPECT_TRUE(scene_tree::Run(scene_tree::kInsertSelected, row(g, kLinkFluids, 1), chosen));
    EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{b}));
    EXPECT_EQ(Fluids(g), (std::vector<Fluido*>{f}));  // never itself
    EXPECT_TRUE(scene_tree::Run(scene_tree::kInsertAll, row(g, kLinkDaemons, 1), chosen));
    EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{b, a}));
    // "Remove item" takes a linked item out; on a category it does not apply.
    EXPECT_FALSE(scene_tree::Run(scene_tree::kRemoveItem, row(g, kLinkDaemons, 1), chosen));
    EXPECT_TRUE(scene_tree::Run(scene_tree::kRemoveItem, row(g, kLinkDaemons, 2), chosen));
    EXPECT_EQ(Daemons(g), (std::vector<Daemon*>{a}));
    EXPECT_TRUE(scene_tree::Run(scene_tree::kCleanList, row(f, kLinkObjects, 1), chosen));
    EXPECT_EQ(f->objects, nullptr);
    EXPECT_STREQ(scene_tree::CommandText(kLinkObjects, scene_tree::kInsertSelected), "Insert objects from selection");
    EXPECT_STREQ(scene_tree::CommandText(kLinkFluids, scene_tree::kCleanList), "Clean list of fluids");
    // A fluid gone from the scene takes no command.
    const scene_tree::Item stale = row(g, kLinkDaemons, 1);
    DeleteFluido(g);
    EXPECT_FALSE(scene_tree::Run(scene_tree::kInsertAll, stale, chosen));
}

}  // namespace
