// Copies of fluids and daemons: one at a time and in arrays, and the "Array of fluids" window.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fluid/clone.h"
#include "fluid/element_array.h"
#include "fluid/links.h"
#include "fluid_fixture.h"
#include "platform/dialog.h"
#include "scene/axes.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "scene/envelope.h"
#include "scene/fields.h"
#include "node_class.h"

namespace {

ClassOf<Daemon> g_vortex(kClassDaemon, 9111, "Vortex");

class CloneTest : public FluidTest {
protected:
    void SetUp() override {
        FluidTest::SetUp();
        array_settings = ArraySettings{};
        ApplyPlatform(kPlatformLightwave);
    }
    void TearDown() override {
        while (Daemon* d = FirstDaemon()) delete d;
        selnodo = nullptr;
        ApplyPlatform(kPlatformLightwave);
        FluidTest::TearDown();
    }
    Daemon* NewVortex(Vector pos, Vector rot = Vector(0, 0, 0)) {
        Daemon* d = CreaDaemon(&g_vortex);
        d->pos = pos;
        d->rot = rot;
        d->UpdateMatrix();
        selnodo = d;
        return d;
    }
    // Every daemon after `first` in list order: names and places.
    static std::vector<Daemon*> After(Daemon* first) {
        std::vector<Daemon*> out;
        for (Daemon* d = NextDaemon(first); d; d = NextDaemon(d)) out.push_back(d);
        return out;
    }
};

void ExpectNear(const Vector& a, const Vector& b, const char* what) {
    EXPECT_NEAR(a.x, b.x, 1e-4) << what;
    EXPECT_NEAR(a.y, b.y, 1e-4) << what;
    EXPECT_NEAR(a.z, b.z, 1e-4) << what;
}

}  // namespace

TEST_F(CloneTest, ACloneKeepsParametersAndLinksButStartsFromItsEmitter) {
    BlockSpec spec;
    Fluido* source = MakeBlockFluid(spec, kFluidElastic);
    Fluido* other = MakeEmptyFluid();
    Daemon* wind = NewVortex(Vector(0, 0, 0));
    LinkDaemon(source, wind);
    LinkFluid(source, other);
    source->restDensity = 1234.0f;
    source->springK = 50.0f;
    source->autoRepulsion = 1;
    source->killBySpeed = 1;
    source->maxSpeed = 7.5f;
    source->splitOnAge = 1;
    source->splitCount = 3;
    source->viscosity.value = 0.25f;
    source->viscosity.envelope = new Envelope(10, 1.0f, 0.0f, 0.0f);
    source->outBin = 1;
    std::strcpy(source->outDir, "/somewhere");
    source->emitter->pos = Vector(1, 2, 3);
    source->CreaParticula(Vector(9, 9, 9), Vector(0, 0, 0));  // one more than the emitter makes
    ASSERT_EQ(source->count, 65);

    Fluido* copy = CloneFluid(source);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->next, nullptr);  // the last fluid
    EXPECT_EQ(selflow, copy);
    EXPECT_EQ(selnodo, copy->emitter);
    EXPECT_STREQ(copy->emitter->name, "Block 1");
    EXPECT_EQ(copy->emitter->descriptor, source->emitter->descriptor);
    ExpectNear(copy->emitter->pos, Vector(1, 2, 3), "emitter copied");
    // Parameters copied; the particles are what the emitter makes, not the hand-made one.
    EXPECT_EQ((std::vector<float>{float(copy->count), copy->restDensity, copy->springK,
                                  float(copy->autoRepulsion), float(copy->type),
                                  float(copy->killBySpeed), copy->maxSpeed, float(copy->splitOnAge),
                                  float(copy->splitCount), copy->viscosity.value}),
              (std::vector<float>{64, 1234, 50, 1, kFluidElastic, 1, 7.5f, 1, 3, 0.25f}));
    ASSERT_NE(copy->viscosity.envelope, nullptr);
    EXPECT_NE(copy->viscosity.envelope, source->viscosity.envelope);  // its own envelope
    EXPECT_EQ(copy->outBin, 0);
    EXPECT_STREQ(copy->outDir, "");
    EXPECT_STREQ(copy->prefix, "Block 1");
    EXPECT_EQ(std::vector<Daemon*>(copy->daemons, copy->daemons + copy->numDaemons),
              std::vector<Daemon*>{wind});
    EXPECT_EQ(std::vector<Fluido*>(copy->linkedFluids, copy->linkedFluids + copy->numLinkedFluids),
              std::vector<Fluido*>{other});
    EXPECT_TRUE(ValidaLinks(copy));
}

