// Any bytes given to the scene-data reader: the import, then every frame the file holds, each
// body moved half way through each frame and checked.
#include "objects/scene_data.h"
#include "object_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return object_fuzz::FeedScene(data, size, [](const char* path) {
        if (!ImportSceneData(path)) return;
        do {
            MoveSceneDataBodies(1.0f / 60);
            for (Body* b = rootbody.next; b; b = b->next) object_fuzz::CheckBody(b);
        } while (ReadNextSceneFrame());
        MoveSceneDataBodies(0.0f);
        RewindSceneData();
    });
}
