#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export.h"

namespace output {

// A picture in memory: rows from the bottom up, as the graphics library reads them, and
// `channels` bytes per pixel (1 grey; 2 grey and alpha; 3 red, green, blue; 4 with alpha).
struct RgbImage {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<uint8_t> pixels;

    const uint8_t* Row(int y) const { return pixels.data() + static_cast<size_t>(y) * width * channels; }
};

// The viewport's colour buffer as it was read: three floats (0 to 1) per pixel, rows bottom
// up. Each channel becomes a byte by multiplying by 255 and truncating. False when the
// image's memory cannot be had.
UNDALINE_API bool ImageFromFloats(const float* rgb, int width, int height, RgbImage* image);

}  // namespace output
