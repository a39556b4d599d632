#pragma once

#include <cstddef>
#include <type_traits>

#include "export.h"
#include "platform/dialog.h"

class Envelope;

// A simulation parameter that may change over time: a plain value, or, once animated, the
// value of its envelope at the current time. The field order is a binary contract with
// plug-ins, checked below.
class UNDALINE_API ANIFloat {
public:
    // Value 0, no label, no limits, not animated.
    ANIFloat();
    // Frees the envelope. An ANIFloat owns its envelope, so it is copied with Copy only.
    ~ANIFloat();
    ANIFloat(const ANIFloat&) = delete;
    ANIFloat& operator=(const ANIFloat&) = delete;

    // value = base = v, the label, not animated, no envelope (an earlier one is freed), and
    // min = max = 0 or the limits given.
    void InitValue(float v, const char* name);
    void InitValue(float v, const char* name, float minimum, float maximum);
    // value = the envelope's value at t seconds. Callers call it while animated is set.
    void UpdateValue(float t);
    // Copies value, base, animated and label, and the source's envelope, if any, into a new
    // one, key by key: time, value, slopes, type and advanced (tension, continuity and bias
    // stay 0), the view, the first two editor words, frames, loop, show_flag and the samples
    // as they are. The copy has no limits (0 and 0), the default grid, no sound and does not
    // use audio. The envelope this parameter had before is freed.
    void Copy(const ANIFloat* source);
    // Opens the envelope editor on the parameter (control `id` of window shows it; flag is
    // passed on to the editor). Nothing happens while a simulation runs. The envelope is
    // created on first use with 60 frames at the current value and the parameter's limits.
    // When the editor asks to remove the animation, the control shows base, the envelope is
    // freed and value = base; otherwise the parameter is animated.
    void AbreEnvelope(platform::Dialog* window, int id, int flag);
    // The parameter's record on the current workspace file: value, base, animated, min, max,
    // and the envelope record while animated. 1 on success; Load leaves the parameter as it
    // was when the record is short or broken.
    int Save();
    int Load();

    float value;     // read by the simulation
    float base;      // the value when not animated
    int animated;
    char label[256];
    Envelope* envelope;
    float max;       // limits handed to a new envelope and to the field
    float min;
};

static_assert(std::is_standard_layout_v<ANIFloat>);
static_assert(offsetof(ANIFloat, animated) == 8 && offsetof(ANIFloat, label) == 12);
static_assert(offsetof(ANIFloat, envelope) == 272 && offsetof(ANIFloat, max) == 280);
static_assert(offsetof(ANIFloat, min) == 284 && sizeof(ANIFloat) == 288);

// The envelope editor, a modal window of the desktop application. It works on the envelope
// through the operations of envelope_editor.h and tells how it ended.
enum EnvelopeEditorEnd {
    kEditorClosed = 0,         // the user closed the window
    kEditorClearEnvelope = 1,  // "Clear Envelope"
};
using EnvelopeEditor = int (*)(platform::Dialog* owner, int id, ANIFloat* param,
                               Envelope* envelope, int flag);
// Installs the application's editor; null restores the headless one, which ends at once with
// the preset answer (kEditorClosed unless set).
UNDALINE_API void SetEnvelopeEditor(EnvelopeEditor editor);
UNDALINE_API void SetEnvelopeEditorAnswer(int end);

// Whether an editor that ended this way asks to remove the animation: "Clear Envelope", or a
// close while every sample has the first sample's value and no sound is attached.
UNDALINE_API bool EditorRemovesAnimation(const Envelope* envelope, int end);
