#pragma once

class Envelope;
class Pcontrol;

namespace ui {

// What the envelope editor's curve area does with the mouse, apart from drawing it: the
// mapping between pixels and (frame, value) through the envelope's view, clicks that add
// keys, drags of keys and of Tangent keys' slope handles, and panning and zooming the view.
// Every change of a key re-samples the curve.
//
// Keys stay in time order: a dragged key stays between its neighbours, and the first and
// the last key keep their frames (they bound the curve the samples cover), moving only in
// value. Values stay within the envelope's limits when it has any. With the grid shown,
// times snap to whole frames.
class EnvelopeView {
public:
    enum Button { kLeft, kMiddle, kRight };

    EnvelopeView(Envelope* env, int width, int height);
    void Resize(int width, int height);
    int width() const { return width_; }
    int height() const { return height_; }

    float PixelX(float frame) const;
    float PixelY(float value) const;
    float FrameAt(float x) const;
    float ValueAt(float y) const;

    // A press: on a key or a handle it starts dragging it (left) or picks it (right, for the
    // key's menu); a left press on the curve area's free space within the frames adds a key
    // there and drags it; a middle press starts panning. True when the envelope changed.
    bool Press(Button button, float x, float y);
    bool Move(float x, float y);
    void Release();
    // The wheel zooms the view about the pointer: factor below 1 comes closer.
    void Zoom(float x, float y, float factor);

    // The key picked last (its menu, its spline controls), or null. A key that has left the
    // envelope since (new frames, a loaded file or sound) is no longer selected.
    Pcontrol* selected() const;
    void Select(Pcontrol* key) { selected_ = key; }
    bool dragging() const { return drag_ != kNone; }
    // Removes the selected key (not the first nor the last). True when removed.
    bool RemoveSelected();

    // Keys never come closer in time than this, in frames.
    static constexpr float kMinGap = 0.25f;

private:
    enum Drag { kNone, kKey, kSlopeIn, kSlopeOut, kPan };
    float Clamp(float value) const;
    void MoveKey(float x, float y);

    Envelope* env_;
    int width_, height_;
    Pcontrol* selected_ = nullptr;
    Drag drag_ = kNone;
    float last_x_ = 0, last_y_ = 0;
};

}  // namespace ui
