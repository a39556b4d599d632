// Evaluation of the surface field (see field.h for the layout and the exact sums).
#include "mesh/field.h"

#include <algorithm>
#include <bit>
#include <cmath>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "fluid/fluido.h"
#include "math/noise.h"
#include "mesh/mesh.h"

namespace {

constexpr int kRunBatch = 64;
constexpr double kFixed = 4294967296.0;  // 2^32
constexpr double kUnfixed = 1.0 / 4294967296.0;
// Adding 2^52 + 2^51 to a double below 2^51 in size leaves it rounded to an integer (to even)
// in the low bits of its mantissa.
constexpr double kRound = 6755399441055744.0;

struct Run {
    int from, to;
};

using Source = SurfaceField::Source;

int64_t Fixed(float w) {
    const double d = static_cast<double>(w) * kFixed + kRound;
    return std::bit_cast<int64_t>(d) - std::bit_cast<int64_t>(kRound);
}

// One term of the sum: w for a particle at (x, y, z) with weight c, seen from p.
inline bool Term(float x, float y, float z, float c, float px, float py, float pz, float r2,
                 float inv, float* w) {
    const float dx = x - px, dy = y - py, dz = z - pz;
    const float d2 = (dx * dx + dy * dy) + dz * dz;
    if (!(d2 < r2)) return false;
    const float t = 1.0f - d2 * inv;
    *w = c * ((t * t) * t);
    return true;
}

// --- gathering -------------------------------------------------------------------------------

using GatherKernel = void (*)(const Source& s, const Run* runs, int n, const Vector& c, float r2,
                              FieldGather* out);

void Append(FieldGather* out, const Source& s, int i) {
    out->Reserve(static_cast<size_t>(out->count) + 1);
    const size_t at = static_cast<size_t>(out->count++);
    const size_t k = static_cast<size_t>(i);
    out->x[at] = s.x[k];
    out->y[at] = s.y[k];
    out->z[at] = s.z[k];
    out->coef[at] = s.coef[k];
    out->index[at] = i;
}

void GatherPlain(const Source& s, const Run* runs, int n, const Vector& c, float r2,
                 FieldGather* out) {
    for (int r = 0; r < n; ++r) {
        for (int i = runs[r].from; i < runs[r].to; ++i) {
            const float dx = s.x[static_cast<size_t>(i)] - c.x;
            const float dy = s.y[static_cast<size_t>(i)] - c.y;
            const float dz = s.z[static_cast<size_t>(i)] - c.z;
            if ((dx * dx + dy * dy) + dz * dz < r2) Append(out, s, i);
        }
    }
}

#if defined(__x86_64__)
__attribute__((target("avx512f"))) void GatherAvx512(const Source& s, const Run* runs, int n,
                                                      const Vector& c, float r2, FieldGather* out) {
    size_t total = 0;
    for (int r = 0; r < n; ++r) total += static_cast<size_t>(runs[r].to - runs[r].from);
    size_t at = static_cast<size_t>(out->count);
    out->Reserve(at + total + 16);
    const __m512 vx = _mm512_set1_ps(c.x), vy = _mm512_set1_ps(c.y), vz = _mm512_set1_ps(c.z);
    const __m512 vr2 = _mm512_set1_ps(r2);
    const __m512i lane = _mm512_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
    for (int r = 0; r < n; ++r) {
        for (int i = runs[r].from; i < runs[r].to; i += 16) {
            const int left = runs[r].to - i;
            const __mmask16 in = left >= 16 ? static_cast<__mmask16>(0xFFFF)
                                            : static_cast<__mmask16>((1u << left) - 1);
            const __m512 x = _mm512_maskz_loadu_ps(in, s.x.data() + i);
            const __m512 y = _mm512_maskz_loadu_ps(in, s.y.data() + i);
            const __m512 z = _mm512_maskz_loadu_ps(in, s.z.data() + i);
            const __m512 dx = _mm512_sub_ps(x, vx), dy = _mm512_sub_ps(y, vy), dz = _mm512_sub_ps(z, vz);
            const __m512 d2 = _mm512_add_ps(
                _mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy)), _mm512_mul_ps(dz, dz));
            const __mmask16 keep = _mm512_mask_cmp_ps_mask(in, d2, vr2, _CMP_LT_OQ);
            if (!keep) continue;
            // Packed in a register and stored whole: the arrays have room past the end.
            _mm512_storeu_ps(out->x.data() + at, _mm512_maskz_compress_ps(keep, x));
            _mm512_storeu_ps(out->y.data() + at, _mm512_maskz_compress_ps(keep, y));
            _mm512_storeu_ps(out->z.data() + at, _mm512_maskz_compress_ps(keep, z));
            _mm512_storeu_ps(out->coef.data() + at,
                             _mm512_maskz_compress_ps(keep, _mm512_maskz_loadu_ps(in, s.coef.data() + i)));
            _mm512_storeu_si512(out->index.data() + at,
                                _mm512_maskz_compress_epi32(keep, _mm512_add_epi32(_mm512_set1_epi32(i), lane)));
            at += static_cast<size_t>(__builtin_popcount(keep));
        }
    }
    out->count = static_cast<int>(at);
}
#endif

