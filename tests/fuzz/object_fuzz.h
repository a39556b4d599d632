#pragma once

// What the four object-reader harnesses share: the input goes to an in-memory file (the
// readers take a path), a new body reads it, the body's invariants are checked, and the scene
// is cleared for the next input. Messages are kept quiet so the run measures the reader.
#include <sys/mman.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "objects/body.h"
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

inline int Feed(const uint8_t* data, size_t size, bool (Body::*read)(const char*, const char*)) {
    static const int fd = [] {
        static platform::MessageSink silent;
        platform::SetMessageSink(&silent);
        platform::SetMessageBoxHandler(Quiet);
        return memfd_create("object", 0);
    }();
    if (fd < 0 || ftruncate(fd, 0) != 0) return 0;
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) return 0;
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    Body* b = CreaBody();
    if ((b->*read)(path.c_str(), "fuzz")) CheckBody(b);
    ResetScene();
    platform::ResetMessages();
    return 0;
}

}  // namespace object_fuzz
