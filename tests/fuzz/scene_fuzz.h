#pragma once

// What the scene-reader harnesses share with the object readers': the input goes to an
// in-memory file, one reader reads it, every body it made must be sound, and the scene is
// cleared for the next input. Object files a scene names are looked for nowhere but beside it.
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "io/config.h"
#include "object_fuzz.h"
#include "platform/format.h"

namespace scene_fuzz {

template <typename Read>
int Feed(const uint8_t* data, size_t size, Read read) {
    static const int fd = [] {
        static platform::MessageSink silent;
        platform::SetMessageSink(&silent);
        platform::SetMessageBoxHandler(object_fuzz::Quiet);
        platform::CopyText(objects_dir, sizeof objects_dir, "/nonexistent");
        return memfd_create("scene", 0);
    }();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    read(("/proc/self/fd/" + std::to_string(fd)).c_str());
    for (Body* b = rootbody.next; b; b = b->next) object_fuzz::CheckBody(b);
    ResetScene();
    platform::ResetMessages();
    return 0;
}

}  // namespace scene_fuzz
