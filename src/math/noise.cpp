#include "math/noise.h"

#include <cmath>
#include <cstdint>
#include <mutex>

#include "math/random.h"

namespace {

// clang-format off
constexpr std::uint8_t kPerm[256] = {
    225, 155, 210, 108, 175, 199, 221, 144, 203, 116, 70,  213, 69,  158, 33,  252,
    5,   82,  173, 133, 222, 139, 174, 27,  9,   71,  90,  246, 75,  130, 91,  191,
    169, 138, 2,   151, 194, 235, 81,  7,   25,  113, 228, 159, 205, 253, 134, 142,
    248, 65,  224, 217, 22,  121, 229, 63,  89,  103, 96,  104, 156, 17,  201, 129,
    36,  8,   165, 110, 237, 117, 231, 56,  132, 211, 152, 20,  181, 111, 239, 218,
    170, 163, 51,  172, 157, 47,  80,  212, 176, 250, 87,  49,  99,  242, 136, 189,
    162, 115, 44,  43,  124, 94,  150, 16,  141, 247, 32,  10,  198, 223, 255, 72,
    53,  131, 84,  57,  220, 197, 58,  50,  208, 11,  241, 28,  3,   192, 62,  202,
    18,  215, 153, 24,  76,  41,  15,  179, 39,  46,  55,  6,   128, 167, 23,  188,
    106, 34,  187, 140, 164, 73,  112, 182, 244, 195, 227, 13,  35,  77,  196, 185,
    26,  200, 226, 119, 31,  123, 168, 125, 249, 68,  183, 230, 177, 135, 160, 180,
    12,  1,   243, 148, 102, 166, 38,  238, 251, 37,  240, 126, 64,  74,  161, 40,
    184, 149, 171, 178, 101, 66,  29,  59,  146, 61,  254, 107, 42,  86,  154, 4,
    236, 232, 120, 21,  233, 209, 45,  98,  193, 114, 78,  19,  206, 14,  118, 127,
    48,  79,  147, 85,  30,  207, 219, 54,  88,  234, 190, 122, 95,  67,  143, 109,
    137, 214, 145, 93,  92,  100, 245, 0,   216, 186, 60,  83,  105, 97,  204, 52,
};
// clang-format on

constexpr float kTwoPi = 6.2831855f;

float g_gradient[256][3];
std::once_flag g_gradient_once;

// Unit vectors spread evenly over the sphere: z uniform in [-1, 1], angle uniform.
// The sequence from 665 fixes the noise of every scene, so it must not change.
void FillGradients() {
    RandomSeed(665);
    for (auto& g : g_gradient) {
        const double z = 1.0 - 2.0 * DameRandom();
        const double theta = double(kTwoPi) * DameRandom();
        const double rho = std::sqrt(1.0 - z * z);
        g[0] = static_cast<float>(rho * std::cos(theta));
        g[1] = static_cast<float>(rho * std::sin(theta));
        g[2] = static_cast<float>(z);
    }
}

// Lattice cell of v and the offset of v inside it. The cell is reduced to 0..255 here, which
// the hash does anyway, so that its sums cannot overflow for far-away points.
int Cell(float v, double* frac) {
    const float f = std::floor(v);
    *frac = double(v) - f;
    // From 2^31 on every float is a multiple of 256, so the cell index is 0 modulo 256.
    if (!(std::fabs(f) < 2147483648.0f)) return 0;
    return static_cast<int>(f) & 255;
}

// Gradient of lattice point (a, b, c), each in 0..255, dotted with offset (u, v, w).
double Corner(int a, int b, int c, double u, double v, double w) {
    const float* g = g_gradient[kPerm[(kPerm[(kPerm[c] + b) & 255] + a) & 255]];
    return u * g[0] + v * g[1] + w * g[2];
}

double Smooth(double f) {
    return (3.0 - 2.0 * f) * f * f;
}

}  // namespace

float Noise3(const Vector& p) {
    std::call_once(g_gradient_once, FillGradients);

    double fx, fy, fz;
    const int x0 = Cell(p.x, &fx), y0 = Cell(p.y, &fy), z0 = Cell(p.z, &fz);
    const int x1 = (x0 + 1) & 255, y1 = (y0 + 1) & 255, z1 = (z0 + 1) & 255;
    const double sx = Smooth(fx), sy = Smooth(fy), sz = Smooth(fz);

    auto along_x = [&](int y, int z, double v, double w) {
        const double a = Corner(x0, y, z, fx, v, w);
        const double b = Corner(x1, y, z, fx - 1.0, v, w);
        return a + sx * (b - a);
    };
    const double e00 = along_x(y0, z0, fy, fz);
    const double e10 = along_x(y1, z0, fy - 1.0, fz);
    const double e01 = along_x(y0, z1, fy, fz - 1.0);
    const double e11 = along_x(y1, z1, fy - 1.0, fz - 1.0);

    const double f0 = e00 + sy * (e10 - e00);
    const double f1 = e01 + sy * (e11 - e01);
    return static_cast<float>(f0 + sz * (f1 - f0));
}

Vector VNoise3(const Vector& p) {
    return Vector(Noise3(p), Noise3(p + Vector(2, 2, 2)), Noise3(p + Vector(5, 5, 5)));
}
