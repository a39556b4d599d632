#include "fluid/pair_kernels.h"

#include <cmath>

#include "fluid/particula.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// GCC 12's own wide square root wrapper trips its uninitialised-value warning.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace pair_kernels {

namespace {
bool g_wide_enabled = true;
}

void Neighbourhood::Gather(const Particula* p, bool with_motion) {
    const size_t n = static_cast<size_t>(p->numNeighbours);
    if (x.size() < n) {
        for (auto* v : {&x, &y, &z, &vx, &vy, &vz, &mass, &density, &pressure, &dx, &dy, &dz,
                        &term}) {
            v->resize(n + 64);
        }
    }
    for (size_t i = 0; i < n; ++i) {
        const Particula* q = p->neighbours[i];
        x[i] = q->pos.x;
        y[i] = q->pos.y;
        z[i] = q->pos.z;
        mass[i] = q->mass;
        if (with_motion) {
            vx[i] = q->vel.x;
            vy[i] = q->vel.y;
            vz[i] = q->vel.z;
            density[i] = q->density;
            pressure[i] = q->pressure;
        }
    }
}

namespace {

// The plain forms: the reference the wide forms below must match bit for bit.
void DensityPlain(Neighbourhood& nb, int from, int n, float px, float py, float pz, float ck,
                  float inv_h) {
    for (int i = from; i < n; ++i) {
        float dx = px - nb.x[i], dy = py - nb.y[i], dz = pz - nb.z[i];
        float r = std::sqrt(dx * dx + dy * dy + dz * dz);
        float s = 2.0f - r * inv_h;
        nb.term[i] = s * s * s * ck * nb.mass[i];
    }
}

void ForcePlain(Neighbourhood& nb, int from, int n, const ForceConstants& c) {
    for (int i = from; i < n; ++i) {
        float dx = c.px - nb.x[i], dy = c.py - nb.y[i], dz = c.pz - nb.z[i];
        float r2 = dx * dx + dy * dy + dz * dz;
        // G(0) = 0: coincident particles push nothing (and nothing is divided by zero).
        bool apart = r2 != 0.0f;
        float r = std::sqrt(apart ? r2 : 1.0f);
        float s = 2.0f - r * c.inv_h;
        float g = c.g_scale * s * s / r;
        float k = -nb.mass[i] * (c.a_i + nb.pressure[i] / (nb.density[i] * nb.density[i])) * g;
        float vr = (c.pvx - nb.vx[i]) * dx + (c.pvy - nb.vy[i]) * dy + (c.pvz - nb.vz[i]) * dz;
        if (vr < 0.0f || c.full_viscosity) {
            k += nb.mass[i] * c.mu2 * vr * g /
                 (c.h * (r2 * c.inv_h2 + 0.01f) * (c.density + nb.density[i]));
        }
        nb.term[i] = apart ? k : 0.0f;
        nb.dx[i] = dx;
        nb.dy[i] = dy;
        nb.dz[i] = dz;
    }
}

#if defined(__x86_64__)
// Sixteen pairs at a time, the same operations in the same order as the plain forms; the
// last group is masked to the pairs that are left.
__attribute__((target("avx512f"))) int DensityWide(Neighbourhood& nb, int n, float px, float py,
                                                    float pz, float ck, float inv_h) {
    const __m512 vpx = _mm512_set1_ps(px), vpy = _mm512_set1_ps(py), vpz = _mm512_set1_ps(pz);
    const __m512 two = _mm512_set1_ps(2.0f), vck = _mm512_set1_ps(ck);
    const __m512 vinv_h = _mm512_set1_ps(inv_h);
    int i = 0;
    for (; i < n; i += 16) {
        const __mmask16 lanes = n - i >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (n - i)) - 1);
        __m512 dx = _mm512_sub_ps(vpx, _mm512_maskz_loadu_ps(lanes, &nb.x[i]));
        __m512 dy = _mm512_sub_ps(vpy, _mm512_maskz_loadu_ps(lanes, &nb.y[i]));
        __m512 dz = _mm512_sub_ps(vpz, _mm512_maskz_loadu_ps(lanes, &nb.z[i]));
        __m512 r2 = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy)),
                                  _mm512_mul_ps(dz, dz));
        __m512 s = _mm512_sub_ps(two, _mm512_mul_ps(_mm512_sqrt_ps(r2), vinv_h));
        __m512 t = _mm512_mul_ps(_mm512_mul_ps(_mm512_mul_ps(_mm512_mul_ps(s, s), s), vck),
                                 _mm512_maskz_loadu_ps(lanes, &nb.mass[i]));
        _mm512_mask_storeu_ps(&nb.term[i], lanes, t);
    }
    return n;
}

