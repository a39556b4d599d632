#include "objects/sd_motion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "scene/axes.h"
#include "scene/nodo.h"

namespace {

constexpr double kToDegrees = 180.0 / std::numbers::pi;

struct Axes {
    int family;
    int index[3];
    explicit Axes(int platform) { PlatformAxes(platform, &family, index); }
    Vector Map(const float v[3]) const {
        Vector r;
        for (int k = 0; k < 3; ++k) r[index[k]] = v[k];
        return r;
    }
    void Unmap(const Vector& v, float out[3]) const {
        for (int k = 0; k < 3; ++k) out[k] = v[index[k]];
    }
};

bool Finite(const Vector& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// S·M·S with S exchanging y and z: rows 1 and 2 change places, then columns 1 and 2.
Matrix SwapYZ(const Matrix& m) {
    Matrix r;
    const int p[4] = {0, 2, 1, 3};
    for (int c = 0; c < 4; ++c) {
        for (int row = 0; row < 4; ++row) r.m[4 * c + row] = m.m[4 * p[c] + p[row]];
    }
    return r;
}

bool RecomposesMatrix(int platform, float version) {
    return (platform == kPlatformLightwave && version == kOldSdVersion) ||
           platform == kPlatformSoftimage;
}

}  // namespace

Matrix SdComposeKey(const SdKey& key, int platform) {
    const Axes axes(platform);
    Matrix t, s, p;
    t.MatrixTranslation(key.pos);
    s.MatrixScale(key.scale);
    p.MatrixTranslation(-key.pivot);
    return t * NodeRotationFor(axes.family, key.angles) * s * p;
}

bool SdPointFromFile(const float raw[3], int platform, float scale_factor, Vector* out) {
    *out = Axes(platform).Map(raw) * scale_factor;
    return Finite(*out);
}

void SdPointToFile(const Vector& p, int platform, float out[3]) {
    Axes(platform).Unmap(p, out);
}

bool SdKeyFromFile(const SdFrameObject& raw, int platform, float version, float scale_factor,
                   SdKey* out) {
    const Axes axes(platform);
    SdKey k;
    k.pos = axes.Map(raw.pos) * scale_factor;
    k.pivot = axes.Map(raw.pivot) * scale_factor;
    k.scale = axes.Map(raw.scale);
    float degrees[3];
    for (int i = 0; i < 3; ++i) degrees[i] = static_cast<float>(raw.angles[i] * kToDegrees);
    if (platform == kPlatformLightwave) std::swap(degrees[0], degrees[1]);
    k.angles = axes.Map(degrees);
    if (platform == kPlatformMax) k.pivot = -k.pivot;

    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) k.matrix.m[4 * c + r] = raw.matrix[3 * c + r];
        k.matrix.m[4 * c + 3] = 0.0f;
    }
    k.matrix.SetTranslation(Vector(raw.matrix[9], raw.matrix[10], raw.matrix[11]) * scale_factor);
    k.matrix.m[15] = 1.0f;
    if (platform == kPlatformMax) k.matrix = SwapYZ(k.matrix);
    if (RecomposesMatrix(platform, version)) k.matrix = SdComposeKey(k, platform);

    // A matrix whose axes are too long to measure could not be blended between frames.
    if (!Finite(k.pos) || !Finite(k.pivot) || !Finite(k.scale) || !Finite(k.angles) ||
        !Finite(k.matrix.GetScale())) {
        return false;
    }
    for (float v : k.matrix.m) {
        if (!std::isfinite(v)) return false;
    }
    *out = k;
    return true;
}

void SdKeyToFile(const SdKey& key, int platform, SdFrameObject* out) {
    const Axes axes(platform);
    axes.Unmap(key.pos, out->pos);
    axes.Unmap(platform == kPlatformMax ? -key.pivot : key.pivot, out->pivot);
    axes.Unmap(key.scale, out->scale);
    float degrees[3];
    axes.Unmap(key.angles, degrees);
    if (platform == kPlatformLightwave) std::swap(degrees[0], degrees[1]);
    for (int i = 0; i < 3; ++i) out->angles[i] = static_cast<float>(degrees[i] / kToDegrees);
    const Matrix m = platform == kPlatformMax ? SwapYZ(key.matrix) : key.matrix;
    for (int c = 0; c < 3; ++c) {
        for (int r = 0; r < 3; ++r) out->matrix[3 * c + r] = m.m[4 * c + r];
    }
    const Vector t = m.GetTranslation();
    out->matrix[9] = t.x;
    out->matrix[10] = t.y;
    out->matrix[11] = t.z;
}

SdKey SdKeyOfMatrix(const Matrix& m, int platform) {
    SdKey k;
    k.matrix = m;
    k.pos = m.GetTranslation();
    double col[3][3], len[3];
    for (int c = 0; c < 3; ++c) {
        len[c] =
            std::sqrt(double(m.m[4 * c]) * m.m[4 * c] + double(m.m[4 * c + 1]) * m.m[4 * c + 1] +
                      double(m.m[4 * c + 2]) * m.m[4 * c + 2]);
        for (int r = 0; r < 3; ++r) col[c][r] = len[c] > 0 ? m.m[4 * c + r] / len[c] : (r == c);
    }
    // A mirror is kept in the scale, so what is left is a rotation.
    const double det = col[0][0] * (col[1][1] * col[2][2] - col[2][1] * col[1][2]) -
                       col[1][0] * (col[0][1] * col[2][2] - col[2][1] * col[0][2]) +
                       col[2][0] * (col[0][1] * col[1][2] - col[1][1] * col[0][2]);
    if (det < 0) {
        len[0] = -len[0];
        for (double& v : col[0]) v = -v;
    }
    k.scale = Vector(float(len[0]), float(len[1]), float(len[2]));
    auto R = [&](int r, int c) { return col[c][r]; };

    // The rotation is R_i(a)·R_j(b)·R_k(c) for the family's order of axes; e is +1 when
    // (i, j, k) is an even permutation of (x, y, z).
    int family, unused[3];
    PlatformAxes(platform, &family, unused);
    int i = 1, j = 0, kk = 2;  // family 1: y, x, z
    if (family == 2) i = 1, j = 2, kk = 0;
    if (family == 3) i = 0, j = 1, kk = 2;
    const double e = (i == 0 && j == 1) || (i == 1 && j == 2) || (i == 2 && j == 0) ? 1.0 : -1.0;
    const double sb = std::clamp(e * R(i, kk), -1.0, 1.0);
    double a, b = std::asin(sb), c;
    if (std::fabs(sb) < 1.0 - 1e-9) {
        a = std::atan2(-e * R(j, kk), R(kk, kk));
        c = std::atan2(-e * R(i, j), R(i, i));
    } else {
        a = std::atan2(e * R(kk, j), R(j, j));
        c = 0.0;
    }
    k.angles[i] = float(a * kToDegrees);
    k.angles[j] = float(b * kToDegrees);
    k.angles[kk] = float(c * kToDegrees);
    return k;
}
