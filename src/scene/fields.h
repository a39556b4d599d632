#pragma once

#include <cstdint>

#include "export.h"
#include "platform/dialog.h"

class ANIFloat;

// Numeric edit fields. Panels and plug-in parameter windows read a field when it loses the
// focus and show values with these, so every field behaves the same way.

// A limit of 666 means no limit on that side; equal limits (usually 0 and 0) mean none at all.
constexpr float kNoLimit = 666.0f;

// Reads a float field into *value. Text that gives 0 without looking like a zero is refused
// (the field shows *value again); a value past a limit becomes the limit and the field shows
// it. A valid entry within the limits keeps its text as typed. Returns 1 when *value was
// stored, 0 when the entry was refused.
UNDALINE_API int DameFloat(platform::Dialog* dialog, int id, float* value, float min, float max);
UNDALINE_API int DameDouble(platform::Dialog* dialog, int id, double* value, double min,
                            double max);

// Shows a float with the decimals preference ("%5.1f", "%5.2f" or "%5.3f").
UNDALINE_API void PonFloat(platform::Dialog* dialog, int id, float value);
// Shows a double with "%5.2lf", whatever the preference.
UNDALINE_API void PonDouble(platform::Dialog* dialog, int id, double value);

// Reads a field that edits an animated parameter. While the parameter is animated the field
// only shows its value and nothing is read. Otherwise the steps of DameFloat run with the
// parameter's min and max, and every value stored into value first moves the old value into
// base: after a clamped entry base and value both hold the limit, after an entry within the
// limits base holds the value from before it. Returns 1 when a value was stored.
UNDALINE_API int DameANIFloat(platform::Dialog* dialog, int id, ANIFloat* param);

// Fields that edit animated parameters. A field asks its dialog which parameter it edits with
// kMsgAnimatedParameter: wparam the control id, lparam the address of an ANIFloat* slot that
// holds null. A dialog procedure whose field edits a parameter stores its address there.
constexpr unsigned kMsgAnimatedParameter = platform::kMsgUser + 20;
// "Open Envelope": a kMsgCommand with this id, the field's control id as lparam.
constexpr int kCmdOpenEnvelope = 1009;

// The parameter control id edits, asked of its dialog; null for a plain field.
UNDALINE_API ANIFloat* QueryAnimatedParameter(platform::Dialog* dialog, int id);

// Background colours of fields, 0xRRGGBB.
constexpr uint32_t kFieldColourNone = 0xFFFFFFFFu;      // the platform's own colours
constexpr uint32_t kFieldColourParameter = 0xFFFFC8u;   // an animatable parameter, not animated
constexpr uint32_t kFieldColourAnimated = 0xFFC8C8u;    // an animated parameter
// The colour of field id, by the parameter its dialog answers for it. The application fills
// the field's background (and the text background) with it, or keeps the platform's colours
// for kFieldColourNone.
UNDALINE_API uint32_t ProcesaCtlColorEdit(platform::Dialog* dialog, int id);

// What a double-click on a field (or its "Open Envelope" menu) does: when the field edits a
// parameter, sends its dialog the "Open Envelope" command for it. False for a plain field.
UNDALINE_API bool RequestOpenEnvelope(platform::Dialog* dialog, int id);
// What a panel does with a command: "Open Envelope" opens the envelope editor on the
// parameter of the field named by lparam (ANIFloat::AbreEnvelope). Returns 1 when the command
// was "Open Envelope", 0 for any other, which the panel handles itself.
UNDALINE_API int ProcesaOpenEnvelope(platform::Dialog* dialog, uintptr_t wparam, intptr_t lparam);

namespace fields {

// Parses the decimal number at the start of text, after leading blanks; 0 when none.
UNDALINE_API double ParseNumber(const char* text);
// Whether text looks like a zero: "0..." or "-0...", after at most one blank.
UNDALINE_API bool LooksLikeZero(const char* text);

}  // namespace fields
