// Text typed into numeric fields: the first byte picks the limits, the rest is the text.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/dialog.h"
#include "scene/anifloat.h"
#include "scene/fields.h"

namespace {

constexpr int kField = 100;
const platform::ControlTemplate kControls[] = {
    {kField, platform::ControlKind::Edit, "", 0, 0, 30, 12, 0},
};
const platform::DialogTemplate kPanel = {"Fields", 40, 20, kControls, 1};

struct Limits {
    float min, max;
};
const Limits kLimits[] = {{0, 0}, {0, kNoLimit}, {kNoLimit, 10}, {-1, 1}, {5, -5}, {kNoLimit, kNoLimit}};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::Quiet();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static platform::Dialog* dialog = platform::CreateDialog(&kPanel, nullptr, nullptr);
    const Limits& l = kLimits[data[0] % (sizeof kLimits / sizeof kLimits[0])];
    const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);

    dialog->SetText(kField, text);
    float f = 2.5f;
    DameFloat(dialog, kField, &f, l.min, l.max);
    PonFloat(dialog, kField, f);

    dialog->SetText(kField, text);
    double d = 2.5;
    DameDouble(dialog, kField, &d, l.min, l.max);
    PonDouble(dialog, kField, d);

    dialog->SetText(kField, text);
    ANIFloat param;
    param.InitValue(1.0f, "Viscosity", l.min, l.max);
    DameANIFloat(dialog, kField, &param);
    fuzz::ForgetMessages();
    return 0;
}