// --- summing ---------------------------------------------------------------------------------

using SumKernel = int64_t (*)(const FieldGather& g, int from, int to, float px, float py, float pz,
                              float r2, float inv);

int64_t SumPlain(const FieldGather& g, int from, int to, float px, float py, float pz, float r2,
                 float inv) {
    int64_t sum = 0;
    for (int i = from; i < to; ++i) {
        const size_t k = static_cast<size_t>(i);
        float w;
        if (Term(g.x[k], g.y[k], g.z[k], g.coef[k], px, py, pz, r2, inv, &w)) sum += Fixed(w);
    }
    return sum;
}

#if defined(__x86_64__)
// The compiler's widening intrinsics start from an undefined register, which it then warns about.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wuninitialized"
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif
__attribute__((target("avx512f,avx512dq"))) int64_t SumAvx512(const FieldGather& g, int from,
                                                                int to, float px, float py,
                                                                float pz, float r2, float inv) {
    const __m512 vx = _mm512_set1_ps(px), vy = _mm512_set1_ps(py), vz = _mm512_set1_ps(pz);
    const __m512 vr2 = _mm512_set1_ps(r2), vinv = _mm512_set1_ps(inv);
    const __m512 one = _mm512_set1_ps(1.0f);
    const __m512d scale = _mm512_set1_pd(kFixed);
    __m512i lo = _mm512_setzero_si512(), hi = _mm512_setzero_si512();
    for (int i = from; i < to; i += 16) {
        const int left = to - i;
        const __mmask16 in = left >= 16 ? static_cast<__mmask16>(0xFFFF)
                                        : static_cast<__mmask16>((1u << left) - 1);
        const __m512 dx = _mm512_sub_ps(_mm512_maskz_loadu_ps(in, g.x.data() + i), vx);
        const __m512 dy = _mm512_sub_ps(_mm512_maskz_loadu_ps(in, g.y.data() + i), vy);
        const __m512 dz = _mm512_sub_ps(_mm512_maskz_loadu_ps(in, g.z.data() + i), vz);
        const __m512 d2 = _mm512_add_ps(
            _mm512_add_ps(_mm512_mul_ps(dx, dx), _mm512_mul_ps(dy, dy)), _mm512_mul_ps(dz, dz));
        const __mmask16 near = _mm512_mask_cmp_ps_mask(in, d2, vr2, _CMP_LT_OQ);
        if (!near) continue;
        const __m512 t = _mm512_sub_ps(one, _mm512_mul_ps(d2, vinv));
        const __m512 t3 = _mm512_mul_ps(_mm512_mul_ps(t, t), t);
        const __m512 w = _mm512_maskz_mul_ps(near, _mm512_maskz_loadu_ps(in, g.coef.data() + i), t3);
        const __m512d w0 = _mm512_mul_pd(_mm512_cvtps_pd(_mm512_castps512_ps256(w)), scale);
        const __m512d w1 = _mm512_mul_pd(_mm512_cvtps_pd(_mm512_extractf32x8_ps(w, 1)), scale);
        lo = _mm512_add_epi64(lo, _mm512_cvtpd_epi64(w0));
        hi = _mm512_add_epi64(hi, _mm512_cvtpd_epi64(w1));
    }
    return _mm512_reduce_add_epi64(_mm512_add_epi64(lo, hi));
}
#pragma GCC diagnostic pop