__attribute__((target("avx512f"))) int ForceWide(Neighbourhood& nb, int n,
                                                  const ForceConstants& c) {
    const __m512 px = _mm512_set1_ps(c.px), py = _mm512_set1_ps(c.py), pz = _mm512_set1_ps(c.pz);
    const __m512 pvx = _mm512_set1_ps(c.pvx), pvy = _mm512_set1_ps(c.pvy);
    const __m512 pvz = _mm512_set1_ps(c.pvz);
    const __m512 zero = _mm512_setzero_ps(), one = _mm512_set1_ps(1.0f);
    const __m512 two = _mm512_set1_ps(2.0f), small = _mm512_set1_ps(0.01f);
    const __m512 inv_h = _mm512_set1_ps(c.inv_h), inv_h2 = _mm512_set1_ps(c.inv_h2);
    const __m512 g_scale = _mm512_set1_ps(c.g_scale), a_i = _mm512_set1_ps(c.a_i);
    const __m512 h = _mm512_set1_ps(c.h), mu2 = _mm512_set1_ps(c.mu2);
    const __m512 density = _mm512_set1_ps(c.density);
    const __mmask16 all = c.full_viscosity ? 0xFFFF : 0;
    for (int i = 0; i < n; i += 16) {
        // The last group takes only the pairs that are left; the other lanes are never stored.
        const __mmask16 lanes = n - i >= 16 ? 0xFFFF : static_cast<__mmask16>((1u << (n - i)) - 1);
#define load(v) _mm512_maskz_loadu_ps(lanes, &(v)[i])
        __m512 dx = _mm512_sub_ps(px, load(nb.x));
        __m512 dy = _mm512_sub_ps(py, load(nb.y));
        __m512 dz = _mm512_sub_ps(pz, load(nb.z));
        __m512 r2 = _mm512_add_ps(_mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy)),
                                  _mm512_mul_ps(dz, dz));
        __mmask16 apart = _mm512_cmp_ps_mask(r2, zero, _CMP_NEQ_UQ);
        __m512 r = _mm512_sqrt_ps(_mm512_mask_blend_ps(apart, one, r2));
        __m512 s = _mm512_sub_ps(two, _mm512_mul_ps(r, inv_h));
        __m512 g = _mm512_div_ps(_mm512_mul_ps(_mm512_mul_ps(g_scale, s), s), r);
        __m512 m = load(nb.mass);
        __m512 rho = load(nb.density);
        __m512 pj = _mm512_div_ps(load(nb.pressure), _mm512_mul_ps(rho, rho));
        __m512 k = _mm512_mul_ps(
            _mm512_mul_ps(_mm512_sub_ps(zero, m), _mm512_add_ps(a_i, pj)), g);
        __m512 vr = _mm512_add_ps(
            _mm512_add_ps(_mm512_mul_ps(_mm512_sub_ps(pvx, load(nb.vx)), dx),
                          _mm512_mul_ps(_mm512_sub_ps(pvy, load(nb.vy)), dy)),
            _mm512_mul_ps(_mm512_sub_ps(pvz, load(nb.vz)), dz));
        __m512 num = _mm512_mul_ps(_mm512_mul_ps(_mm512_mul_ps(m, mu2), vr), g);
        __m512 den = _mm512_mul_ps(
            _mm512_mul_ps(h, _mm512_add_ps(_mm512_mul_ps(r2, inv_h2), small)),
            _mm512_add_ps(density, rho));
        __mmask16 viscous = _mm512_cmp_ps_mask(vr, zero, _CMP_LT_OQ) | all;
        k = _mm512_mask_add_ps(k, viscous, k, _mm512_div_ps(num, den));
        _mm512_mask_storeu_ps(&nb.term[i], lanes, _mm512_maskz_mov_ps(apart, k));
        _mm512_mask_storeu_ps(&nb.dx[i], lanes, dx);
        _mm512_mask_storeu_ps(&nb.dy[i], lanes, dy);
        _mm512_mask_storeu_ps(&nb.dz[i], lanes, dz);
    }
    return n;
}
#undef load

bool HasWide() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx512f");
}
const bool g_wide = HasWide();
#endif

}  // namespace

void DensityTerms(Neighbourhood& nb, int n, float px, float py, float pz, float ck, float inv_h) {
    int done = 0;
#if defined(__x86_64__)
    if (g_wide && g_wide_enabled) done = DensityWide(nb, n, px, py, pz, ck, inv_h);
#endif
    DensityPlain(nb, done, n, px, py, pz, ck, inv_h);
}

void ForceTerms(Neighbourhood& nb, int n, const ForceConstants& c) {
    int done = 0;
#if defined(__x86_64__)
    if (g_wide && g_wide_enabled) done = ForceWide(nb, n, c);
#endif
    ForcePlain(nb, done, n, c);
}

void UseWideKernels(bool on) { g_wide_enabled = on; }

}  // namespace pair_kernels
