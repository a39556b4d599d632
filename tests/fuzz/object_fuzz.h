#pragma once

// What the object and scene reader harnesses share: the input goes to an in-memory file, the
// reader reads it, the bodies it made are checked, and the scene is cleared for the next input.
// Messages are kept quiet so the run measures the reader.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "io/config.h"
#include "objects/body.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "scene/scene.h"

namespace object_fuzz {

inline int Quiet(const char*, const char*, int, int) {
    return platform::kAnswerOk;
}

// A reader's result must be a sound body: every corner inside its own vertex array, every
// position finite. Anything else is a fault the fuzzer should stop on.
inline void CheckBody(const Body* b) {
    for (int i = 0; i < b->nfaces; ++i) {
        for (const BodyVertex* c : b->faces[i].corner) {
            if (c < b->verts || c >= b->verts + b->nverts) std::abort();
        }
        if (b->faces[i].body != b) std::abort();
    }
    for (int i = 0; i < b->nverts; ++i) {
        const Vector& w = b->verts[i].world;
        if (!std::isfinite(w.x) || !std::isfinite(w.y) || !std::isfinite(w.z)) std::abort();
        if (b->verts[i].index != i) std::abort();
    }
}

// The input as an in-memory file (the readers take a path) handed to `read`; then the scene
// is cleared for the next input. Object files a scene names are looked for nowhere but beside it.
template <typename Read>
int FeedPath(const uint8_t* data, size_t size, Read read) {
    static const int fd = [] {
        static platform::MessageSink silent;
        platform::SetMessageSink(&silent);
        platform::SetMessageBoxHandler(Quiet);
        platform::CopyText(objects_dir, sizeof objects_dir, "/nonexistent");
        return memfd_create("input", 0);
    }();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    read(("/proc/self/fd/" + std::to_string(fd)).c_str());
    ResetScene();
    platform::ResetMessages();
    return 0;
}

// One object reader: a body it reads must be sound.
inline int Feed(const uint8_t* data, size_t size, bool (Body::*read)(const char*, const char*)) {
    return FeedPath(data, size, [read](const char* path) {
        Body* b = CreaBody();
        if ((b->*read)(path, "fuzz")) CheckBody(b);
    });
}

// One scene reader: every body it made must be sound.
template <typename Read>
int FeedScene(const uint8_t* data, size_t size, Read read) {
    return FeedPath(data, size, [&read](const char* path) {
        read(path);
        for (Body* b = rootbody.next; b; b = b->next) CheckBody(b);
    });
}

}  // namespace object_fuzz