__attribute__((target("avx2"))) int64_t SumAvx2(const FieldGather& g, int from, int to, float px,
                                                 float py, float pz, float r2, float inv) {
    const __m256 vx = _mm256_set1_ps(px), vy = _mm256_set1_ps(py), vz = _mm256_set1_ps(pz);
    const __m256 vr2 = _mm256_set1_ps(r2), vinv = _mm256_set1_ps(inv);
    const __m256 one = _mm256_set1_ps(1.0f);
    const __m256d scale = _mm256_set1_pd(kFixed), round = _mm256_set1_pd(kRound);
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    __m256i acc = _mm256_setzero_si256();
    for (int i = from; i < to; i += 8) {
        const __m256i in = _mm256_cmpgt_epi32(_mm256_set1_epi32(to - i), lane);
        const __m256 dx = _mm256_sub_ps(_mm256_maskload_ps(g.x.data() + i, in), vx);
        const __m256 dy = _mm256_sub_ps(_mm256_maskload_ps(g.y.data() + i, in), vy);
        const __m256 dz = _mm256_sub_ps(_mm256_maskload_ps(g.z.data() + i, in), vz);
        const __m256 d2 = _mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(dx, dx), _mm256_mul_ps(dy, dy)),
                                        _mm256_mul_ps(dz, dz));
        const __m256 near = _mm256_and_ps(_mm256_cmp_ps(d2, vr2, _CMP_LT_OQ), _mm256_castsi256_ps(in));
        if (_mm256_movemask_ps(near) == 0) continue;
        const __m256 t = _mm256_sub_ps(one, _mm256_mul_ps(d2, vinv));
        const __m256 t3 = _mm256_mul_ps(_mm256_mul_ps(t, t), t);
        const __m256 w = _mm256_and_ps(_mm256_mul_ps(_mm256_maskload_ps(g.coef.data() + i, in), t3), near);
        for (int half = 0; half < 2; ++half) {
            const __m128 part = half ? _mm256_extractf128_ps(w, 1) : _mm256_castps256_ps128(w);
            const __m256d d = _mm256_add_pd(_mm256_mul_pd(_mm256_cvtps_pd(part), scale), round);
            acc = _mm256_add_epi64(acc, _mm256_sub_epi64(_mm256_castpd_si256(d),
                                                         _mm256_castpd_si256(round)));
        }
    }
    alignas(32) int64_t parts[4];
    _mm256_store_si256(reinterpret_cast<__m256i*>(parts), acc);
    return parts[0] + parts[1] + parts[2] + parts[3];
}
#endif

struct Kernels {
    GatherKernel gather;
    SumKernel sum;
};

Kernels BestKernels() {
#if defined(__x86_64__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq")) {
        return {GatherAvx512, SumAvx512};
    }
    if (__builtin_cpu_supports("avx2")) return {GatherPlain, SumAvx2};
#endif
    return {GatherPlain, SumPlain};
}

Kernels g_kernels = BestKernels();

// First cell of the index range covering offset v, clamped to [0, n].
int CellLo(float v, float inv, int n) {
    const float f = v * inv;
    if (!(f > 0.0f)) return 0;
    if (f >= static_cast<float>(n)) return n;
    return static_cast<int>(f);
}
// One past the last cell covering offset v, clamped to [0, n].
int CellHi(float v, float inv, int n) {
    const float f = v * inv;
    if (!(f > -1.0f)) return 0;
    if (f >= static_cast<float>(n)) return n;
    return std::min(static_cast<int>(f) + 1, n);
}

