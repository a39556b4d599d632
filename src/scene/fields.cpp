#include "scene/fields.h"

#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/format.h"
#include "scene/preferences.h"

namespace fields {

double ParseNumber(const char* text) {
    if (!text) return 0.0;
    const char* p = text;
    while (*p == ' ' || *p == '\t') ++p;
    // Only plain decimal notation: no hexadecimal, infinities or NaNs from a typed field.
    const char* start = p;
    if (*p == '+' || *p == '-') ++p;
    bool digits = false;
    while (std::isdigit(static_cast<unsigned char>(*p))) {
        ++p;
        digits = true;
    }
    if (*p == '.') {
        ++p;
        while (std::isdigit(static_cast<unsigned char>(*p))) {
            ++p;
            digits = true;
        }
    }
    if (!digits) return 0.0;
    if (*p == 'e' || *p == 'E') {
        const char* q = p + 1;
        if (*q == '+' || *q == '-') ++q;
        if (std::isdigit(static_cast<unsigned char>(*q))) {
            while (std::isdigit(static_cast<unsigned char>(*q))) ++q;
            p = q;
        }
    }
    std::string number(start, p);
    double v = std::strtod(number.c_str(), nullptr);
    // An exponent past the range of the field's type is no number the user meant.
    if (!(v > -1e300 && v < 1e300)) return 0.0;
    return v;
}

bool LooksLikeZero(const char* text) {
    if (!text) return false;
    const char* p = text;
    if (*p == ' ') ++p;
    if (*p == '-') ++p;
    return *p == '0';
}

}  // namespace fields

namespace {

template <typename T>
int ReadField(platform::Dialog* dialog, int id, T* value, T min, T max, size_t max_chars,
              void (*show)(platform::Dialog*, int, T)) {
    if (!dialog || !value) return 0;
    std::string text = dialog->GetText(id).substr(0, max_chars);
    double parsed = fields::ParseNumber(text.c_str());
    const double type_max = static_cast<double>(std::numeric_limits<T>::max());
    if (!(parsed >= -type_max && parsed <= type_max)) parsed = 0.0;
    T result = static_cast<T>(parsed);
    if (result == 0 && !fields::LooksLikeZero(text.c_str())) {
        show(dialog, id, *value);
        return 0;
    }
    const T no_limit = static_cast<T>(kNoLimit);
    if (min != max) {
        if (min != no_limit && result < min) {
            result = min;
            show(dialog, id, min);
        }
        if (max != no_limit && result > max) {
            result = max;
            show(dialog, id, max);
        }
    }
    *value = result;
    return 1;
}

}  // namespace

int DameFloat(platform::Dialog* dialog, int id, float* value, float min, float max) {
    return ReadField<float>(dialog, id, value, min, max, 9, PonFloat);
}

int DameDouble(platform::Dialog* dialog, int id, double* value, double min, double max) {
    return ReadField<double>(dialog, id, value, min, max, 19, PonDouble);
}

void PonFloat(platform::Dialog* dialog, int id, float value) {
    if (!dialog) return;
    const char* format = "%5.2f";
    if (prefs.decimals == 1) format = "%5.1f";
    if (prefs.decimals == 3) format = "%5.3f";
    dialog->SetText(id, platform::Format(format, static_cast<double>(value)));
}

void PonDouble(platform::Dialog* dialog, int id, double value) {
    if (!dialog) return;
    dialog->SetText(id, platform::Format("%5.2lf", value));
}
