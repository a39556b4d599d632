#include "output/targa_file.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "platform/byte_buffer.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/whole_file.h"

namespace output {
namespace {

constexpr int kMaxPacket = 128;

bool SamePixel(const uint8_t* a, const uint8_t* b) { return a[0] == b[0] && a[1] == b[1] && a[2] == b[2]; }

void PutPixel(platform::ByteWriter& w, const uint8_t* rgb) {
    w.U8(rgb[2]);
    w.U8(rgb[1]);
    w.U8(rgb[0]);
}

// One row: a run begins wherever a pixel equals the next one; the pixels before it go out
// as raw packets.
void EncodeRow(platform::ByteWriter& w, const uint8_t* row, int width) {
    int i = 0;
    while (i < width) {
        const uint8_t* p = row + 3 * i;
        if (i + 1 < width && SamePixel(p, p + 3)) {
            int n = 2;
            while (i + n < width && n < kMaxPacket && SamePixel(p, row + 3 * (i + n))) ++n;
            w.U8(static_cast<uint8_t>(0x80 | (n - 1)));
            PutPixel(w, p);
            i += n;
            continue;
        }
        int n = 1;
        while (i + n < width && n < kMaxPacket &&
               !(i + n + 1 < width && SamePixel(row + 3 * (i + n), row + 3 * (i + n + 1)))) {
            ++n;
        }
        w.U8(static_cast<uint8_t>(n - 1));
        for (int k = 0; k < n; ++k) PutPixel(w, row + 3 * (i + k));
        i += n;
    }
}

void Refuse(const std::string& text) { RedWarning(text.c_str()); }

// Reads what a file holds after its header into the image; false after its message.
class Decoder {
public:
    Decoder(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}

    bool Decode(RgbImage* image) {
        if (Left() < 18) return ReadError();
        platform::ByteReader h(p_);
        const int id_length = h.U8();
        h.U8();  // colour map type: the map is skipped whatever it says
        const int type = h.U8();
        h.I16();  // first map entry
        const int map_length = static_cast<uint16_t>(h.I16());
        const int map_entry = h.U8();
        h.I16();  // x origin
        h.I16();  // y origin
        const int width = static_cast<uint16_t>(h.I16());
        const int height = static_cast<uint16_t>(h.I16());
        const int depth = h.U8();
        const int descriptor = h.U8();
        p_ += 18;

        if (type != kTargaTrueColour && type != kTargaGrey && type != kTargaTrueColourRle && type != kTargaGreyRle) {
            Refuse(platform::Format("Error TARGA: tipo es %d, solo tipos 2, 3, 10 y 11\n", type));
            return false;
        }
        size_t map_bytes = 0;
        if (map_length > 0) {
            int entry = 0;
            if (map_entry == 15 || map_entry == 16) entry = 2;
            if (map_entry == 24) entry = 3;
            if (map_entry == 32) entry = 4;
            if (entry == 0) {
                Refuse(platform::Format("runlen: bad map entry size %d\n", map_entry));
                return false;
            }
            map_bytes = static_cast<size_t>(map_length) * static_cast<size_t>(entry);
        }
        if (!Skip(static_cast<size_t>(id_length)) || !Skip(map_bytes)) return ReadError();

        const bool grey = type == kTargaGrey || type == kTargaGreyRle;
        bpp_ = (depth + 7) / 8;
        const bool depth_ok = grey ? (depth == 8 || depth == 16)
                                   : (depth == 15 || depth == 16 || depth == 24 || depth == 32);
        if (!depth_ok) {
            Refuse(platform::Format("Targa files with %d bits per pixel are not read", depth));
            return false;
        }
        // Packed 15- and 16-bit colours open up into three bytes.
        const int channels = !grey && bpp_ == 2 ? 3 : bpp_;
        const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
        // Never more memory than the file's bytes can fill: whole pixels when raw, 128 pixels
        // of at most 1 + bpp bytes a packet when encoded.
        const bool rle = type == kTargaTrueColourRle || type == kTargaGreyRle;
        const size_t can_fill = rle ? Left() / static_cast<size_t>(1 + bpp_) * kMaxPacket
                                    : Left() / static_cast<size_t>(bpp_);
        if (pixels > can_fill) return ReadError();

        RgbImage out;
        out.width = width;
        out.height = height;
        out.channels = channels;
        try {
            out.pixels.resize(pixels * static_cast<size_t>(channels));
        } catch (const std::bad_alloc&) {
            return ReadError();
        }
        uint8_t* to = out.pixels.data();
        size_t done = 0;
        while (done < pixels) {
            int count = 1;
            bool run = false;
            if (rle) {
                if (Left() < 1) return ReadError();
                const uint8_t head = *p_++;
                run = (head & 0x80) != 0;
                count = (head & 0x7F) + 1;
            }
            if (Left() < static_cast<size_t>(run ? bpp_ : bpp_ * count)) return ReadError();
            // A packet that goes past the last pixel gives what fits.
            const size_t n = std::min(static_cast<size_t>(count), pixels - done);
            for (size_t k = 0; k < n; ++k) {
                Unpack(p_ + (run ? 0 : k * static_cast<size_t>(bpp_)), to, grey);
                to += channels;
            }
            p_ += run ? bpp_ : bpp_ * count;
            done += n;
        }
        // A file whose first row is the top one is turned over: rows always come bottom up.
        if (descriptor & 0x20) {
            const size_t row = static_cast<size_t>(width) * static_cast<size_t>(channels);
            for (int y = 0; y < height / 2; ++y) {
                std::swap_ranges(out.pixels.begin() + static_cast<ptrdiff_t>(row * y),
                                 out.pixels.begin() + static_cast<ptrdiff_t>(row * (y + 1)),
                                 out.pixels.begin() + static_cast<ptrdiff_t>(row * (height - 1 - y)));
            }
        }
        *image = std::move(out);
        return true;
    }

private:
    size_t Left() const { return static_cast<size_t>(end_ - p_); }
    bool Skip(size_t n) {
        if (n > Left()) return false;
        p_ += n;
        return true;
    }
    static bool ReadError() {
        Refuse("fromtarga: read error on input\n");
        return false;
    }
    void Unpack(const uint8_t* from, uint8_t* to, bool grey) const {
        if (grey) {
            std::memcpy(to, from, static_cast<size_t>(bpp_));
        } else if (bpp_ == 2) {
            const unsigned v = static_cast<unsigned>(from[0] | (from[1] << 8));
            const unsigned r = (v >> 10) & 31, g = (v >> 5) & 31, b = v & 31;
            to[0] = static_cast<uint8_t>((r << 3) | (r >> 2));
            to[1] = static_cast<uint8_t>((g << 3) | (g >> 2));
            to[2] = static_cast<uint8_t>((b << 3) | (b >> 2));
        } else {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
            if (bpp_ == 4) to[3] = from[3];
        }
    }