// Calls visit(runs, count) with batches of the stretches of particles that may lie within
// `radius` of p: the grid's columns near enough in x and y, each cut to the z span the sphere
// allows.
template <typename Visit>
void ForRuns(const Source& s, const Vector& p, float radius, Visit visit) {
    const float reach = radius + s.slack;
    const float r2 = radius * radius;
    const int i0 = CellLo(p.x - reach - s.ox, s.invCell, s.nx);
    const int i1 = CellHi(p.x + reach - s.ox, s.invCell, s.nx);
    const int j0 = CellLo(p.y - reach - s.oy, s.invCell, s.ny);
    const int j1 = CellHi(p.y + reach - s.oy, s.invCell, s.ny);
    Run runs[kRunBatch];
    int n = 0;
    for (int i = i0; i < i1; ++i) {
        const float xlo = s.ox + static_cast<float>(i) * s.cell - s.slack;
        const float xhi = xlo + s.cell + 2.0f * s.slack;
        const float dx = std::max(0.0f, std::max(xlo - p.x, p.x - xhi));
        for (int j = j0; j < j1; ++j) {
            const float ylo = s.oy + static_cast<float>(j) * s.cell - s.slack;
            const float yhi = ylo + s.cell + 2.0f * s.slack;
            const float dy = std::max(0.0f, std::max(ylo - p.y, p.y - yhi));
            const float dxy = dx * dx + dy * dy;
            if (!(dxy < r2)) continue;
            const float rz = std::sqrt(r2 - dxy) + s.slack;
            const int k0 = CellLo(p.z - rz - s.oz, s.invCell, s.nz);
            const int k1 = CellHi(p.z + rz - s.oz, s.invCell, s.nz);
            if (k0 >= k1) continue;
            const size_t base = (static_cast<size_t>(i) * static_cast<size_t>(s.ny) +
                                 static_cast<size_t>(j)) * static_cast<size_t>(s.nz);
            const int from = s.start[base + static_cast<size_t>(k0)];
            const int to = s.start[base + static_cast<size_t>(k1)];
            if (from >= to) continue;
            runs[n++] = {from, to};
            if (n == kRunBatch) {
                visit(runs, n);
                n = 0;
            }
        }
    }
    if (n > 0) visit(runs, n);
}

thread_local FieldGather t_point_gather;

}  // namespace

float FractalNoise(Vector x, float amplitude, int octaves) {
    float sum = 0.0f;
    float a = amplitude;
    for (int k = 0; k < octaves; ++k) {
        sum += a * Noise3(x);
        a *= 0.5f;
        x = x * 2.0f;
    }
    return sum;
}

void SurfaceField::UsePlainArithmetic(bool plain) {
    g_kernels = plain ? Kernels{GatherPlain, SumPlain} : BestKernels();
}

void SurfaceField::Release() {
    sources_.clear();
    sources_.shrink_to_fit();
    link_count_ = 0;
    single_plain_ = false;
}

void SurfaceField::Gather(const Vector& centre, float reach, FieldGather* out) const {
    out->centre = centre;
    out->reach = reach;
    out->count = 0;
    out->begin.clear();
    for (const Source& s : sources_) {
        out->begin.push_back(out->count);
        const float radius = s.R + reach;
        const float r2 = radius * radius;
        ForRuns(s, centre, radius, [&](const Run* runs, int n) {
            g_kernels.gather(s, runs, n, centre, r2, out);
        });
    }
    out->begin.push_back(out->count);
}

