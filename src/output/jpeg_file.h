#pragma once

#include <cstdint>
#include <vector>

#include "export.h"
#include "output/rgb_image.h"

// JPEG pictures through the classic libjpeg interface: the frames of an image sequence, and
// the frames of a Motion-JPEG movie.
namespace output {

// The quality of sequence frames.
constexpr int kJpegQuality = 100;

// Compresses an RGB image (rows bottom up, as captured; the file's rows run top to bottom)
// at quality 1 to 100. False when the library refuses.
UNDALINE_API bool EncodeJpeg(const RgbImage& image, int quality, std::vector<uint8_t>* bytes);
// Writes path whole at quality 100; false, after "File write error: %s" in red, when it
// cannot be written.
UNDALINE_API bool WriteJpeg(const char* path, const RgbImage& image);

}  // namespace output
