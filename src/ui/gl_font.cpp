#include "ui/gl_font.h"

#include <GL/gl.h>

#include <QFont>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>

#include <vector>

namespace ui {

GlFont::~GlFont() = default;  // the lists go with their context

void GlFont::Release() {
    if (base_) glDeleteLists(base_, 256);
    base_ = 0;
}

void GlFont::Build(const QFont& interface_font, double scale) {
    Release();
    QFont font = interface_font;
    font.setPixelSize(static_cast<int>(12.0 * scale + 0.5));
    font.setStyleStrategy(QFont::NoAntialias);  // bitmaps have one bit per pixel
    const QFontMetrics metrics(font);
    height_ = metrics.height();
    ascent_ = metrics.ascent();
    const int descent = metrics.descent();
    base_ = glGenLists(256);
    if (!base_) return;
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> bits;
    for (int c = 0; c < 256; ++c) {
        const QChar ch = QChar::fromLatin1(static_cast<char>(c));
        const int advance = c < 32 ? 0 : metrics.horizontalAdvance(ch);
        advance_[c] = advance;
        // The glyph may reach left of its origin or past its advance: a margin on both sides.
        const int margin = height_ / 4 + 1;
        const int w = advance + 2 * margin, h = height_;
        QImage image(w, h, QImage::Format_Grayscale8);
        image.fill(0);
        if (c >= 32) {
            QPainter p(&image);
            p.setFont(font);
            p.setPen(Qt::white);
            p.drawText(margin, ascent_, QString(ch));
        }
        // Rows bottom up, each padded to whole bytes, most significant bit first.
        const int row_bytes = (w + 7) / 8;
        bits.assign(static_cast<size_t>(row_bytes * h), 0);
        for (int y = 0; y < h; ++y) {
            const uchar* line = image.constScanLine(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                if (line[x] >= 128) bits[static_cast<size_t>(y * row_bytes + x / 8)] |= 0x80 >> (x % 8);
            }
        }
        glNewList(base_ + c, GL_COMPILE);
        glBitmap(w, h, static_cast<float>(margin), static_cast<float>(descent), static_cast<float>(advance), 0,
                 bits.data());
        glEndList();
    }
    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
}

int GlFont::Width(const std::string& text) const {
    int w = 0;
    for (unsigned char c : text) w += advance_[c];
    return w;
}

void GlFont::CallLists(const std::string& text) const {
    glListBase(base_);
    glCallLists(static_cast<GLsizei>(text.size()), GL_UNSIGNED_BYTE, text.data());
    glListBase(0);
}

void GlFont::DrawAt(int x, int y, const std::string& text, int width, int height) const {
    if (!base_ || text.empty() || width <= 0 || height <= 0) return;
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0, width, 0, height, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    // A raster position outside the window is invalid and nothing would be drawn: start
    // inside, then step out with an empty bitmap.
    const int gy = height - y;
    const int cx = x < 0 ? 0 : (x >= width ? width - 1 : x);
    const int cy = gy < 0 ? 0 : (gy >= height ? height - 1 : gy);
    glRasterPos2i(cx, cy);
    glBitmap(0, 0, 0, 0, static_cast<float>(x - cx), static_cast<float>(gy - cy), nullptr);
    CallLists(text);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

void GlFont::DrawAtPoint(float x, float y, float z, int dx, int dy, const std::string& text) const {
    if (!base_ || text.empty()) return;
    glRasterPos3f(x, y, z);
    GLboolean valid = GL_FALSE;
    glGetBooleanv(GL_CURRENT_RASTER_POSITION_VALID, &valid);
    if (!valid) return;
    glBitmap(0, 0, 0, 0, static_cast<float>(dx), static_cast<float>(-dy), nullptr);
    CallLists(text);
}

}  // namespace ui
