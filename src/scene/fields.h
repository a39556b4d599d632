#pragma once

#include "export.h"
#include "platform/dialog.h"

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

namespace fields {

// Parses the decimal number at the start of text, after leading blanks; 0 when none.
UNDALINE_API double ParseNumber(const char* text);
// Whether text looks like a zero: "0..." or "-0...", after at most one blank.
UNDALINE_API bool LooksLikeZero(const char* text);

}  // namespace fields
