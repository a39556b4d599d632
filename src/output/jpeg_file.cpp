#include "output/jpeg_file.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

#include "platform/format.h"
#include "platform/messages.h"
#include "platform/whole_file.h"

namespace output {
namespace {

// libjpeg ends the process on an error unless told otherwise: here it jumps back instead.
struct ErrorJump {
    jpeg_error_mgr manager;
    std::jmp_buf back;
};

void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorJump*>(info->err)->back, 1); }
void Quiet(j_common_ptr) {}

// Everything libjpeg touches lives in plain records, so the jump skips no destructor.
bool Compress(const RgbImage& image, int quality, unsigned char** out, unsigned long* size) {
    jpeg_compress_struct info;
    ErrorJump error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = OnError;
    error.manager.output_message = Quiet;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = static_cast<JDIMENSION>(image.width);
    info.image_height = static_cast<JDIMENSION>(image.height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        const int y = image.height - 1 - static_cast<int>(info.next_scanline);
        JSAMPROW row = const_cast<JSAMPLE*>(image.Row(y));
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

bool EncodeJpeg(const RgbImage& image, int quality, std::vector<uint8_t>* bytes) {
    if (!bytes || image.channels != 3 || image.width <= 0 || image.height <= 0 ||
        image.pixels.size() < static_cast<size_t>(image.width) * static_cast<size_t>(image.height) * 3) {
        return false;
    }
    unsigned char* out = nullptr;
    unsigned long size = 0;
    const bool ok = Compress(image, quality < 1 ? 1 : (quality > 100 ? 100 : quality), &out, &size);
    if (ok) bytes->assign(out, out + size);
    std::free(out);
    return ok;
}

bool WriteJpeg(const char* path, const RgbImage& image) {
    std::vector<uint8_t> bytes;
    if (EncodeJpeg(image, kJpegQuality, &bytes) && platform::WriteWholeFile(path, bytes.data(), bytes.size())) {
        return true;
    }
    RedWarning(platform::Format("File write error: %s", path ? path : "").c_str());
    return false;
}

}  // namespace output
