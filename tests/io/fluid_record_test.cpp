// A fluid's workspace record read back: values no step can work with are refused, and what
// the record keeps beside the particles stays in step with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "byte_builder.h"
#include "fluid/fluido.h"
#include "fluid_scenes.h"
#include "io/workspace.h"
#include "platform/message_box.h"
#include "scene/scene.h"

namespace {

std::vector<std::string> g_boxes;

int Record(const char* text, const char*, int, int) {
    g_boxes.push_back(text);
    return platform::kAnswerOk;
}

bool Said(const char* text) { return std::find(g_boxes.begin(), g_boxes.end(), text) != g_boxes.end(); }

class FluidRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        g_boxes.clear();
        platform::SetMessageBoxHandler(Record);
        RegisterSupportClasses();
    }
    void TearDown() override {
        platform::SetMessageBoxHandler(nullptr);
        ResetScene();
    }

    // An elastic block with its springs, as a few steps leave it.
    static Fluido* Jelly() {
        BlockSpec spec;
        spec.nx = 3;
        spec.ny = spec.nz = 2;
        spec.spacing = 0.06f;
        Fluido* f = MakeBlockFluid(spec, kFluidElastic);
        for (int i = 0; i < 2; ++i) StepFluids(0.001f);
        return f;
    }
    TempDir dir;
};

TEST_F(FluidRecordTest, ValuesNoStepCanWorkWithAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        const char* what;
        std::function<void(Fluido*)> spoil;
    };
    const std::vector<Case> cases = {
        {"cell size zero", [](Fluido* f) { f->cellSize = 0.0f; }},
        {"cell size below 2h", [](Fluido* f) { f->cellSize = f->h; }},
        {"h not a number", [nan](Fluido* f) { f->h = nan; }},
        {"rest density zero", [](Fluido* f) { f->restDensity = 0.0f; }},
        {"mass beyond any fluid", [](Fluido* f) { f->mass = 1e37f; }},
        {"particle limit beyond any fluid", [](Fluido* f) { f->maxParticles = 2000000000; }},
        {"split count beyond any split", [](Fluido* f) { f->splitCount = 1000000000; }},
        {"spring to itself", [](Fluido* f) { f->First()->springs->other = f->First(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ResetScene();
        Fluido* f = Jelly();
        ASSERT_NE(f->First()->springs, nullptr);
        c.spoil(f);
        const std::string path = dir.File("spoilt.ulw");
        ASSERT_TRUE(SaveWorkspace(path.c_str()));
        ResetScene();
        g_boxes.clear();
        LoadWorkspace(path.c_str());
        EXPECT_EQ(CountFluids(), 0);
        EXPECT_TRUE(Said("Error loading fluid"));
    }
}

TEST_F(FluidRecordTest, ASpringEndBeyondTheRecordIsRefused) {
    Fluido* f = Jelly();
    // A spring with lengths no other value in the file shares, to find it by.
    f->First()->springs->restLength = 12345.5f;
    f->First()->springs->plastic = 6789.25f;
    ASSERT_TRUE(SaveWorkspace(dir.File("a.ulw").c_str()));
    std::vector<uint8_t> bytes = ReadFileBytes(dir.File("a.ulw"));
    Bytes marker;
    marker.F32(12345.5f).F32(6789.25f);
    auto at = std::search(bytes.begin(), bytes.end(), marker.b.begin(), marker.b.end());
    ASSERT_NE(at, bytes.end());
    Bytes far;
    far.I32(12);  // the record has particles 0 to 11
    std::copy(far.b.begin(), far.b.end(), at - 4);
    WriteFileBytes(dir.File("b.ulw"), bytes);
    ResetScene();
    g_boxes.clear();
    LoadWorkspace(dir.File("b.ulw").c_str());
    EXPECT_EQ(CountFluids(), 0);
    EXPECT_TRUE(Said("Error loading fluid"));
}

TEST_F(FluidRecordTest, TheOwnedArrayIsNeverReadPastAsTheFluidGrows) {
    Fluido* f = MakeEmptyFluid();
    f->restDensity = 500.0f;
    f->invRestDensity = 1.0f / 500.0f;
    for (int i = 0; i < 4; ++i) f->CreaParticula(Vector(0.1f * i, 0, 0), Vector());
    auto* values = static_cast<float*>(std::malloc(sizeof(float) * 12));
    for (int i = 0; i < 12; ++i) values[i] = 1.0f + i;
    f->ownedArray = values;
    ASSERT_TRUE(SaveWorkspace(dir.File("a.ulw").c_str()));
    ResetScene();
    ASSERT_TRUE(LoadWorkspace(dir.File("a.ulw").c_str()));
    f = rootflow;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->invRestDensity, 1.0f / 500.0f) << "the inverse follows the density read";
    for (int i = 0; i < 6; ++i) f->CreaParticula(Vector(0, 0.1f * i, 0), Vector());
    ASSERT_TRUE(SaveWorkspace(dir.File("b.ulw").c_str()));
    ResetScene();
    ASSERT_TRUE(LoadWorkspace(dir.File("b.ulw").c_str()));
    ASSERT_EQ(rootflow->count, 10);
    const float* read = static_cast<const float*>(rootflow->ownedArray);
    ASSERT_NE(read, nullptr);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(read[i], i < 12 ? 1.0f + i : 0.0f) << i;
}

}  // namespace
