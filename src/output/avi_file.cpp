#include "output/avi_file.h"

#include <algorithm>
#include <cstring>

#include <unistd.h>

#include "output/jpeg_file.h"
#include "platform/byte_buffer.h"

namespace output {
namespace {

constexpr uint32_t kHasIndex = 0x10;   // main header flag
constexpr uint32_t kKeyFrame = 0x10;   // index flag
constexpr size_t kHeaderBytes = 224;   // up to and including the 'movi' list's type
constexpr size_t kMoviTypeAt = 220;    // index offsets count from here
constexpr int kPixelsPerMetre = 2952;

void FourCc(platform::ByteWriter& w, const char* code) {
    for (int i = 0; i < 4; ++i) w.U8(static_cast<uint8_t>(code[i]));
}

size_t RowBytes(int width) { return (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3); }

bool Put(std::FILE* f, const void* data, size_t n) { return n == 0 || std::fwrite(data, 1, n, f) == n; }

}  // namespace

std::vector<uint8_t> AviHeader(int width, int height, int jpeg_quality, uint32_t frames, uint32_t largest,
                               uint32_t movi_bytes, uint32_t riff_bytes) {
    const bool jpeg = jpeg_quality > 0;
    const uint32_t full_frame = static_cast<uint32_t>(RowBytes(width) * static_cast<size_t>(height));
    const uint32_t buffer = std::max(largest, static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 3);
    platform::ByteWriter w(kHeaderBytes);
    FourCc(w, "RIFF");
    w.U32(riff_bytes);
    FourCc(w, "AVI ");
    FourCc(w, "LIST");
    w.U32(192);
    FourCc(w, "hdrl");
    FourCc(w, "avih");
    w.U32(56);
    w.U32(1000000 / kMovieRate);          // microseconds per frame
    w.U32(buffer * kMovieRate);           // most bytes a second
    w.U32(0);                             // padding granularity
    w.U32(kHasIndex);
    w.U32(frames);
    w.U32(0);                             // initial frames
    w.U32(1);                             // streams
    w.U32(buffer);                        // suggested buffer
    w.U32(static_cast<uint32_t>(width));
    w.U32(static_cast<uint32_t>(height));
    for (int i = 0; i < 4; ++i) w.U32(0);
    FourCc(w, "LIST");
    w.U32(116);
    FourCc(w, "strl");
    FourCc(w, "strh");
    w.U32(56);
    FourCc(w, "vids");
    FourCc(w, jpeg ? "MJPG" : "DIB ");
    w.U32(0);                             // flags
    w.I16(0);                             // priority
    w.I16(0);                             // language
    w.U32(0);                             // initial frames
    w.U32(1);                             // scale
    w.U32(kMovieRate);                    // rate: frames a second = rate / scale
    w.U32(0);                             // start
    w.U32(frames);                        // length
    w.U32(buffer);
    w.U32(10000);                         // quality
    w.U32(0);                             // sample size: frames vary
    w.I16(0);                             // frame rectangle
    w.I16(0);
    w.I16(static_cast<int16_t>(width));
    w.I16(static_cast<int16_t>(height));
    FourCc(w, "strf");
    w.U32(40);
    w.U32(40);                            // bitmap header size
    w.I32(width);
    w.I32(height);                        // positive: rows bottom up
    w.I16(1);                             // planes
    w.I16(24);                            // bits a pixel
    if (jpeg) {
        FourCc(w, "MJPG");
    } else {
        w.U32(0);                         // plain RGB
    }
    w.U32(full_frame);
    w.I32(kPixelsPerMetre);
    w.I32(kPixelsPerMetre);
    w.U32(0);                             // colours used
    w.U32(0);                             // important colours
    FourCc(w, "LIST");
    w.U32(movi_bytes);
    FourCc(w, "movi");
    return w.Bytes();
}

AviWriter::~AviWriter() {
    if (IsOpen()) Close();
}

bool AviWriter::Open(const std::string& path, int width, int height, int jpeg_quality) {
    if (IsOpen()) Close();
    if (path.empty() || width <= 0 || height <= 0 || width > 0x7FFF || height > 0x7FFF) return false;
    temp_ = path + ".tmp";
    file_ = std::fopen(temp_.c_str(), "wb");
    if (!file_) return false;
    // Frames go out in big pieces anyway; unbuffered, a failed write leaves nothing pending
    // and the file can be cut back to its last whole frame.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    path_ = path;
    width_ = width;
    height_ = height;
    quality_ = jpeg_quality < 0 ? 0 : (jpeg_quality > 100 ? 100 : jpeg_quality);
    index_.clear();
    largest_ = 0;
    full_ = failed_ = false;
    const std::vector<uint8_t> header = AviHeader(width, height, quality_, 0, 0, 4, 0);
    if (!Put(file_, header.data(), header.size())) {
        Abandon();
        return false;
    }
    written_ = header.size();
    return true;
}

bool AviWriter::FrameBytes(const RgbImage& image, std::vector<uint8_t>* bytes) const {
    // The movie's size whatever the picture's: rows taken from the top down.
    RgbImage fitted;
    const RgbImage* frame = &image;
    if (image.width != width_ || image.height != height_ || image.channels != 3) {
        fitted.width = width_;
        fitted.height = height_;
        fitted.pixels.assign(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 3, 0);
        if (image.channels == 3) {
            const int w = std::min(width_, image.width);
            for (int k = 0; k < std::min(height_, image.height); ++k) {
                std::memcpy(fitted.pixels.data() + static_cast<size_t>(height_ - 1 - k) * width_ * 3,
                            image.Row(image.height - 1 - k), static_cast<size_t>(w) * 3);
            }
        }
        frame = &fitted;
    }
    if (quality_ > 0) return EncodeJpeg(*frame, quality_, bytes);
    const size_t row = RowBytes(width_);
    bytes->assign(row * static_cast<size_t>(height_), 0);
    for (int y = 0; y < height_; ++y) {
        const uint8_t* from = frame->Row(y);
        uint8_t* to = bytes->data() + row * static_cast<size_t>(y);
        for (int x = 0; x < width_; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    return true;
}

bool AviWriter::AddFrame(const RgbImage& image) {
    if (!IsOpen() || full_) return false;
    std::vector<uint8_t> data;
    if (!FrameBytes(image, &data)) return false;
    const uint32_t size = static_cast<uint32_t>(data.size());
    const uint64_t padded = 8 + size + (size & 1);
    // What Close adds: the index with this frame, and nothing else.
    if (written_ + padded + 8 + 16 * (index_.size() + 1) > kMovieLimit) {
        full_ = true;
        return false;
    }
    platform::ByteWriter head(8);
    FourCc(head, quality_ > 0 ? "00dc" : "00db");
    head.U32(size);
    const uint8_t pad = 0;
    if (!Put(file_, head.Bytes().data(), 8) || !Put(file_, data.data(), size) || ((size & 1) && !Put(file_, &pad, 1))) {
        // A partial chunk would spoil the movie: it is cut back to the frames before, which
        // stay playable, and takes no more.
        full_ = true;
        failed_ = ftruncate(fileno(file_), static_cast<off_t>(written_)) != 0 ||
                  std::fseek(file_, static_cast<long>(written_), SEEK_SET) != 0;
        return false;
    }
    index_.push_back({static_cast<uint32_t>(written_ - kMoviTypeAt), size});
    written_ += padded;
    largest_ = std::max(largest_, size);
    return true;
}

bool AviWriter::Close() {
    if (!IsOpen()) return false;
    platform::ByteWriter idx(8 + 16 * index_.size());
    FourCc(idx, "idx1");
    idx.U32(static_cast<uint32_t>(16 * index_.size()));
    for (const IndexEntry& e : index_) {
        FourCc(idx, quality_ > 0 ? "00dc" : "00db");
        idx.U32(kKeyFrame);
        idx.U32(e.offset);
        idx.U32(e.size);
    }
    const uint64_t total = written_ + idx.Bytes().size();
    const std::vector<uint8_t> header =
        AviHeader(width_, height_, quality_, static_cast<uint32_t>(index_.size()), largest_,
                  static_cast<uint32_t>(written_ - kMoviTypeAt), static_cast<uint32_t>(total - 8));
    bool ok = !failed_ && Put(file_, idx.Bytes().data(), idx.Bytes().size()) && std::fseek(file_, 0, SEEK_SET) == 0 &&
              Put(file_, header.data(), header.size()) && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    if (std::fclose(file_) != 0) ok = false;
    file_ = nullptr;
    if (ok) ok = std::rename(temp_.c_str(), path_.c_str()) == 0;
    if (!ok) std::remove(temp_.c_str());
    return ok;
}

void AviWriter::Abandon() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::remove(temp_.c_str());
}

}  // namespace output