float SurfaceField::ValueFrom(const FieldGather& g, const Vector& p, Vector* colour) const {
    if (single_plain_) {
        // One link without noise: its weight is 1 wherever the field is not 0.
        const Source& s = sources_[0];
        const int64_t sum = g_kernels.sum(g, g.begin[0], g.begin[1], p.x, p.y, p.z, s.R2, s.invR2);
        const float total = static_cast<float>(static_cast<double>(sum) * kUnfixed);
        if (colour) *colour = total != 0.0f ? Vector(0, 0, 0) + s.colour * (total / total) : Vector(0, 0, 0);
        return total - 1.0f;
    }
    int64_t partial[16];
    std::vector<int64_t> many;
    int64_t* sums = partial;
    if (sources_.size() > 16) {
        many.resize(sources_.size());
        sums = many.data();
    }
    bool plain = true;
    for (size_t l = 0; l < sources_.size(); ++l) {
        const Source& s = sources_[l];
        if (s.drag) {
            plain = false;
            continue;
        }
        sums[l] = g_kernels.sum(g, g.begin[l], g.begin[l + 1], p.x, p.y, p.z, s.R2, s.invR2);
    }
    if (!plain) {
        FieldOutputs out;
        out.colour = colour;
        return Evaluate(p, out);
    }
    FieldOutputs out;
    out.colour = colour;
    return Combine(sums, &out, p, nullptr, nullptr);
}

float SurfaceField::Value(const Vector& p, Vector* colour) const {
    FieldGather& g = t_point_gather;
    Gather(p, 0.0f, &g);
    return ValueFrom(g, p, colour);
}

// T = sum of the links' sums; weights S_L / T, with undragged noise added to T link by link.
float SurfaceField::Combine(const int64_t* sums, const FieldOutputs* out, const Vector& p,
                            Vector* texture, Vector* velocity) const {
    int64_t fixed_total = 0;
    for (size_t l = 0; l < sources_.size(); ++l) fixed_total += sums[l];
    float total = static_cast<float>(static_cast<double>(fixed_total) * kUnfixed);
    if (out && out->weights) {
        for (int l = 0; l < link_count_; ++l) out->weights[l] = 0.0f;
    }
    Vector colour(0, 0, 0);
    for (size_t l = 0; l < sources_.size(); ++l) {
        const Source& s = sources_[l];
        const float sl = static_cast<float>(static_cast<double>(sums[l]) * kUnfixed);
        const float weight = total != 0.0f ? sl / total : 0.0f;
        if (out && out->weights) out->weights[s.link_index] = weight;
        colour = colour + s.colour * weight;
        if (s.noise && !s.drag) total += weight * FractalNoise(p * s.frequency, s.amplitude, s.octaves);
    }
    if (out && out->colour) *out->colour = colour;
    if (total != 0.0f) {
        if (texture) *texture = *texture / total;
        if (velocity) *velocity = *velocity / total;
    }
    return total - 1.0f;
}

float SurfaceField::Evaluate(const Vector& p, const FieldOutputs& out) const {
    FieldGather& g = t_point_gather;
    Gather(p, 0.0f, &g);
    return EvaluateFrom(g, p, out);
}