    const uint8_t* p_;
    const uint8_t* end_;
    int bpp_ = 3;
};

}  // namespace

std::vector<uint8_t> EncodeTarga(const RgbImage& image) {
    // No image id, no colour map, origin 0, 24 bits, and the first row is the bottom one.
    uint8_t header[18] = {0, 0, kTargaTrueColourRle};
    platform::PutU16LE(header + 12, static_cast<uint16_t>(image.width));
    platform::PutU16LE(header + 14, static_cast<uint16_t>(image.height));
    header[16] = 24;
    platform::ByteWriter w(18 + image.pixels.size() + image.pixels.size() / 128 + static_cast<size_t>(image.height));
    for (uint8_t b : header) w.U8(b);
    if (image.channels == 3) {
        for (int y = 0; y < image.height; ++y) EncodeRow(w, image.Row(y), image.width);
    }
    return w.Bytes();
}

bool WriteTarga(const char* path, const RgbImage& image) {
    const std::vector<uint8_t> bytes = EncodeTarga(image);
    if (image.channels != 3 || image.width > 0xFFFF || image.height > 0xFFFF ||
        !platform::WriteWholeFile(path, bytes.data(), bytes.size())) {
        Refuse("Memory error: opening targa file");
        return false;
    }
    return true;
}

bool DecodeTarga(const uint8_t* data, size_t size, RgbImage* image) {
    if (!image || (!data && size > 0)) return false;
    Decoder d(data, size);
    return d.Decode(image);
}

bool ReadTarga(const char* path, RgbImage* image) {
    std::vector<uint8_t> bytes;
    if (!platform::ReadWholeFile(path, &bytes)) {
        Refuse(platform::Format("Error opening targa file: %s", path ? path : ""));
        return false;
    }
    return DecodeTarga(bytes.data(), bytes.size(), image);
}

}  // namespace output