TEST_F(CloneTest, CloneSelectedCopiesDaemonsAndFluids) {
    Daemon* d = NewVortex(Vector(1, 0, 0));
    Nodo* copy = CloneSelected();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(selnodo, copy);
    EXPECT_STREQ(static_cast<Daemon*>(copy)->name, "Vortex 1");
    ExpectNear(copy->pos, d->pos, "daemon copy");

    Fluido* f = MakeEmptyFluid();
    selnodo = f->emitter;
    copy = CloneSelected();
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->kind, kKindEmitter);
    EXPECT_EQ(CountFluids(), 2);
}

TEST_F(CloneTest, CopiesAndArraysNeedAFluidOrADaemonAndAtMostTenThousandPlaces) {
    array_settings.counts = Vector(1, 1, 1);
    EXPECT_EQ(CloneSelected(), nullptr);
    EXPECT_EQ(platform::LastMessageBoxText(), "No element selected");
    EXPECT_EQ(MakeArray(array_settings), 0);
    EXPECT_EQ(platform::LastMessageBoxText(), "Select a fluid or daemon before");
    Nodo object;
    object.kind = kKindObject;
    selnodo = &object;
    EXPECT_EQ(CloneSelected(), nullptr);
    EXPECT_EQ(platform::LastMessageBoxText(), "Cannot do array of selected element");
    platform::ClearMessageBoxes();
    EXPECT_EQ(MakeArray(array_settings), 0);
    EXPECT_EQ(platform::LastMessageBoxText(), "Cannot do array of selected element");
    NewVortex(Vector(0, 0, 0));
    array_settings.counts = Vector(100, 100, 2);
    EXPECT_EQ(MakeArray(array_settings), 0);
    EXPECT_EQ(platform::LastMessageBoxText(), "An array makes at most 10000 copies");
    EXPECT_EQ(CountDaemons(), 1);
}

TEST_F(CloneTest, ARectangularArrayOfADaemonFillsItsBlockInOrder) {
    Daemon* d = NewVortex(Vector(1, 0, 2), Vector(0, 30, 0));
    array_settings.counts = Vector(3, 2, 1.9f);  // 1.9 counts as 1
    array_settings.distances = Vector(2, 5, 7);
    array_settings.position = Vector(0, 0, -1);
    EXPECT_EQ(MakeArray(array_settings), 6);
    const std::vector<Daemon*> copies = After(d);
    ASSERT_EQ(copies.size(), 6u);
    const Vector want[6] = {{1, 0, 1}, {1, 5, 1}, {3, 0, 1}, {3, 5, 1}, {5, 0, 1}, {5, 5, 1}};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(copies[i]->name, "Vortex " + std::to_string(i + 1));
        ExpectNear(copies[i]->pos, want[i], copies[i]->name);
        ExpectNear(copies[i]->rot, Vector(0, 30, 0), copies[i]->name);
        // The matrix follows the place it was given.
        ExpectNear(copies[i]->matrix.GetTranslation(), want[i], copies[i]->name);
    }
    EXPECT_EQ(selnodo, copies.back());
    EXPECT_EQ(seldaemon, copies.back());

    // A count of 0 makes nothing.
    array_settings.counts = Vector(3, 0, 1);
    EXPECT_EQ(MakeArray(array_settings), 0);
    EXPECT_EQ(After(d).size(), 6u);
}

