#include "platform/file_dialog.h"

#include <deque>
#include <mutex>

namespace platform {
namespace {

struct DialogState {
    std::mutex mutex;
    OpenFileHandler handler = nullptr;
    OpenFolderHandler folder_handler = nullptr;
    std::deque<std::string> queued;
    std::string last_title, last_filter;
};

DialogState& State() {
    static DialogState state;
    return state;
}

std::string QueuedAnswer() {
    DialogState& s = State();
    std::lock_guard<std::mutex> lock(s.mutex);
    if (s.queued.empty()) return std::string();
    std::string answer = s.queued.front();
    s.queued.pop_front();
    return answer;
}

}  // namespace

std::string OpenFileDialog(const char* title, const char* filter, const char* directory) {
    DialogState& s = State();
    OpenFileHandler handler;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.last_title = title ? title : "";
        s.last_filter = filter ? filter : "";
        handler = s.handler;
    }
    if (handler)
        return handler(title ? title : "", filter ? filter : "", directory ? directory : "");
    return QueuedAnswer();
}

std::string OpenFolderDialog(const char* title, const char* directory) {
    DialogState& s = State();
    OpenFolderHandler handler;
    {
        std::lock_guard<std::mutex> lock(s.mutex);
        s.last_title = title ? title : "";
        s.last_filter.clear();
        handler = s.folder_handler;
    }
    if (handler) return handler(title ? title : "", directory ? directory : "");
    return QueuedAnswer();
}

void SetOpenFolderHandler(OpenFolderHandler handler) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().folder_handler = handler;
}

void SetOpenFileHandler(OpenFileHandler handler) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().handler = handler;
}

void QueueOpenFileAnswer(const std::string& path) {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().queued.push_back(path);
}

void ClearOpenFileAnswers() {
    std::lock_guard<std::mutex> lock(State().mutex);
    State().queued.clear();
    State().last_title.clear();
    State().last_filter.clear();
}

std::string LastOpenFileTitle() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().last_title;
}

std::string LastOpenFileFilter() {
    std::lock_guard<std::mutex> lock(State().mutex);
    return State().last_filter;
}

}  // namespace platform
