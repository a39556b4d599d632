#include "scene/envelope.h"

#include <cmath>
#include <new>
#include <vector>

#include "math/matrix.h"
#include "scene/fields.h"
#include "scene/simulation_state.h"
#include "scene/soundwave.h"

// Sampling. Segments next to a Tangent key follow the cubic with the keys' slopes at both
// ends; a segment ending on a Linear key is a straight line; all others are Kochanek–Bartels
// splines in Hermite form (Catmull–Rom for plain Smooth keys). The Tangent cubic is solved in
// the segment's own parameter u = (x − time_k)/(time_k+1 − time_k): it is the same cubic as
// in frames, but the system stays well conditioned however far from frame 0 the segment
// lies and however short it is.

namespace {

int ClampFrames(int frames) {
    if (frames < 0) return 0;
    return frames > kMaxEnvelopeFrames ? kMaxEnvelopeFrames : frames;
}

struct Cubic {
    double a = 0, b = 0, c = 0, d = 0;
};

// Inverse of the conditions p(0), p(1), p'(0), p'(1) on p(u) = a·u³ + b·u² + c·u + d.
Matrix HermiteSystemInverse() {
    const Matrix conditions(0, 0, 0, 1,   // p(0)
                            1, 1, 1, 1,   // p(1)
                            0, 0, 1, 0,   // p'(0)
                            3, 2, 1, 0);  // p'(1)
    return conditions.Inverse();
}

Cubic SolveTangentCubic(const Matrix& inverse, const Pcontrol& k0, const Pcontrol& k1) {
    const double span = static_cast<double>(k1.time) - k0.time;
    const double rhs[4] = {k0.value, k1.value, k0.slope_out * span, k1.slope_in * span};
    double coef[4];
    for (int r = 0; r < 4; ++r) {
        coef[r] = 0;
        for (int c = 0; c < 4; ++c) coef[r] += static_cast<double>(inverse.m[4 * c + r]) * rhs[c];
    }
    return Cubic{coef[0], coef[1], coef[2], coef[3]};
}

// A quotient of time spans that is 0 rather than infinite when keys share a time.
double SpanRatio(double num, double den) { return den != 0 ? num / den : 0.0; }

double KochanekBartels(const std::vector<const Pcontrol*>& keys, size_t k, double u) {
    const size_t n = keys.size();
    const Pcontrol& p0 = *keys[k];
    const Pcontrol& p1 = *keys[k + 1];
    const double v0 = p0.value, v1 = p1.value;
    const double delta = v1 - v0;
    const double span = static_cast<double>(p1.time) - p0.time;

    double out;
    {
        const double t = p0.tension, c = p0.continuity, b = p0.bias;
        const double before = (1 - t) * (1 + c) * (1 + b);
        const double after = (1 - t) * (1 - c) * (1 - b);
        if (k > 0) {
            const Pcontrol& pm = *keys[k - 1];
            out = (before * (v0 - pm.value) + after * delta) *
                  SpanRatio(span, static_cast<double>(p1.time) - pm.time);
        } else {
            out = (after + before) * delta * 0.5;
        }
    }
    double in;
    {
        const double t = p1.tension, c = p1.continuity, b = p1.bias;
        const double after = (1 - t) * (1 + c) * (1 - b);
        const double before = (1 - t) * (1 - c) * (1 + b);
        if (k + 2 < n) {
            const Pcontrol& p2 = *keys[k + 2];
            in = (after * (p2.value - v1) + before * delta) *
                 SpanRatio(span, static_cast<double>(p2.time) - p0.time);
        } else {
            in = (after + before) * delta * 0.5;
        }
    }
    const double u2 = u * u, u3 = u2 * u;
    return (2 * u3 - 3 * u2 + 1) * v0 + (3 * u2 - 2 * u3) * v1 + (u3 - 2 * u2 + u) * out +
           (u3 - u2) * in;
}

// The segment k with time_k < x <= time_k+1; the first one for x at or before the first key.
size_t FindSegment(const std::vector<const Pcontrol*>& keys, float x) {
    size_t lo = 0, hi = keys.size() - 2;
    while (lo < hi) {
        const size_t mid = (lo + hi) / 2;
        if (x <= keys[mid + 1]->time) {
            hi = mid;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

Vector* NewTable(int count) {
    Vector* table = new (std::nothrow) Vector[static_cast<size_t>(count)];
    return table;
}

}  // namespace

Pcontrol::Pcontrol() : Pcontrol(0.0f, 0.0f) {}

Pcontrol::Pcontrol(float t, float v)
    : time(t),
      value(v),
      slope_in(0),
      slope_out(0),
      type(kKeySmooth),
      advanced(0),
      tension(0),
      continuity(0),
      bias(0),
      next(nullptr),
      prev(nullptr) {}

Envelope::Envelope()
    : first(),
      view_x0(0),
      view_x1(0),
      view_bottom(0),
      view_top(0),
      min_value(0),
      max_value(0),
      editor_state{0, 0, 0, 0},
      frames(0),
      samples(nullptr),
      audio_samples(nullptr),
      audio(nullptr),
      loop(0),
      show_flag(0),
      use_audio(0),
      grid(1) {}

Envelope::Envelope(int length, float value, float min, float max) : Envelope() {
    frames = ClampFrames(length);
    first.value = value;
    Pcontrol* last = new Pcontrol(static_cast<float>(frames), value);
    last->prev = &first;
    first.next = last;
    view_x1 = static_cast<float>(frames + 1);
    view_bottom = -2.0f * std::fabs(value);
    view_top = 2.0f * std::fabs(value);
    min_value = min;
    max_value = max;
    if (!AllocateTables()) frames = 0;
    Resample();
}

Envelope::~Envelope() {
    Pcontrol* p = first.next;
    while (p) {
        Pcontrol* next = p->next;
        delete p;
        p = next;
    }
    first.next = nullptr;
    delete[] samples;
    delete[] audio_samples;
    delete audio;
}

bool Envelope::AllocateTables() {
    if (frames < 0 || frames > kMaxEnvelopeFrames) return false;
    const int count = frames * 4 + 1;
    Vector* s = NewTable(count);
    Vector* a = NewTable(count);
    if (!s || !a) {
        delete[] s;
        delete[] a;
        return false;
    }
    delete[] samples;
    delete[] audio_samples;
    samples = s;
    audio_samples = a;
    return true;
}

int Envelope::SampleCount() const { return samples ? frames * 4 + 1 : 0; }

int Envelope::KeyCount() const {
    int n = 0;
    for (const Pcontrol* p = &first; p; p = p->next) ++n;
    return n;
}

Pcontrol* Envelope::LastKey() {
    Pcontrol* p = &first;
    while (p->next) p = p->next;
    return p;
}

float Envelope::DameValor(float t) const {
    const Vector* table = use_audio && audio_samples ? audio_samples : samples;
    if (!table) return first.value;
    const long long count = static_cast<long long>(frames) * 4 + 1;
    const double position = static_cast<double>(FramesPerSecond()) * t * 4.0 + 1.0;
    long long i;
    if (!(position >= 0.0)) {
        i = 0;  // a time before the start (or no number at all) holds the first sample
    } else if (position >= static_cast<double>(count)) {
        const bool wrap = loop && std::isfinite(position);
        i = wrap ? static_cast<long long>(std::fmod(std::trunc(position), static_cast<double>(count)))
                 : count - 1;
    } else {
        i = static_cast<long long>(position);
    }
    return table[i].y;
}

void Envelope::Resample() {
    if (!samples) return;
    std::vector<const Pcontrol*> keys;
    for (const Pcontrol* p = &first; p; p = p->next) keys.push_back(p);
    const size_t n = keys.size();

    std::vector<Cubic> cubics(n > 1 ? n - 1 : 0);
    const Matrix inverse = HermiteSystemInverse();
    for (size_t k = 0; k + 1 < n; ++k) {
        if (keys[k]->type == kKeyTangent || keys[k + 1]->type == kKeyTangent) {
            cubics[k] = SolveTangentCubic(inverse, *keys[k], *keys[k + 1]);
        }
    }

    const int last = frames * 4;
    const float t0 = keys.front()->time;
    const float span = keys.back()->time - t0;
    for (int i = 0; i <= last; ++i) {
        const float x = last > 0 ? t0 + span * static_cast<float>(i) / static_cast<float>(last) : t0;
        double y = keys[0]->value;
        if (n > 1) {
            const size_t k = FindSegment(keys, x);
            const Pcontrol& p0 = *keys[k];
            const Pcontrol& p1 = *keys[k + 1];
            const double width = static_cast<double>(p1.time) - p0.time;
            if (width <= 0) {
                // Keys sharing a time: only the start of the curve can land here.
                y = p0.value;
            } else {
                const double u = (x - static_cast<double>(p0.time)) / width;
                if (p0.type == kKeyTangent || p1.type == kKeyTangent) {
                    const Cubic& q = cubics[k];
                    y = ((q.a * u + q.b) * u + q.c) * u + q.d;
                } else if (p1.type == kKeyLinear) {
                    y = p0.value + (static_cast<double>(p1.value) - p0.value) * u;
                } else {
                    y = KochanekBartels(keys, k, u);
                }
            }
        }
        samples[i] = Vector(x, static_cast<float>(y), 0.0f);
    }

    if (min_value != max_value) {
        for (int i = 0; i <= last; ++i) {
            float& y = samples[i].y;
            if (min_value != kNoLimit && y < min_value) y = min_value;
            if (max_value != kNoLimit && y > max_value) y = max_value;
        }
    }
}

Pcontrol* Envelope::InsertKey(float time, float value) {
    if (!(time > first.time)) return nullptr;
    Pcontrol* after = &first;
    while (after->next && after->next->time < time) after = after->next;
    Pcontrol* key = new Pcontrol(time, value);
    key->prev = after;
    key->next = after->next;
    if (after->next) after->next->prev = key;
    after->next = key;
    Resample();
    return key;
}

bool Envelope::RemoveKey(Pcontrol* key) {
    if (!key || key == &first || !key->next) return false;
    const Pcontrol* p = first.next;
    while (p && p != key) p = p->next;
    if (!p) return false;
    key->prev->next = key->next;
    key->next->prev = key->prev;
    delete key;
    Resample();
    return true;
}

bool Envelope::SetFrames(int length) {
    if (length < 0 || length > kMaxEnvelopeFrames) return false;
    const int old_frames = frames;
    frames = length;
    if (!AllocateTables()) {
        frames = old_frames;
        return false;
    }
    Pcontrol* p = first.next;
    while (p) {
        Pcontrol* next = p->next;
        delete p;
        p = next;
    }
    Pcontrol* last = new Pcontrol(static_cast<float>(frames), first.value);
    last->prev = &first;
    first.next = last;
    view_x0 = 0;
    view_x1 = static_cast<float>(frames + 1);
    view_bottom = -2.0f * std::fabs(first.value);
    view_top = 2.0f * std::fabs(first.value);
    Resample();
    if (audio) FillAudioTable(this);
    return true;
}