TEST_F(CloneTest, ACircularArrayTurnsAboutThePivot) {
    const struct {
        const char* what;
        Vector pivot;
        int around;
        Vector want[4];
        float turn;  // rotation about y of the copies, per step
    } cases[] = {
        {"pivot at the element", Vector(2, 0, 0), 0, {{2, 0, 0}, {2, 0, 0}, {2, 0, 0}, {2, 0, 0}}, 0},
        {"pivot 2 away, turning", Vector(0, 0, 0), 1, {{0, 0, -2}, {-2, 0, 0}, {0, 0, 2}, {2, 0, 0}}, 90},
    };
    for (const auto& c : cases) {
        while (Daemon* x = FirstDaemon()) delete x;
        Daemon* d = NewVortex(Vector(2, 0, 0));
        array_settings.type = kArrayCircular;
        array_settings.items = 4;
        array_settings.rotation = Vector(0, 90, 0);
        array_settings.pivot = c.pivot;
        array_settings.rotate_around_pivot = c.around;
        EXPECT_EQ(MakeArray(array_settings), 4) << c.what;
        const std::vector<Daemon*> copies = After(d);
        ASSERT_EQ(copies.size(), 4u) << c.what;
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(copies[i]->name, "Vortex " + std::to_string(i + 1)) << c.what;
            ExpectNear(copies[i]->pos, c.want[i], c.what);
            EXPECT_NEAR(copies[i]->rot.y, c.turn * (i + 1), 1e-4) << c.what;
            EXPECT_NEAR((copies[i]->pos - c.pivot).Modulo(), (d->pos - c.pivot).Modulo(), 1e-4) << c.what;
        }
    }
    // No number of items still makes one.
    array_settings.items = 0;
    EXPECT_EQ(ArrayPlacements(array_settings, Vector(2, 0, 0), Vector(0, 0, 0)).size(), 1u);
}

TEST_F(CloneTest, AnArrayOfAFluidCopiesItsEmitterToEachPlace) {
    Fluido* f = MakeEmptyFluid();
    f->emitter->pos = Vector(0, 1, 0);
    selnodo = f->emitter;
    array_settings.counts = Vector(2, 1, 1);
    array_settings.distances = Vector(3, 0, 0);
    EXPECT_EQ(MakeArray(array_settings), 2);
    ASSERT_EQ(CountFluids(), 3);
    Fluido* first = f->next;
    Fluido* second = first->next;
    ExpectNear(first->emitter->pos, Vector(0, 1, 0), "the first copy stands on the element");
    ExpectNear(second->emitter->pos, Vector(3, 1, 0), "the second 3 along x");
    EXPECT_STREQ(second->emitter->name, "Empty 2");
    EXPECT_EQ(selflow, second);
    EXPECT_EQ(selnodo, second->emitter);
}

TEST_F(CloneTest, TheWindowTakesFieldsThroughTheHostAxes) {
    // 3D Studio MAX shows the scene's z as y: the window's y fields fill component 2.
    ApplyPlatform(kPlatformMax);
    Daemon* d = NewVortex(Vector(4, 5, 6));
    platform::Dialog* w = platform::CreateDialog(ArrayWindowTemplate(), ArrayWindowProc, nullptr);
    ASSERT_NE(w, nullptr);
    ExpectNear(array_settings.pivot, Vector(4, 5, 6), "the pivot starts at the element");
    EXPECT_EQ(fields::ParseNumber(w->GetText(kIdArrayPivotX + 1).c_str()), 6.0);
    platform::TypeIntoField(w, kIdArrayCountX, "1");
    platform::TypeIntoField(w, kIdArrayCountX + 1, "2");
    platform::TypeIntoField(w, kIdArrayCountX + 2, "1");
    platform::TypeIntoField(w, kIdArrayDistanceX + 1, "10");
    EXPECT_EQ(array_settings.counts.z, 2.0f);
    EXPECT_EQ(array_settings.distances.z, 10.0f);
    platform::ClickControl(w, kIdArrayCreate);
    const std::vector<Daemon*> copies = After(d);
    ASSERT_EQ(copies.size(), 2u);
    ExpectNear(copies[1]->pos, Vector(4, 5, 16), "ten along the scene's z");
    // A negative count is none.
    platform::TypeIntoField(w, kIdArrayCountX, "-3");
    EXPECT_EQ(w->GetText(kIdArrayCountX), "0");
    platform::ClickControl(w, kIdArrayCircular);
    EXPECT_EQ(array_settings.type, kArrayCircular);
    EXPECT_FALSE(w->IsChecked(kIdArrayRectangular));
    platform::TypeIntoField(w, kIdArrayItems, "0");
    EXPECT_EQ(array_settings.items, 1);
    platform::DestroyDialog(w);
}
