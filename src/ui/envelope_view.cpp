#include "ui/envelope_view.h"

#include <algorithm>
#include <cmath>

#include "scene/envelope.h"
#include "scene/envelope_editor.h"
#include "scene/fields.h"

namespace ui {

namespace {

constexpr float kHandleFrames = 10.0f;  // handles sit this many frames before and after their key

}  // namespace

EnvelopeView::EnvelopeView(Envelope* env, int width, int height) : env_(env), width_(width), height_(height) {
    // A curve at 0 has an empty vertical view; open it to something that can be drawn.
    if (env_ && !(env_->view_top > env_->view_bottom)) {
        const float mid = 0.5f * (env_->view_top + env_->view_bottom);
        env_->view_bottom = mid - 1.0f;
        env_->view_top = mid + 1.0f;
    }
    if (env_ && !(env_->view_x1 > env_->view_x0)) env_->view_x1 = env_->view_x0 + 1.0f;
}

Pcontrol* EnvelopeView::selected() const {
    if (!env_ || !selected_) return nullptr;
    for (Pcontrol* k = &env_->first; k; k = k->next) {
        if (k == selected_) return selected_;
    }
    return nullptr;
}

void EnvelopeView::Resize(int width, int height) {
    width_ = width;
    height_ = height;
}

float EnvelopeView::PixelX(float frame) const {
    return (frame - env_->view_x0) * static_cast<float>(width_) / (env_->view_x1 - env_->view_x0);
}
float EnvelopeView::PixelY(float value) const {
    return (env_->view_top - value) * static_cast<float>(height_) / (env_->view_top - env_->view_bottom);
}
float EnvelopeView::FrameAt(float x) const {
    return env_->view_x0 + x * (env_->view_x1 - env_->view_x0) / static_cast<float>(width_);
}
float EnvelopeView::ValueAt(float y) const {
    return env_->view_top - y * (env_->view_top - env_->view_bottom) / static_cast<float>(height_);
}

float EnvelopeView::Clamp(float value) const {
    if (env_->min_value == env_->max_value) return value;
    if (env_->min_value != kNoLimit && value < env_->min_value) value = env_->min_value;
    if (env_->max_value != kNoLimit && value > env_->max_value) value = env_->max_value;
    return value;
}

bool EnvelopeView::Press(Button button, float x, float y) {
    last_x_ = x;
    last_y_ = y;
    if (!env_ || width_ <= 0 || height_ <= 0) return false;
    if (button == kMiddle) {
        drag_ = kPan;
        return false;
    }
    const EnvelopeHit hit = HitTestEnvelope(env_, x, y, width_, height_);
    if (hit.part != kHitNothing) {
        selected_ = hit.key;
        if (button == kLeft) drag_ = hit.part == kHitKey ? kKey : (hit.part == kHitSlopeIn ? kSlopeIn : kSlopeOut);
        return false;
    }
    selected_ = nullptr;
    if (button != kLeft) return false;
    // A new key where the click was, between the first and the last key and clear of others.
    float frame = FrameAt(x);
    if (env_->grid) frame = std::round(frame);
    const Pcontrol* last = env_->LastKey();
    if (!(frame >= env_->first.time + kMinGap) || !(frame <= last->time - kMinGap)) return false;
    for (const Pcontrol* k = &env_->first; k; k = k->next) {
        if (std::fabs(k->time - frame) < kMinGap) return false;
    }
    Pcontrol* key = CreateKeyAtCursor(env_, frame, Clamp(ValueAt(y)));
    if (!key) return false;
    selected_ = key;
    drag_ = kKey;
    return true;
}

void EnvelopeView::MoveKey(float x, float y) {
    Pcontrol* k = selected_;
    k->value = Clamp(ValueAt(y));
    // The first and the last key bound the curve: they keep their frames.
    if (k != &env_->first && k->next) {
        float frame = FrameAt(x);
        if (env_->grid) frame = std::round(frame);
        const float lo = k->prev->time + kMinGap, hi = k->next->time - kMinGap;
        if (lo <= hi) k->time = std::clamp(frame, lo, hi);
    }
}

bool EnvelopeView::Move(float x, float y) {
    const float dx = x - last_x_, dy = y - last_y_;
    last_x_ = x;
    last_y_ = y;
    if (!env_ || drag_ == kNone) return false;
    if (drag_ == kPan) {
        const float fx = dx * (env_->view_x1 - env_->view_x0) / static_cast<float>(width_);
        const float fy = dy * (env_->view_top - env_->view_bottom) / static_cast<float>(height_);
        env_->view_x0 -= fx;
        env_->view_x1 -= fx;
        env_->view_top += fy;
        env_->view_bottom += fy;
        return false;
    }
    selected_ = selected();
    if (!selected_) return false;
    if (drag_ == kKey) {
        MoveKey(x, y);
    } else {
        // A handle lies 10 frames from its key: its height over the key is 10 × the slope.
        const float rise = ValueAt(y) - selected_->value;
        if (drag_ == kSlopeOut) selected_->slope_out = rise / kHandleFrames;
        if (drag_ == kSlopeIn) selected_->slope_in = -rise / kHandleFrames;
    }
    env_->Resample();
    return true;
}

void EnvelopeView::Release() { drag_ = kNone; }

void EnvelopeView::Zoom(float x, float y, float factor) {
    if (!env_ || !(factor > 0.0f)) return;
    // Not closer than a hundredth of a frame and of a unit across: the mapping must stay sound.
    if (factor < 1.0f && (env_->view_x1 - env_->view_x0 < 0.01f || env_->view_top - env_->view_bottom < 0.01f)) return;
    const float frame = FrameAt(x), value = ValueAt(y);
    env_->view_x0 = frame + (env_->view_x0 - frame) * factor;
    env_->view_x1 = frame + (env_->view_x1 - frame) * factor;
    env_->view_top = value + (env_->view_top - value) * factor;
    env_->view_bottom = value + (env_->view_bottom - value) * factor;
}

bool EnvelopeView::RemoveSelected() {
    if (!env_ || !selected() || !env_->RemoveKey(selected_)) return false;
    selected_ = nullptr;
    return true;
}

}  // namespace ui
