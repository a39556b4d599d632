// Any bytes given to the Lightwave scene reader: refused or read, never a crash, hang or leak.
#include "objects/scene_import.h"
#include "object_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return object_fuzz::FeedScene(data, size, [](const char* path) { LoadLwsScene(path); });
}
