#include "output/rgb_image.h"

#include <new>

namespace output {

bool ImageFromFloats(const float* rgb, int width, int height, RgbImage* image) {
    if (!image || !rgb || width <= 0 || height <= 0) return false;
    const size_t n = static_cast<size_t>(width) * static_cast<size_t>(height) * 3;
    try {
        image->pixels.resize(n);
    } catch (const std::bad_alloc&) {
        return false;
    }
    image->width = width;
    image->height = height;
    image->channels = 3;
    for (size_t i = 0; i < n; ++i) {
        const float v = rgb[i] < 0.0f ? 0.0f : (rgb[i] > 1.0f ? 1.0f : rgb[i]);
        image->pixels[i] = static_cast<uint8_t>(static_cast<double>(v) * 255.0);
    }
    return true;
}

}  // namespace output
