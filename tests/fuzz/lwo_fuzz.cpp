// Any bytes given to the LWO reader: refused or read, never a crash, hang or leak.
#include "object_fuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return object_fuzz::Feed(data, size, &Body::LoadLwo);
}
