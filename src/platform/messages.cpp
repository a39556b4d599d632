#include "platform/messages.h"

#include <cstdio>
#include <mutex>

#include "platform/clock.h"
#include "platform/format.h"

namespace platform {
namespace {

// The log keeps only the lines a message window shows; a warning repeated every step of a
// long batch run must not grow the process. Trimmed a quarter beyond the limit at a time, so
// appending stays cheap.
void KeepTail(std::string& log, int& lines) {
    if (lines <= kLogTailLines + kLogTailLines / 4) return;
    size_t cut = 0;
    for (; lines > kLogTailLines; --lines) {
        const size_t end = log.find('\n', cut);
        if (end == std::string::npos) break;
        cut = end + 1;
    }
    log.erase(0, cut);
}

struct MessageState {
    std::mutex mutex;
    MessageSink* sink = nullptr;
    std::string status;
    int colour = kStatusNone;
    bool clear_on_click = false;
    std::string log;
    int log_lines = 0;
};

// Never destroyed: plug-ins and threads may still report while the process exits.
MessageState& State() {
    static MessageState* state = new MessageState;
    return *state;
}

class StderrSink : public MessageSink {
public:
    void OnLogLine(const std::string& line) override {
        // The log keeps its CR LF ends; a terminal wants only the LF.
        std::string shown = line;
        if (shown.size() >= 2 && shown.compare(shown.size() - 2, 2, "\r\n") == 0) {
            shown.erase(shown.size() - 2, 1);
        }
        std::fputs(shown.c_str(), stderr);
    }
};

MessageSink& DefaultSink() {
    static StderrSink* sink = new StderrSink;
    return *sink;
}

MessageSink& CurrentSink(MessageState& s) { return s.sink ? *s.sink : DefaultSink(); }

void Status(const char* text, int colour) {
    MessageState& s = State();
    std::string shown = text ? text : "";
    MessageSink* sink;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.status = shown;
        s.colour = colour;
        s.clear_on_click = true;
        sink = &CurrentSink(s);
    }
    sink->OnStatus(shown, colour);
}

}  // namespace

MessageSink::~MessageSink() = default;
void MessageSink::OnStatus(const std::string&, int) {}
void MessageSink::OnLogLine(const std::string&) {}
void MessageSink::OnShowLog() {}

void SetMessageSink(MessageSink* sink) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().sink = sink;
}

std::string FormatLogLine(int hour, int minute, int second, const char* text) {
    return Format(">[%d:%d:%d]%s\r\n", hour, minute, second, text ? text : "");
}

void LogLine(const char* text) {
    TimeOfDay t = LocalTimeOfDay();
    std::string line = FormatLogLine(t.hour, t.minute, t.second, text);
    MessageState& s = State();
    MessageSink* sink;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.log += line;
        for (char c : line) s.log_lines += c == '\n';
        KeepTail(s.log, s.log_lines);
        sink = &CurrentSink(s);
    }
    sink->OnLogLine(line);
}

std::string StatusText() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().status;
}

int StatusColour() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().colour;
}

void ClearStatusOnClick() {
    MessageState& s = State();
    MessageSink* sink;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        if (!s.clear_on_click) return;
        s.clear_on_click = false;
        s.status.clear();
        s.colour = kStatusNone;
        sink = &CurrentSink(s);
    }
    sink->OnStatus(std::string(), kStatusNone);
}

std::string LogText() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().log;
}

void ResetMessages() {
    std::lock_guard<std::mutex> lock(State().mutex);
    MessageState& s = State();
    s.status.clear();
    s.colour = kStatusNone;
    s.clear_on_click = false;
    s.log.clear();
    s.log_lines = 0;
}

}  // namespace platform

void RedWarning(const char* text) {
    platform::Status(text, platform::kStatusRed);
    platform::LogLine(text);
}

void BlueWarning(const char* text) {
    platform::Status(text, platform::kStatusBlue);
    platform::LogLine(text);
}

void Warning(const char* text) {
    platform::MessageState& s = platform::State();
    platform::MessageSink* sink;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        sink = &platform::CurrentSink(s);
    }
    sink->OnShowLog();
    platform::LogLine(platform::Format(" Warning: %s", text ? text : "").c_str());
}
