// The Targa reader of texture images, on bytes in memory.
#include <cstddef>
#include <cstdint>

#include "output/targa_file.h"
#include "platform/messages.h"

namespace {

class Silent : public platform::MessageSink {};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    static Silent sink;
    platform::SetMessageSink(&sink);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    output::RgbImage image;
    if (output::DecodeTarga(data, size, &image)) {
        // What was accepted is whole: every pixel is there.
        const size_t want = static_cast<size_t>(image.width) * static_cast<size_t>(image.height) *
                            static_cast<size_t>(image.channels);
        if (image.pixels.size() != want) __builtin_trap();
    }
    platform::ResetMessages();
    return 0;
}
