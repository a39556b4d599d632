#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/message_box.h"
#include "platform/messages.h"

namespace {

platform::TimeOfDay FixedTime() { return {9, 5, 3}; }

// Sinks are called from whichever thread reports, so this one locks.
class RecordingSink : public platform::MessageSink {
public:
    void OnStatus(const std::string& text, int colour) override {
        std::lock_guard<std::mutex> lock(mutex);
        statuses.push_back(text);
        colours.push_back(colour);
    }
    void OnLogLine(const std::string& line) override {
        std::lock_guard<std::mutex> lock(mutex);
        lines.push_back(line);
    }
    void OnShowLog() override {
        std::lock_guard<std::mutex> lock(mutex);
        ++shown;
    }

    std::mutex mutex;

    std::vector<std::string> statuses;
    std::vector<int> colours;
    std::vector<std::string> lines;
    int shown = 0;
};

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetMessages();
        platform::SetTimeOfDaySource(FixedTime);
        platform::SetMessageSink(&sink);
    }
    void TearDown() override {
        platform::SetMessageSink(nullptr);
        platform::SetTimeOfDaySource(nullptr);
        platform::ResetMessages();
    }
    RecordingSink sink;
};

// Log lines carry the time without leading zeros and end in CR LF.
TEST_F(MessagesTest, RedAndBlueSetTheStatusLineWarningsShowTheLogAndAllAppendToIt) {
    EXPECT_EQ(platform::FormatLogLine(23, 59, 10, ""), ">[23:59:10]\r\n");
    RedWarning("first");
    EXPECT_EQ(platform::StatusText(), "first");
    EXPECT_EQ(platform::StatusColour(), platform::kStatusRed);
    BlueWarning(" second");
    EXPECT_EQ(platform::StatusText(), " second");
    EXPECT_EQ(platform::StatusColour(), platform::kStatusBlue);
    EXPECT_EQ(sink.colours, (std::vector<int>{platform::kStatusRed, platform::kStatusBlue}));
    // A simulation warning shows the log and leaves the status line.
    Warning("Null voxel!");
    EXPECT_EQ(sink.shown, 1);
    EXPECT_EQ(platform::StatusText(), " second");
    const std::string log = ">[9:5:3]first\r\n>[9:5:3] second\r\n>[9:5:3] Warning: Null voxel!\r\n";
    EXPECT_EQ(platform::LogText(), log);
    std::string heard;
    for (const std::string& line : sink.lines) heard += line;
    EXPECT_EQ(heard, log);

    platform::ClearStatusOnClick();
    EXPECT_EQ(platform::StatusText(), "");
    // A second click has nothing left to clear and tells the sink nothing new.
    size_t told = sink.statuses.size();
    platform::ClearStatusOnClick();
    EXPECT_EQ(sink.statuses.size(), told);
}

TEST_F(MessagesTest, ConcurrentReportsKeepEveryLineWhole) {
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i) Warning("busy");
        });
    }
    for (auto& th : threads) th.join();
    std::string log = platform::LogText();
    std::string line = ">[9:5:3] Warning: busy\r\n";
    ASSERT_EQ(log.size(), line.size() * 800);
    for (size_t at = 0; at < log.size(); at += line.size()) {
        ASSERT_EQ(log.compare(at, line.size(), line), 0);
    }
    EXPECT_EQ(sink.lines.size(), 800u);
    EXPECT_EQ(sink.shown, 800);
}

TEST(MessageBoxTest, HeadlessBoxesAnswerFromTheQueueThenSafely) {
    platform::ClearMessageBoxes();
    platform::QueueMessageBoxAnswer(platform::kAnswerYes);
    EXPECT_EQ(platform::MessageBox("All data will be removed. Continue?", "Undaline",
                                   platform::kIconQuestion, platform::kButtonsYesNo),
              platform::kAnswerYes);
    // Nobody agrees to a destructive question by default.
    EXPECT_EQ(platform::MessageBox("Again?", "Undaline", platform::kIconQuestion,
                                   platform::kButtonsYesNo),
              platform::kAnswerNo);
    EXPECT_EQ(platform::MessageBox("Save?", "Undaline", platform::kIconQuestion,
                                   platform::kButtonsYesNoCancel),
              platform::kAnswerCancel);
    EXPECT_EQ(platform::MessageBox("Obsolete version"), platform::kAnswerOk);
    EXPECT_EQ(platform::LastMessageBoxText(), "Obsolete version");
    EXPECT_EQ(platform::MessageBoxCount(), 4);
    platform::ClearMessageBoxes();
}

TEST_F(MessagesTest, TheLogKeepsOnlyItsLatestLinesInMemory) {
    for (int i = 0; i < 20000; ++i) platform::LogLine(std::to_string(i).c_str());
    const std::string log = platform::LogText();
    const long lines = std::count(log.begin(), log.end(), '\n');
    EXPECT_GE(lines, platform::kLogTailLines);
    EXPECT_LE(lines, platform::kLogTailLines * 5 / 4);
    EXPECT_EQ(log.rfind(">[9:5:3]", 0), 0u) << "begins with a whole line";
    EXPECT_EQ(log.substr(log.size() - 7), "19999\r\n");
    EXPECT_EQ(sink.lines.size(), 20000u) << "the sink still hears every line";
}

}  // namespace
