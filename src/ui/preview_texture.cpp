#include "ui/preview_texture.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <QImage>

#include <cctype>
#include <cstring>
#include <string>

#include "output/targa_file.h"

namespace ui {
namespace {

bool EndsWith(const char* file, const char* tail) {
    const size_t n = std::strlen(file), t = std::strlen(tail);
    if (n < t) return false;
    for (size_t i = 0; i < t; ++i) {
        if (std::tolower(static_cast<unsigned char>(file[n - t + i])) != tail[i]) return false;
    }
    return true;
}

// Any of the reader's channel layouts as three bytes a pixel.
void ToRgb(output::RgbImage* image) {
    const int c = image->channels;
    if (c == 3) return;
    const size_t pixels = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    std::vector<uint8_t> rgb(3 * pixels);
    for (size_t i = 0; i < pixels; ++i) {
        const uint8_t* p = &image->pixels[i * static_cast<size_t>(c)];
        const bool grey = c < 3;
        rgb[3 * i] = p[0];
        rgb[3 * i + 1] = grey ? p[0] : p[1];
        rgb[3 * i + 2] = grey ? p[0] : p[2];
    }
    image->pixels.swap(rgb);
    image->channels = 3;
}

}  // namespace

bool ReadPreviewImage(const char* file, output::RgbImage* rgb) {
    if (!file) return false;
    if (EndsWith(file, "tga")) {
        output::RgbImage image;
        if (!output::ReadTarga(file, &image) || image.width <= 0 || image.height <= 0) return false;
        ToRgb(&image);
        *rgb = std::move(image);
        return true;
    }
    QImage image;
    if (!image.load(QString::fromLocal8Bit(file)) || image.isNull()) return false;
    // The toolkit's rows run top down.
    image = image.convertToFormat(QImage::Format_RGB888).mirrored();
    rgb->width = image.width();
    rgb->height = image.height();
    rgb->channels = 3;
    rgb->pixels.resize(3 * static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()));
    for (int y = 0; y < image.height(); ++y) {
        std::memcpy(&rgb->pixels[3 * static_cast<size_t>(y) * static_cast<size_t>(image.width())],
                    image.constScanLine(y), 3 * static_cast<size_t>(image.width()));
    }
    return true;
}

uint32_t MakePreviewTexture(const output::RgbImage& rgb) {
    if (rgb.channels != 3 || rgb.width <= 0 || rgb.height <= 0) return 0;
    GLuint name = 0;
    glGenTextures(1, &name);
    if (!name) return 0;
    glBindTexture(GL_TEXTURE_2D, name);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    const int failed = gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGB, rgb.width, rgb.height, GL_RGB, GL_UNSIGNED_BYTE,
                                         rgb.pixels.data());
    glBindTexture(GL_TEXTURE_2D, 0);
    if (failed) {
        glDeleteTextures(1, &name);
        return 0;
    }
    return name;
}

}  // namespace ui
