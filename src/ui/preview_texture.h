#pragma once

#include <cstdint>

#include "output/rgb_image.h"

// The image a mesh previews its texture mapping with, as a texture of the viewport's context.
namespace ui {

// The image as 8-bit RGB, rows bottom up: Targa files through the program's own reader, JPEG
// and BMP through the toolkit's. False when it cannot be read.
bool ReadPreviewImage(const char* file, output::RgbImage* rgb);
// A mipmapped RGB texture of the image in the current context; 0 when none could be made.
uint32_t MakePreviewTexture(const output::RgbImage& rgb);

}  // namespace ui
