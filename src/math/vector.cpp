#include "math/vector.h"

#include <cstdio>

#include "platform/message_box.h"

namespace {

// Room for a long label and three %f values of any magnitude; longer text is cut.
constexpr std::size_t kPrintBuffer = 1024;

void Show(const char* text) {
    platform::MessageBox(text, "Undaline", platform::kIconExclamation, platform::kButtonsOk);
}

}  // namespace

void Vector::Print(const char* label) const {
    char text[kPrintBuffer];
    std::snprintf(text, sizeof text, "%s (%f %f %f)", label ? label : "", x, y, z);
    Show(text);
}

void DVector::Print(const char* label) const {
    char text[kPrintBuffer];
    std::snprintf(text, sizeof text, "%s (%lf %lf %lf)", label ? label : "", x, y, z);
    Show(text);
}
