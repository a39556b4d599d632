#pragma once

#include <gtest/gtest.h>

#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "fluid/fluid_passes.h"
#include "fluid/parallel.h"
#include "fluid_scenes.h"
#include "platform/message_box.h"
#include "scene/scene.h"

class FluidTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        ClearFluidScene();
        platform::ClearMessageBoxes();
        parallel::SetThreadCount(0);
        parallel::SetMultithreading(true);
    }
    void TearDown() override {
        ClearFluidScene();
        ResetScene();
    }
};

// The grid of a step and, with search, its neighbour lists.
inline void BuildGrid(Fluido* f, bool search = true) {
    f->active = 1;
    f->CalculaCaja();
    f->CreaRejilla();
    f->LlenaRejilla();
    if (search) fluid_passes::SearchNeighbours(f);
}
