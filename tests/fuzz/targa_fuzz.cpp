// The Targa reader of texture images, on bytes in memory.
#include <cstddef>
#include <cstdint>

#include "fuzz_support.h"
#include "output/targa_file.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
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
    fuzz::ForgetMessages();
    return 0;
}
