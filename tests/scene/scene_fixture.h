#pragma once

#include <gtest/gtest.h>

#include "platform/message_box.h"
#include "scene/scene.h"

// Every scene test starts from the start-up state and leaves it behind.
class SceneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetScene();
        platform::ClearMessageBoxes();
    }
    void TearDown() override { ResetScene(); }
};

inline void ExpectNear(const Vector& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}
