#pragma once

// The times of a stream of emissions: one every `interval` seconds of the fluid's emitTime,
// from `start` until `stop` (0: never stops).
//
// The driver ends steps exactly on the time DameTiempoMaximo reports, so an emission normally
// falls on the very time the emitter runs. When it does not (the fluid is at its particle
// limit and the driver stops consulting the emitter, or a caller steps freely), each emission
// is handed its lateness, and the emitter places what it emits as far along as it would have
// travelled by now: the stream keeps its spacing whatever the steps.

#include <algorithm>
#include <cmath>

namespace shipped {

class EmissionClock {
public:
    void Reset(float start) {
        next_ = std::max(start, 0.0f);
        last_ = 0.0f;
    }

    // Calls emit(lateness) for every emission due at time t, oldest first. Emissions more than
    // kMaxLateness behind are dropped rather than piled up at once. emit returns false when it
    // can take no more (the fluid is full): the rest due by t is dropped. However fine the
    // interval, the clock ends past t, so a step never loops on it.
    template <class Emit>
    void Run(float t, double interval, float start, float stop, Emit&& emit) {
        const double tol = Tolerance(t, interval);
        if (t < last_ - tol) Reset(start);  // the fluid was reset behind our back
        last_ = t;
        if (!(interval > 0.0)) return;
        if (t - next_ > kMaxLateness) next_ += std::ceil((t - kMaxLateness - next_) / interval) * interval;
        long emitted = 0;
        while (next_ <= t + tol) {
            if (stop > 0.0f && next_ > stop + tol) return;
            if (emitted == kMaxPerRun || !emit(static_cast<float>(t - next_))) {
                next_ = After(next_, t + tol, interval);
                return;
            }
            ++emitted;
            const double before = next_;
            next_ += interval;
            // An interval below the spacing of doubles here: on to the next step.
            if (next_ == before) next_ = After(next_, t + tol, interval);
        }
    }

    // The first emission after time t, or 0 when the stream has ended (or cannot run).
    float Next(float t, double interval, float start, float stop) const {
        if (!(interval > 0.0)) return 0.0f;
        const double tol = Tolerance(t, interval);
        double n = t < last_ - tol ? std::max(start, 0.0f) : next_;
        if (n <= t + tol) n += std::floor((t + tol - n) / interval) * interval;
        for (int i = 0; i < 4 && n <= t + tol; ++i) n += interval;
        if (!(n > t + tol)) n = After(n, t + tol, interval);
        if (stop > 0.0f && n > stop + tol) return 0.0f;
        return static_cast<float>(n);
    }

    // How far apart two times may be and still be the same emission: a thousandth of the
    // interval, or a few float steps of t late in a long run.
    static double Tolerance(float t, double interval) {
        return std::max(1e-3 * interval, 1e-6 * std::fabs(static_cast<double>(t)));
    }

    static constexpr double kMaxLateness = 1.0;  // seconds
    // No step emits more often than this, whatever the rate: a fluid holds no more particles.
    static constexpr long kMaxPerRun = 10000000;

private:
    // The first time on the stream of n past `past`, or the next double after `past` when the
    // interval is too fine to land beyond it.
    static double After(double n, double past, double interval) {
        n += (std::floor((past - n) / interval) + 1.0) * interval;
        return n > past ? n : std::nextafter(past, past + 1.0);
    }

    double next_ = 0.0;
    float last_ = 0.0f;
};

}  // namespace shipped
