#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "export.h"
#include "output/rgb_image.h"

// Targa files: the writer of captured frames (run-length encoded 24-bit true colour, rows
// from the bottom up) and the reader of texture images.
namespace output {

// Image types.
enum TargaType { kTargaTrueColour = 2, kTargaGrey = 3, kTargaTrueColourRle = 10, kTargaGreyRle = 11 };

// The file's bytes for an RGB image: the 18-byte header, then each row on its own as run
// packets (0x80 | (count - 1), one pixel) and raw packets ((count - 1), the pixels), at most
// 128 pixels a packet, pixels as blue, green, red.
UNDALINE_API std::vector<uint8_t> EncodeTarga(const RgbImage& image);
// Writes path whole (a temporary file beside it, then renamed). False, after "Memory error:
// opening targa file" in red, when it cannot be written.
UNDALINE_API bool WriteTarga(const char* path, const RgbImage& image);

// Reads a Targa file of type 2, 3, 10 or 11 into image: rows bottom up whatever the file's
// origin, channels red, green, blue (and alpha), or grey. 15- and 16-bit colours come out as
// three channels. A file that cannot be opened, is cut short or is of a kind not read is
// refused with its message in red, and image is left as it was.
UNDALINE_API bool ReadTarga(const char* path, RgbImage* image);
// The same on bytes in memory; no message names a file.
UNDALINE_API bool DecodeTarga(const uint8_t* data, size_t size, RgbImage* image);

}  // namespace output
