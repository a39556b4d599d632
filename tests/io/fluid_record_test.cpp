// A fluid's workspace record read back: values no step can work with are refused, and what
// the record keeps beside the particles stays in step with them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "byte_builder.h"
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

class FluidRecordTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        platform::SetMessageBoxHandler(Record);
        RegisterSupportClasses();
    }
    void TearDown() override {
        platform::SetMessageBoxHandler(nullptr);
        ResetScene();
    }
    // Saves the scene, clears it and loads the file (after `edit` has had its bytes); true
    // when the fluid was refused with its message.
    bool Refused(const std::function<void(std::vector<uint8_t>&)>& edit = nullptr) {
        const std::string path = dir.File("a.ulw");
        EXPECT_TRUE(SaveWorkspace(path.c_str()));
        std::vector<uint8_t> bytes = ReadFileBytes(path);
        if (edit) edit(bytes);
        WriteFileBytes(path, bytes);
        ResetScene();
        g_boxes.clear();
        LoadWorkspace(path.c_str());
        return CountFluids() == 0 &&
               std::find(g_boxes.begin(), g_boxes.end(), "Error loading fluid") != g_boxes.end();
    }
    TempDir dir;
};

// An elastic block with its springs, as a few steps leave it.
Fluido* Jelly() {
    BlockSpec spec;
    spec.nx = 3;
    spec.ny = spec.nz = 2;
    spec.spacing = 0.06f;
    Fluido* f = MakeBlockFluid(spec, kFluidElastic);
    for (int i = 0; i < 2; ++i) StepFluids(0.001f);
    return f;
}

TEST_F(FluidRecordTest, ValuesNoStepCanWorkWithAreRefused) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const std::vector<std::pair<const char*, std::function<void(Fluido*)>>> cases = {
        {"cell size zero", [](Fluido* f) { f->cellSize = 0.0f; }},
        {"cell size below 2h", [](Fluido* f) { f->cellSize = f->h; }},
        {"h not a number", [nan](Fluido* f) { f->h = nan; }},
        {"rest density zero", [](Fluido* f) { f->restDensity = 0.0f; }},
        {"mass beyond any fluid", [](Fluido* f) { f->mass = 1e37f; }},
        {"particle limit beyond any fluid", [](Fluido* f) { f->maxParticles = 2000000000; }},
        {"split count beyond any split", [](Fluido* f) { f->splitCount = 1000000000; }},
        {"spring to itself", [](Fluido* f) { f->First()->springs->other = f->First(); }},
    };
    for (const auto& [what, spoil] : cases) {
        SCOPED_TRACE(what);
        spoil(Jelly());
        EXPECT_TRUE(Refused());
    }
    // A spring to a particle beyond the record: found by lengths nothing else in the file has.
    Fluido* f = Jelly();
    f->First()->springs->restLength = 12345.5f;
    f->First()->springs->plastic = 6789.25f;
    EXPECT_TRUE(Refused([](std::vector<uint8_t>& bytes) {
        Bytes marker, far;
        marker.F32(12345.5f).F32(6789.25f);
        far.I32(12);  // the record holds particles 0 to 11
        auto at = std::search(bytes.begin(), bytes.end(), marker.b.begin(), marker.b.end());
        ASSERT_NE(at, bytes.end());
        std::copy(far.b.begin(), far.b.end(), at - 4);
    }));
}

TEST_F(FluidRecordTest, TheOwnedArrayIsNeverReadPastAsTheFluidGrows) {
    Fluido* f = MakeEmptyFluid();
    f->restDensity = 500.0f;
    for (int i = 0; i < 4; ++i) f->CreaParticula(Vector(0.1f * i, 0, 0), Vector());
    auto* values = static_cast<float*>(std::malloc(sizeof(float) * 12));
    for (int i = 0; i < 12; ++i) values[i] = 1.0f + i;
    f->ownedArray = values;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(SaveWorkspace(dir.File("a.ulw").c_str()));
        ResetScene();
        ASSERT_TRUE(LoadWorkspace(dir.File("a.ulw").c_str()));
        f = rootflow;
        // The first time six particles join after the load; the array was made for four.
        for (int i = 0; round == 0 && i < 6; ++i) f->CreaParticula(Vector(0, 0.1f * i, 0), Vector());
    }
    EXPECT_EQ(f->invRestDensity, 1.0f / 500.0f) << "the inverse follows the density read";
    ASSERT_EQ(f->count, 10);
    const float* read = static_cast<const float*>(f->ownedArray);
    for (int i = 0; i < 30; ++i) EXPECT_EQ(read[i], i < 12 ? 1.0f + i : 0.0f) << i;
}

}  // namespace
