#include <gtest/gtest.h>

#include <cstring>

#include "platform/ui_hooks.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/scene_hooks.h"
#include "plugin_classes.h"
#include "scene_fixture.h"

namespace {

using testing_classes::Called;
using testing_classes::Calls;
using testing_classes::FakeFluids;
using testing_classes::TestClass;

int g_repaints = 0;

class CreadorTest : public SceneTest {
protected:
    void SetUp() override {
        SceneTest::SetUp();
        objects_ = GetObjectHooks();
        FakeFluids::Install();
        Calls().clear();
        g_repaints = 0;
        platform::SetRepaintHook([] { ++g_repaints; });
    }
    void TearDown() override {
        // Fluids go before the hooks that describe them.
        while (!fluids().listed.empty()) fluids().DeleteFluid(0);
        FakeFluids::Remove();
        SetObjectHooks(objects_);
        platform::SetRepaintHook(nullptr);
        SceneTest::TearDown();
    }
    FakeFluids& fluids() { return FakeFluids::Get(); }
    ObjectHooks objects_;
    TestClass fountain{kClassEmitter, 101, "Fountain"};
};

TEST_F(CreadorTest, ANewEmitterTakesTheSmallestIdNotInUse) {
    EXPECT_EQ(Creador::seed, 0);
    Creador* a = fluids().AddFluid(&fountain);
    Creador* b = fluids().AddFluid(&fountain);
    Creador* c = fluids().AddFluid(&fountain);
    EXPECT_EQ((std::vector<int>{a->emitter_id, b->emitter_id, c->emitter_id}),
              (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Creador::seed, 3);

    // Deleting the highest: its id is free again, and 2 is still in use.
    fluids().DeleteFluid(2);
    EXPECT_EQ(fluids().AddFluid(&fountain)->emitter_id, 3);
    // Deleting one in the middle: the gap is filled first.
    fluids().DeleteFluid(1);
    EXPECT_EQ(fluids().AddFluid(&fountain)->emitter_id, 2);
    EXPECT_EQ(fluids().AddFluid(&fountain)->emitter_id, 4);
    while (!fluids().listed.empty()) fluids().DeleteFluid(0);
    EXPECT_EQ(Creador::seed, 0);  // the only fluid gives the seed back
    EXPECT_EQ(fluids().AddFluid(&fountain)->emitter_id, 1);

    // A reset forgets the count too.
    fluids().AddFluid(&fountain);
    ResetScene();
    EXPECT_EQ(Creador::seed, 0);
}

TEST_F(CreadorTest, CreationSetsClassFluidAndNameBeforePostCreation) {
    Creador* e = fluids().AddFluid(&fountain);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->kind, kKindEmitter);
    EXPECT_STREQ(e->name, "Fountain");
    EXPECT_EQ(e->descriptor, &fountain);
    ASSERT_EQ(fluids().events.size(), 1u);
    EXPECT_EQ(fluids().events[0], "attach unnamed");  // the fluid has it before it is named
    EXPECT_TRUE(Called("PostCreation Fountain +class +fluid"));

    // A class that gives something other than an emitter gives no emitter, and the object
    // is not leaked into the scene.
    TestClass odd(kClassEmitter, 102, "Odd");
    odd.give_wrong_kind = true;
    EXPECT_EQ(CreaEmisor(&odd, FakeFluids::AsFluid(7)), nullptr);
    EXPECT_EQ(root.next, nullptr);
    EXPECT_EQ(CreaEmisor(nullptr, FakeFluids::AsFluid(7)), nullptr);

    // A class name filling its buffer, with no terminator at all, is cut to the emitter's.
    std::memset(fountain.name, 'x', sizeof fountain.name);
    EXPECT_EQ(std::strlen(fluids().AddFluid(&fountain)->name), 49u);
}

TEST_F(CreadorTest, MovingAndRotatingRefreshTheParameterWindow) {
    Creador* e = fluids().AddFluid(&fountain);
    platform::Dialog* w = fountain.window;
    ApplyPlatform(kPlatformMax);  // shown x, y, z are components 0, 2, 1
    flag_plane = kMoveXY;
    e->Move(Vector(1, 2, 3));
    EXPECT_EQ(e->pos.x, 1);
    EXPECT_EQ(e->pos.z, 3);
    EXPECT_EQ(e->pos.y, 0);
    EXPECT_EQ(w->GetText(kIdPosY), " 3.00");
    EXPECT_TRUE(Called("CalculaDependientes"));
    EXPECT_FALSE(Called("UpdateLink"));  // free: nothing to follow

    Calls().clear();
    flag_plane = kMoveY;
    e->Rotate(30);
    EXPECT_EQ(e->rot.z, 30);
    EXPECT_EQ(w->GetText(kIdRotY), "30.00");
    flag_plane = kMoveXZ;  // not an axis: no rotation, but the panel is still refreshed
    w->SetText(kIdRotY, "stale");
    e->Rotate(45);
    EXPECT_EQ(e->rot.z, 30);
    EXPECT_EQ(w->GetText(kIdRotY), "30.00");
    EXPECT_TRUE(Called("CalculaDependientes"));

    // Linked, both follow the object.
    Nodo object;
    e->link = reinterpret_cast<Body*>(&object);
    Calls().clear();
    e->Move(Vector(0, 0, 0));
    e->Rotate(0);
    EXPECT_EQ(std::count(Calls().begin(), Calls().end(), "UpdateLink"), 2);
    e->link = nullptr;
}

TEST_F(CreadorTest, UndoShowsTheEmitterAgain) {
    Creador* e = fluids().AddFluid(&fountain);
    fountain.window->ShowWindow(false);
    fluids().events.clear();
    e->UndoChangePos();
    EXPECT_EQ(fluids().events, std::vector<std::string>{"common controls"});
    EXPECT_TRUE(fountain.window->IsWindowVisible());
    EXPECT_TRUE(Called("SetParameterBlock"));
    EXPECT_EQ(g_repaints, 1);
    // Without a window or hooks nothing breaks.
    FluidHooks installed = GetFluidHooks();
    SetFluidHooks(FluidHooks{});
    TestClass bare(kClassEmitter, 103, "Bare", false);
    Creador* lone = CreaEmisor(&bare, nullptr);
    lone->UndoChangePos();
    lone->Move(Vector(1, 1, 1));
    delete lone;
    SetFluidHooks(installed);
}

int g_cleared_bit = -1;
Body* g_cleared_object = nullptr;

TEST_F(CreadorTest, DestroyingALinkedEmitterClearsItsMaskBit) {
    ObjectHooks hooks;
    hooks.clear_emitter_mask = [](Body* object, int bit) {
        g_cleared_object = object;
        g_cleared_bit = bit;
    };
    SetObjectHooks(hooks);
    Nodo object;
    Creador* e = fluids().AddFluid(&fountain);
    e->emitter_id = 33;  // bit 1
    e->link = reinterpret_cast<Body*>(&object);
    fluids().DeleteFluid(0);
    EXPECT_EQ(g_cleared_object, reinterpret_cast<Body*>(&object));
    EXPECT_EQ(g_cleared_bit, 1);

    g_cleared_bit = -1;
    fluids().AddFluid(&fountain);
    fluids().DeleteFluid(0);  // not linked: no object to clear
    EXPECT_EQ(g_cleared_bit, -1);
}

}  // namespace
