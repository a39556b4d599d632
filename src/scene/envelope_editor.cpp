#include "scene/envelope_editor.h"

#include <cmath>

#include "platform/format.h"
#include "platform/message_box.h"
#include "scene/envelope.h"

namespace {

constexpr float kHitTolerance = 8.0f;
constexpr float kHandleFrames = 10.0f;

bool Near(float ax, float ay, float bx, float by) {
    return std::fabs(ax - bx) <= kHitTolerance && std::fabs(ay - by) <= kHitTolerance;
}

}  // namespace

bool SetKeyType(Envelope* env, Pcontrol* key, int type) {
    if (!env || !key || type < kKeySmooth || type > kKeyLinear) return false;
    key->type = type;
    // Tension, continuity and bias stay: they shape a Smooth key's curve whether or not
    // "Advanced" is marked.
    if (type == kKeySmooth) key->advanced = 0;
    env->Resample();
    return true;
}

void SetKeySplineControls(Envelope* env, Pcontrol* key, float tension, float continuity,
                          float bias) {
    if (!env || !key) return;
    key->tension = tension;
    key->continuity = continuity;
    key->bias = bias;
    key->advanced = 1;
    env->Resample();
}

Pcontrol* CreateKeyAtCursor(Envelope* env, float x, float y) {
    if (!env || !(x <= static_cast<float>(env->frames))) return nullptr;
    return env->InsertKey(x, y);
}

bool AskSetFrames(Envelope* env, int frames, platform::Dialog* editor, int field) {
    if (!env) return false;
    bool changed = false;
    if (frames >= 0 && frames <= kMaxEnvelopeFrames) {
        const int answer =
            platform::MessageBox("This will remove existing information.\nDo you want to continue?",
                                 "Undaline", platform::kIconQuestion, platform::kButtonsYesNo);
        if (answer == platform::kAnswerYes) changed = env->SetFrames(frames);
    }
    if (!changed && editor) editor->SetText(field, platform::Format("%d", env->frames));
    return changed;
}

void FitViewToSamples(Envelope* env) {
    if (!env || !env->samples) return;
    const int n = env->SampleCount();
    float x0 = env->samples[0].x, x1 = x0, y0 = env->samples[0].y, y1 = y0;
    for (int i = 1; i < n; ++i) {
        const Vector& s = env->samples[i];
        x0 = std::fmin(x0, s.x);
        x1 = std::fmax(x1, s.x);
        y0 = std::fmin(y0, s.y);
        y1 = std::fmax(y1, s.y);
    }
    env->view_x0 = x0;
    env->view_x1 = x1;
    env->view_bottom = y0;
    env->view_top = y1;
}

EnvelopeHit HitTestEnvelope(Envelope* env, float px, float py, int width, int height) {
    EnvelopeHit none{kHitNothing, nullptr};
    if (!env || width <= 0 || height <= 0) return none;
    const float wide = env->view_x1 - env->view_x0;
    const float tall = env->view_top - env->view_bottom;
    if (!(wide != 0) || !(tall != 0)) return none;
    auto sx = [&](float frame) { return (frame - env->view_x0) * static_cast<float>(width) / wide; };
    auto sy = [&](float v) { return (env->view_top - v) * static_cast<float>(height) / tall; };
    for (Pcontrol* k = &env->first; k; k = k->next) {
        if (Near(px, py, sx(k->time), sy(k->value))) return EnvelopeHit{kHitKey, k};
        if (k->type != kKeyTangent) continue;
        if (Near(px, py, sx(k->time - kHandleFrames), sy(k->value - kHandleFrames * k->slope_in))) {
            return EnvelopeHit{kHitSlopeIn, k};
        }
        if (Near(px, py, sx(k->time + kHandleFrames), sy(k->value + kHandleFrames * k->slope_out))) {
            return EnvelopeHit{kHitSlopeOut, k};
        }
    }
    return none;
}
