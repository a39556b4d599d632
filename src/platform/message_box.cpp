#include "platform/message_box.h"

#include <cstdio>
#include <deque>
#include <mutex>

namespace platform {
namespace {

struct BoxState {
    std::mutex mutex;
    MessageBoxHandler handler = nullptr;
    std::deque<int> queued;
    int default_answer = kAnswerOk;
    std::string last_text;
    int count = 0;
};

BoxState& State() {
    static BoxState state;
    return state;
}

// Without a preset answer, the safe answer for each button set: boxes that ask whether to
// go ahead with something destructive must not be agreed to by nobody.
int SafeAnswer(int buttons, int preferred) {
    switch (buttons) {
        case kButtonsOk:
            return kAnswerOk;
        case kButtonsOkCancel:
            return preferred == kAnswerOk ? kAnswerOk : kAnswerCancel;
        case kButtonsYesNo:
            return preferred == kAnswerYes ? kAnswerYes : kAnswerNo;
        default:
            return (preferred == kAnswerYes || preferred == kAnswerNo) ? preferred : kAnswerCancel;
    }
}

}  // namespace

int MessageBox(const char* text, const char* title, int icon, int buttons) {
    if (!text) text = "";
    if (!title) title = "Undaline";
    BoxState& s = State();
    MessageBoxHandler handler;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.last_text = text;
        ++s.count;
        handler = s.handler;
    }
    if (handler) return handler(text, title, icon, buttons);

    std::fprintf(stderr, "%s: %s\n", title, text);
    std::lock_guard<std::mutex> lock(s.mutex);
    if (!s.queued.empty()) {
        int answer = s.queued.front();
        s.queued.pop_front();
        return answer;
    }
    return SafeAnswer(buttons, s.default_answer);
}

void SetMessageBoxHandler(MessageBoxHandler handler) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().handler = handler;
}

void QueueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().queued.push_back(answer);
}

void SetDefaultMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().default_answer = answer;
}

const std::string& LastMessageBoxText() { return State().last_text; }

int MessageBoxCount() { return State().count; }

void ClearMessageBoxes() {
    std::lock_guard<std::mutex> lock(State().mutex);
    BoxState& s = State();
    s.queued.clear();
    s.last_text.clear();
    s.count = 0;
    s.default_answer = kAnswerOk;
}

}  // namespace platform
