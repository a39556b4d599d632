#include "platform/file_choosers.h"

#include <deque>
#include <mutex>

namespace platform {
namespace {

struct ChooserState {
    std::mutex mutex;
    FileChooserHandlers handlers;
    std::deque<std::string> answers;
};

ChooserState& State() {
    static ChooserState state;
    return state;
}

bool PresetAnswer(std::string* chosen) {
    std::lock_guard<std::mutex> lock(State().mutex);
    if (State().answers.empty()) return false;
    std::string answer = State().answers.front();
    State().answers.pop_front();
    if (answer.empty()) return false;
    if (chosen) *chosen = answer;
    return true;
}

FileChooserHandlers Handlers() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().handlers;
}

}  // namespace

bool ChooseDirectory(const char* title, const std::string& start, std::string* chosen) {
    const FileChooserHandlers h = Handlers();
    if (h.directory) return h.directory(title ? title : "", start, chosen);
    return PresetAnswer(chosen);
}

bool ChooseFile(const char* title, const char* filter, std::string* chosen) {
    const FileChooserHandlers h = Handlers();
    if (h.file) return h.file(title ? title : "", filter ? filter : "", chosen);
    return PresetAnswer(chosen);
}

void SetFileChooserHandlers(const FileChooserHandlers& handlers) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().handlers = handlers;
}

void QueueChooserAnswer(const std::string& answer) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().answers.push_back(answer);
}

void ClearChooserAnswers() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().answers.clear();
}

WaitCursor::WaitCursor() {
    if (auto on = Handlers().wait_cursor) on(true);
}

WaitCursor::~WaitCursor() {
    if (auto on = Handlers().wait_cursor) on(false);
}

}  // namespace platform
