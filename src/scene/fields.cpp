#include "scene/fields.h"

#include <cctype>
#include <cstdlib>
#include <limits>
#include <string>

#include "platform/format.h"
#include "scene/anifloat.h"
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

// The steps of reading a field. store is called with every value the entry stores: the limit
// at a clamping step when store_limits is set, then the result.
template <typename T, typename Store>
int ReadField(platform::Dialog* dialog, int id, T current, T min, T max, size_t max_chars,
              void (*show)(platform::Dialog*, int, T), bool store_limits, Store store) {
    std::string text = dialog->GetText(id).substr(0, max_chars);
    double parsed = fields::ParseNumber(text.c_str());
    const double type_max = static_cast<double>(std::numeric_limits<T>::max());
    if (!(parsed >= -type_max && parsed <= type_max)) parsed = 0.0;
    T result = static_cast<T>(parsed);
    if (result == 0 && !fields::LooksLikeZero(text.c_str())) {
        show(dialog, id, current);
        return 0;
    }
    const T no_limit = static_cast<T>(kNoLimit);
    if (min != max) {
        if (min != no_limit && result < min) {
            result = min;
            if (store_limits) store(min);
            show(dialog, id, min);
        }
        if (max != no_limit && result > max) {
            result = max;
            if (store_limits) store(max);
            show(dialog, id, max);
        }
    }
    store(result);
    return 1;
}

}  // namespace

int DameFloat(platform::Dialog* dialog, int id, float* value, float min, float max) {
    if (!dialog || !value) return 0;
    return ReadField<float>(dialog, id, *value, min, max, 9, PonFloat, false,
                            [&](float v) { *value = v; });
}

int DameDouble(platform::Dialog* dialog, int id, double* value, double min, double max) {
    if (!dialog || !value) return 0;
    return ReadField<double>(dialog, id, *value, min, max, 19, PonDouble, false,
                             [&](double v) { *value = v; });
}

int DameANIFloat(platform::Dialog* dialog, int id, ANIFloat* param) {
    if (!dialog || !param) return 0;
    // An animated parameter is the envelope's: the field only shows it.
    if (param->animated) {
        PonFloat(dialog, id, param->value);
        return 0;
    }
    return ReadField<float>(dialog, id, param->value, param->min, param->max, 9, PonFloat, true,
                            [&](float v) {
                                param->base = param->value;
                                param->value = v;
                            });
}

ANIFloat* QueryAnimatedParameter(platform::Dialog* dialog, int id) {
    if (!dialog) return nullptr;
    ANIFloat* slot = nullptr;
    dialog->Send(kMsgAnimatedParameter, static_cast<uintptr_t>(id),
                 reinterpret_cast<intptr_t>(&slot));
    return slot;
}

uint32_t ProcesaCtlColorEdit(platform::Dialog* dialog, int id) {
    const ANIFloat* param = QueryAnimatedParameter(dialog, id);
    if (!param) return kFieldColourNone;
    return param->animated ? kFieldColourAnimated : kFieldColourParameter;
}

bool RequestOpenEnvelope(platform::Dialog* dialog, int id) {
    if (!QueryAnimatedParameter(dialog, id)) return false;
    dialog->Send(platform::kMsgCommand, platform::MakeCommand(kCmdOpenEnvelope, 0), id);
    return true;
}

int ProcesaOpenEnvelope(platform::Dialog* dialog, uintptr_t wparam, intptr_t lparam) {
    if (!dialog || platform::CommandId(wparam) != kCmdOpenEnvelope) return 0;
    const int id = static_cast<int>(lparam);
    if (ANIFloat* param = QueryAnimatedParameter(dialog, id)) param->AbreEnvelope(dialog, id, 0);
    return 1;
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
