#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "export.h"
#include "output/rgb_image.h"

// AVI movies of captured frames: one video stream at 25 frames a second, every frame a key
// frame, either uncompressed bottom-up 24-bit bitmaps (rows padded to four bytes, blue,
// green, red) or Motion-JPEG. The movie is written to a temporary file beside its name; Close
// writes the index, fills in the counts of the headers and gives the file its name.
namespace output {

constexpr int kMovieRate = 25;
// Frames stop being added before the file would pass 2 GiB, where many players give up.
constexpr uint64_t kMovieLimit = 0x7FFFFFFFull;

class UNDALINE_API AviWriter {
public:
    AviWriter() = default;
    AviWriter(const AviWriter&) = delete;
    AviWriter& operator=(const AviWriter&) = delete;
    // An open movie is closed (and kept).
    ~AviWriter();

    // Starts a movie of width × height frames; jpeg_quality 0 stores full frames, 1 to 100
    // compresses each frame at that quality. False when the file cannot be created.
    bool Open(const std::string& path, int width, int height, int jpeg_quality);
    // Appends one frame. A picture of another size is cut or widened with black to the
    // movie's, keeping its top left corner. False when it could not be written (the movie
    // stays open) or the movie is full.
    bool AddFrame(const RgbImage& image);
    // Writes the index and the counts and renames the file; false when that failed (the
    // temporary file is then removed).
    bool Close();

    bool IsOpen() const { return file_ != nullptr; }
    int Frames() const { return static_cast<int>(index_.size()); }
    bool Full() const { return full_; }
    const std::string& Path() const { return path_; }
    int Width() const { return width_; }
    int Height() const { return height_; }

private:
    struct IndexEntry {
        uint32_t offset;  // from the 'movi' list's type
        uint32_t size;
    };
    bool FrameBytes(const RgbImage& image, std::vector<uint8_t>* bytes) const;
    void Abandon();

    std::FILE* file_ = nullptr;
    std::string path_;
    std::string temp_;
    int width_ = 0;
    int height_ = 0;
    int quality_ = 0;
    uint64_t written_ = 0;  // bytes in the file
    uint32_t largest_ = 0;  // largest frame
    bool full_ = false;
    bool failed_ = false;
    std::vector<IndexEntry> index_;
};

// The header of a movie as it stands after `frames` frames whose largest is `largest` bytes:
// the RIFF header, the header list with the stream's format and the 'movi' list's header,
// `movi_bytes` long. Exposed for tests.
UNDALINE_API std::vector<uint8_t> AviHeader(int width, int height, int jpeg_quality, uint32_t frames,
                                            uint32_t largest, uint32_t movi_bytes, uint32_t riff_bytes);

}  // namespace output
