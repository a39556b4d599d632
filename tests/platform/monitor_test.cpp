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

TEST_F(MonitorTest, TheMonitorKeepsItsCaptionAndABarFrom0To100) {
    InitMonitor("Filling object");
    EXPECT_TRUE(platform::MonitorVisible());
    EXPECT_EQ(platform::MonitorCaption(), "Filling object");
    EXPECT_EQ(platform::MonitorPosition(), 0);
    UpdateMonitor(40);
    EXPECT_EQ(platform::MonitorPosition(), 40);
    UpdateMonitor(250);
    EXPECT_EQ(platform::MonitorPosition(), 100);
    UpdateMonitor(-5);
    EXPECT_EQ(platform::MonitorPosition(), 0);
    ClearMonitor();
    EXPECT_FALSE(platform::MonitorVisible());
    // A new operation starts from an empty bar.
    UpdateMonitor(70);
    InitMonitor("Again");
    EXPECT_EQ(platform::MonitorPosition(), 0);
}

TEST_F(MonitorTest, AnInstalledWindowIsToldEveryStep) {
    const platform::MonitorHooks hooks = {HookInit, HookUpdate, HookClear};
    platform::SetMonitorHooks(&hooks);
    InitMonitor("Meshing");
    UpdateMonitor(50);
    UpdateMonitor(101);
    ClearMonitor();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init Meshing", "update 50", "update 100", "clear"}));
    // A window that wants only part of it.
    const platform::MonitorHooks partial = {HookInit, nullptr, nullptr};
    platform::SetMonitorHooks(&partial);
    g_calls.clear();
    InitMonitor(nullptr);
    UpdateMonitor(5);
    ClearMonitor();
    EXPECT_EQ(g_calls, (std::vector<std::string>{"init "}));
}

}  // namespace
