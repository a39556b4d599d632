// Any bytes given to the ASCII export reader, whole or for one object by name.
#include "objects/scene_import.h"
#include "object_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return object_fuzz::FeedScene(
        data, size, [size](const char* path) { LoadAseScene(path, size % 2 ? "Box01" : nullptr); });
}
