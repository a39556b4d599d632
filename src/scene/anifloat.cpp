#include "scene/anifloat.h"

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/format.h"
#include "platform/workspace_file.h"
#include "scene/envelope.h"
#include "scene/envelope_file.h"
#include "scene/fields.h"
#include "scene/simulation_state.h"

namespace {

std::atomic<EnvelopeEditor> g_editor{nullptr};
std::atomic<int> g_editor_answer{kEditorClosed};

int RunEditor(platform::Dialog* owner, int id, ANIFloat* param, Envelope* env, int flag) {
    if (EnvelopeEditor editor = g_editor.load()) return editor(owner, id, param, env, flag);
    return g_editor_answer.load();
}

// The envelope Copy makes: keys without their spline controls, the samples as they are.
Envelope* CopyEnvelope(const Envelope& from) {
    Envelope* to = new Envelope;
    to->frames = from.frames;
    if (from.samples && !to->AllocateTables()) {
        delete to;
        return nullptr;
    }
    Pcontrol* last = nullptr;
    for (const Pcontrol* p = &from.first; p; p = p->next) {
        Pcontrol* key = last ? new Pcontrol : &to->first;
        key->time = p->time;
        key->value = p->value;
        key->slope_in = p->slope_in;
        key->slope_out = p->slope_out;
        key->type = p->type;
        key->advanced = p->advanced;
        if (last) {
            key->prev = last;
            last->next = key;
        }
        last = key;
    }
    to->view_x0 = from.view_x0;
    to->view_x1 = from.view_x1;
    to->view_bottom = from.view_bottom;
    to->view_top = from.view_top;
    to->editor_state[0] = from.editor_state[0];
    to->editor_state[1] = from.editor_state[1];
    to->loop = from.loop;
    to->show_flag = from.show_flag;
    if (from.samples) {
        std::copy(from.samples, from.samples + from.SampleCount(), to->samples);
    }
    return to;
}

}  // namespace

void SetEnvelopeEditor(EnvelopeEditor editor) { g_editor.store(editor); }
void SetEnvelopeEditorAnswer(int end) { g_editor_answer.store(end); }

bool EditorRemovesAnimation(const Envelope* env, int end) {
    if (end == kEditorClearEnvelope) return true;
    if (!env || env->audio) return false;
    const int n = env->SampleCount();
    for (int i = 1; i < n; ++i) {
        if (env->samples[i].y != env->samples[0].y) return false;
    }
    return true;
}

ANIFloat::ANIFloat()
    : value(0), base(0), animated(0), label{}, envelope(nullptr), max(0), min(0) {}

ANIFloat::~ANIFloat() { delete envelope; }

void ANIFloat::InitValue(float v, const char* name) { InitValue(v, name, 0.0f, 0.0f); }

void ANIFloat::InitValue(float v, const char* name, float minimum, float maximum) {
    value = v;
    base = v;
    platform::CopyText(label, sizeof label, name ? name : "");
    animated = 0;
    delete envelope;
    envelope = nullptr;
    min = minimum;
    max = maximum;
}

void ANIFloat::UpdateValue(float t) {
    if (envelope) value = envelope->DameValor(t);
}

void ANIFloat::Copy(const ANIFloat* source) {
    if (!source || source == this) return;
    value = source->value;
    base = source->base;
    animated = source->animated;
    std::memcpy(label, source->label, sizeof label);
    label[sizeof label - 1] = '\0';
    delete envelope;
    envelope = source->envelope ? CopyEnvelope(*source->envelope) : nullptr;
    // Without the envelope (no memory for it) the copy cannot be animated.
    if (source->envelope && !envelope) {
        animated = 0;
        value = base;
    }
}

void ANIFloat::AbreEnvelope(platform::Dialog* window, int id, int flag) {
    if (SimulationRunning()) return;
    if (!envelope) envelope = new Envelope(60, value, min, max);
    const int end = RunEditor(window, id, this, envelope, flag);
    if (EditorRemovesAnimation(envelope, end)) {
        PonFloat(window, id, base);
        delete envelope;
        envelope = nullptr;
        value = base;
        animated = 0;
    } else {
        animated = 1;
    }
    if (window) window->Repaint();
}

int ANIFloat::Save() {
    // A parameter marked animated without an envelope is stored as a plain one, so the record
    // that follows always matches the flag.
    const int32_t stored = envelope ? animated : 0;
    bool ok = platform::WriteF32(value) && platform::WriteF32(base) && platform::WriteI32(stored) &&
              platform::WriteF32(min) && platform::WriteF32(max);
    if (ok && stored) ok = SaveEnvelopeRecord(envelope) == 1;
    return ok ? 1 : 0;
}

int ANIFloat::Load() {
    float v = 0, b = 0, lo = 0, hi = 0;
    int32_t a = 0;
    if (!(platform::ReadF32(&v) && platform::ReadF32(&b) && platform::ReadI32(&a) &&
          platform::ReadF32(&lo) && platform::ReadF32(&hi))) {
        return 0;
    }
    Envelope* loaded = nullptr;
    if (a) {
        loaded = new Envelope;
        if (!LoadEnvelopeRecord(loaded)) {
            delete loaded;
            return 0;
        }
    }
    value = v;
    base = b;
    animated = a;
    min = lo;
    max = hi;
    delete envelope;
    envelope = loaded;
    return 1;
}
