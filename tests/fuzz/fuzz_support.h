#pragma once

// What every harness needs: silence (message boxes answer as nobody would agree, the log
// shows nothing and is emptied after each input), and a private temporary folder into which
// an input is written as the file its reader opens.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include <dlfcn.h>
#include <unistd.h>

#include "platform/message_box.h"
#include "platform/messages.h"

namespace fuzz {

inline int SafeAnswer(const char*, const char*, int, int buttons) {
    if (buttons == platform::kButtonsOk) return platform::kAnswerOk;
    return buttons == platform::kButtonsYesNo ? platform::kAnswerNo : platform::kAnswerCancel;
}

class Silent : public platform::MessageSink {};

inline void Quiet() {
    static Silent sink;
    platform::SetMessageSink(&sink);
    platform::SetMessageBoxHandler(SafeAnswer);
}

// libFuzzer counts coverage in every instrumented library it has seen loaded, and would write
// into one the program unloaded again: the plug-ins of dir are loaded once here, for good.
inline void KeepPluginsLoaded(const char* dir) {
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(dir, ec)) {
        if (e.path().extension() == ".so") dlopen(e.path().c_str(), RTLD_NOW | RTLD_NODELETE);
    }
}

// After each input: nothing of its messages is kept.
inline void ForgetMessages() {
    platform::ResetMessages();
    platform::ClearMessageBoxes();
}

inline const std::string& Folder() {
    static const std::string folder = [] {
        const char* shm = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string pattern = std::string(shm) + "/undaline_fuzz_XXXXXX";
        if (!mkdtemp(pattern.data())) std::abort();
        return pattern;
    }();
    return folder;
}

// The input as a file of that name in the folder; its path.
inline std::string WriteInput(const char* name, const uint8_t* data, size_t size) {
    const std::string path = Folder() + "/" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

}  // namespace fuzz