float SurfaceField::EvaluateFrom(const FieldGather& g, const Vector& p, const FieldOutputs& out) const {
    int64_t partial[16];
    std::vector<int64_t> many;
    int64_t* sums = partial;
    if (sources_.size() > 16) {
        many.resize(sources_.size());
        sums = many.data();
    }
    Vector texture(0, 0, 0), velocity(0, 0, 0);
    for (size_t l = 0; l < sources_.size(); ++l) {
        const Source& s = sources_[l];
        sums[l] = 0;
        const Matrix* frame = s.link ? &s.link->texMatrix : nullptr;
        const bool mapped = out.texture && out.channel == 0 && frame;
        if (!s.drag && s.extras) {
            // The blend of (P - q) . E + q's coordinate is E . (P sum w - sum w q) + sum w t:
            // sums over the particles' own copies, the frame applied once.
            float w_sum = 0.0f, c_sum = 0.0f;
            Vector wq(0, 0, 0), wt(0, 0, 0), wv(0, 0, 0);
            const float* channel = out.channel == 1 ? s.speed.data()
                                   : out.channel == 2 ? s.pressure.data()
                                                      : s.temperature.data();
            for (int i = g.begin[l]; i < g.begin[l + 1]; ++i) {
                const size_t k = static_cast<size_t>(i);
                float w;
                if (!Term(g.x[k], g.y[k], g.z[k], g.coef[k], p.x, p.y, p.z, s.R2, s.invR2, &w)) continue;
                sums[l] += Fixed(w);
                const size_t at = static_cast<size_t>(g.index[k]);
                if (mapped) {
                    w_sum += w;
                    wq = wq + Vector(g.x[k], g.y[k], g.z[k]) * w;
                    wt = wt + Vector(s.tx[at], s.ty[at], s.tz[at]) * w;
                } else if (out.texture) {
                    c_sum += w * ((channel[at] - out.channel_min) * out.channel_scale);
                }
                if (out.velocity) wv = wv + Vector(s.vx[at], s.vy[at], s.vz[at]) * w;
            }
            if (mapped) {
                const float* m = frame->m;
                const Vector d = p * w_sum - wq;
                texture = texture + Vector(d.x * m[0] + d.y * m[4] + d.z * m[8],
                                           d.x * m[1] + d.y * m[5] + d.z * m[9],
                                           d.x * m[2] + d.y * m[6] + d.z * m[10]) + wt;
            } else if (out.texture) {
                texture = texture + Vector(c_sum, c_sum, c_sum);
            }
            velocity = velocity + wv;
            continue;
        }
        for (int i = g.begin[l]; i < g.begin[l + 1]; ++i) {
            const size_t k = static_cast<size_t>(i);
            float w;
            if (!Term(g.x[k], g.y[k], g.z[k], g.coef[k], p.x, p.y, p.z, s.R2, s.invR2, &w)) continue;
            const Particula* q = s.who[static_cast<size_t>(g.index[k])];
            const Vector qp(g.x[k], g.y[k], g.z[k]);
            if (s.drag) w *= FractalNoise((p - qp + q->texCoord) * s.frequency, s.amplitude, s.octaves);
            sums[l] += Fixed(w);
            if (out.texture) {
                Vector value;
                if (mapped) {
                    const float* m = frame->m;
                    const Vector d = p - qp;
                    value = Vector(d.x * m[0] + d.y * m[4] + d.z * m[8],
                                   d.x * m[1] + d.y * m[5] + d.z * m[9],
                                   d.x * m[2] + d.y * m[6] + d.z * m[10]) +
                            q->texCoord;
                } else {
                    float v = 0.0f;
                    if (out.channel == 1) v = q->vel.Modulo() + q->extraVel.Modulo();
                    if (out.channel == 2) v = q->pressure;
                    if (out.channel == 3) v = q->temperature;
                    v = (v - out.channel_min) * out.channel_scale;
                    value = Vector(v, v, v);
                }
                texture = texture + value * w;
            }
            if (out.velocity) velocity = velocity + q->vel * w;
        }
    }
    const float result = Combine(sums, &out, p, out.texture ? &texture : nullptr,
                                 out.velocity ? &velocity : nullptr);
    if (out.texture) *out.texture = texture;
    if (out.velocity) *out.velocity = velocity;
    return result;
}

