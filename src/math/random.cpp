#include "math/random.h"

#include <climits>
#include <cmath>
#include <cstdint>

namespace {

thread_local std::uint32_t g_state = 1;

// The single-precision value nearest 1/32767, so that 32767 maps to exactly 1.
constexpr float kUnit = 3.0518509e-05f;

// Truncation toward zero that saturates instead of overflowing; NaN gives 0.
int Trunca(double v) {
    if (v >= 2147483647.0) return INT_MAX;
    if (v <= -2147483648.0) return INT_MIN;
    if (std::isnan(v)) return 0;
    return static_cast<int>(v);
}

}  // namespace

int RandomNext() {
    g_state = g_state * 214013u + 2531011u;
    return static_cast<int>((g_state >> 16) & 0x7FFFu);
}

void RandomSeed(unsigned state) {
    g_state = state;
}

float DameRandom() {
    return static_cast<float>(RandomNext()) * kUnit;
}

float DameRandom11() {
    const float u = static_cast<float>(RandomNext()) * kUnit;
    return static_cast<float>((double(u) - 0.5) * 2.0);
}

int Redondea(double x) {
    const int i = Trunca(x);
    if (std::fabs(x - i) >= 0.5) return Trunca(x + 1.0);
    return i;
}

// x + 1 is formed in double, where it is exact for every float that gets that far; in float
// 0.99999994 + 1 would round up to 2.
int Redondea(float x) {
    return Redondea(static_cast<double>(x));
}
