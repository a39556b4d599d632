#pragma once

#include <string>

class QFont;

namespace ui {

// Text in the viewport: one display list per character of the interface font (Latin-1), each a
// bitmap drawn at the current raster position, which it then advances. Built once per GL
// context; plain GL, so it draws the same wherever the picture goes (screen, capture, picking).
class GlFont {
public:
    ~GlFont();
    // Builds the 256 lists for font at `scale` device pixels per interface pixel; the GL
    // context must be current. Rebuilding frees the earlier lists.
    void Build(const QFont& font, double scale);
    void Release();
    bool Built() const { return base_ != 0; }

    // Text with its first character's baseline start at window pixel (x, y), counted from the
    // top left in device pixels, in the current colour. Leaves the matrices as it found them.
    void DrawAt(int x, int y, const std::string& text, int width, int height) const;
    // Text whose baseline starts where the world point (x, y, z) falls under the current
    // matrices, moved by (dx, dy) device pixels; nothing when the point is outside the view.
    void DrawAtPoint(float x, float y, float z, int dx, int dy, const std::string& text) const;

    int Width(const std::string& text) const;
    int LineHeight() const { return height_; }
    int Ascent() const { return ascent_; }

private:
    void CallLists(const std::string& text) const;

    unsigned base_ = 0;
    int advance_[256] = {};
    int height_ = 0;
    int ascent_ = 0;
};

}  // namespace ui