bool SurfaceField::Build(const Mesh& mesh, bool linked_marks) {
    // Sources of an earlier build are reused with their arrays, which keep their room.
    size_t used = 0;
    link_count_ = mesh.numLinks;
    for (int l = 0; l < mesh.numLinks; ++l) {
        const Lista& link = mesh.links[l];
        const Fluido* f = link.fluid;
        if (!f || !f->grid || f->nx <= 0 || f->ny <= 0 || f->nz <= 0) continue;
        if (sources_.size() <= used) sources_.emplace_back();
        Source& s = sources_[used++];
        s.link = &link;
        s.fluid = f;
        s.link_index = l;
        s.R = link.R;
        s.R2 = link.R2;
        s.invR2 = link.invR2;
        s.ox = f->boxMin.x;
        s.oy = f->boxMin.y;
        s.oz = f->boxMin.z;
        s.cell = f->cellSize;
        s.invCell = 1.0f / f->cellSize;
        s.nx = f->nx;
        s.ny = f->ny;
        s.nz = f->nz;
        s.noise = link.fractal != 0;
        s.drag = s.noise && link.dragNoise;
        s.amplitude = link.amplitude;
        s.frequency = link.frequency;
        s.octaves = link.octaves;
        s.colour = f->colour;
        const float own = link.subtractive ? -link.kernelScale : link.kernelScale;

        // The weight of a particle of this grid, or 0 to leave it out.
        auto weight = [&](const Particula* q) -> float {
            if (!std::isfinite(q->pos.x) || !std::isfinite(q->pos.y) || !std::isfinite(q->pos.z)) {
                return 0.0f;
            }
            if (q->owner == f) return linked_marks && q->meshMark ? 0.0f : own;
            if (mesh.LinkOf(q->owner)) return 0.0f;  // counted by its own link
            return q->meshMark ? 0.0f : -link.kernelScale;  // an unlinked fluid carves
        };
        const size_t cells = static_cast<size_t>(s.nx) * s.ny * s.nz;
        s.start.assign(cells + 1, 0);
        size_t total = 0;
        size_t c = 0;
        for (int i = 0; i < s.nx; ++i) {
            for (int j = 0; j < s.ny; ++j) {
                for (int k = 0; k < s.nz; ++k, ++c) {
                    s.start[c] = static_cast<int>(total);
                    const Voxel* v = f->grid[i][j][k];
                    if (!v) continue;
                    for (int m = 0; m < v->count; ++m) total += weight(v->particles[m]) != 0.0f;
                }
            }
        }
        s.start[cells] = static_cast<int>(total);
        s.x.resize(total);
        s.y.resize(total);
        s.z.resize(total);
        s.coef.resize(total);
        s.who.resize(total);
        // The per-vertex pass reads the particles' coordinates, velocities and values; copies
        // side by side cost less than a visit to every particle.
        s.extras = mesh.calcUVW || mesh.motionBlur;
        for (std::vector<float>* a : {&s.tx, &s.ty, &s.tz, &s.vx, &s.vy, &s.vz, &s.speed,
                                      &s.pressure, &s.temperature}) {
            a->resize(s.extras ? total : 0);
        }
        size_t at = 0;
        float slack = 0.0f;
        for (int i = 0; i < s.nx; ++i) {
            const float xlo = s.ox + static_cast<float>(i) * s.cell;
            for (int j = 0; j < s.ny; ++j) {
                const float ylo = s.oy + static_cast<float>(j) * s.cell;
                for (int k = 0; k < s.nz; ++k) {
                    const Voxel* v = f->grid[i][j][k];
                    if (!v) continue;
                    const float zlo = s.oz + static_cast<float>(k) * s.cell;
                    for (int m = 0; m < v->count; ++m) {
                        Particula* q = v->particles[m];
                        const float w = weight(q);
                        if (w == 0.0f) continue;
                        s.x[at] = q->pos.x;
                        s.y[at] = q->pos.y;
                        s.z[at] = q->pos.z;
                        s.coef[at] = w;
                        s.who[at] = q;
                        if (s.extras) {
                            s.tx[at] = q->texCoord.x;
                            s.ty[at] = q->texCoord.y;
                            s.tz[at] = q->texCoord.z;
                            s.vx[at] = q->vel.x;
                            s.vy[at] = q->vel.y;
                            s.vz[at] = q->vel.z;
                            s.speed[at] = q->vel.Modulo() + q->extraVel.Modulo();
                            s.pressure[at] = q->pressure;
                            s.temperature[at] = q->temperature;
                        }
                        ++at;
                        // Particles have moved since the grid was filled: how far outside
                        // their cell they now lie widens the search.
                        const float out[3] = {std::max(xlo - q->pos.x, q->pos.x - (xlo + s.cell)),
                                              std::max(ylo - q->pos.y, q->pos.y - (ylo + s.cell)),
                                              std::max(zlo - q->pos.z, q->pos.z - (zlo + s.cell))};
                        for (float o : out) slack = std::max(slack, o);
                    }
                }
            }
        }
        s.slack = slack > 0.0f ? slack * 1.0001f + 1e-6f * s.cell : 0.0f;
    }
    sources_.resize(used);
    single_plain_ = used == 1 && !sources_[0].noise;
    return used > 0;
}
