#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/monitor.h"

namespace {

std::vector<std::string> g_calls;

void HookInit(const char* caption) { g_calls.push_back(std::string("init ") + caption); }
void HookUpdate(int percent) { g_calls.push_back("update " + std::to_string(percent)); }
void HookClear() { g_calls.push_back("clear"); }

class MonitorTest : public ::testing::Test {
protected:
    void TearDown() override {
        ClearMonitor();
        platform::SetMonitorHooks(nullptr);
        g_calls.clear();
    }
};

// The bar runs from 0 to 100; an installed window is told every step, or the part it asks for.
TEST_F(MonitorTest, TheMonitorKeepsItsCaptionAndABarFrom0To100AndTellsTheWindow) {
    const platform::MonitorHooks hooks = {HookInit, HookUpdate, HookClear};
    platform::SetMonitorHooks(&hooks);
    InitMonitor("Filling object");
    EXPECT_TRUE(platform::MonitorVisible());
    EXPECT_EQ(platform::MonitorCaption(), "Filling object");
    EXPECT_EQ(platform::MonitorPosition(), 0);
    std::vector<int> positions;
    for (int step : {40, 250, -5}) {
        UpdateMonitor(step);
        positions.push_back(platform::MonitorPosition());
    }
    EXPECT_EQ(positions, (std::vector<int>{40, 100, 0}));
    ClearMonitor();
    EXPECT_FALSE(platform::MonitorVisible());
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init Filling object", "update 40", "update 100",
                                                 "update 0", "clear"}));

    // A new operation starts from an empty bar; a window that wants only part of it.
    const platform::MonitorHooks partial = {HookInit, nullptr, nullptr};
    platform::SetMonitorHooks(&partial);
    g_calls.clear();
    UpdateMonitor(70);
    InitMonitor(nullptr);
    EXPECT_EQ(platform::MonitorPosition(), 0);
    UpdateMonitor(5);
    ClearMonitor();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init "}));
}

}  // namespace
