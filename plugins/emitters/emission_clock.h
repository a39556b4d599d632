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
    // kMaxLateness behind are dropped rather than piled up at once.
    template <class Emit>
    void Run(float t, double interval, float start, float stop, Emit&& emit) {
        const double tol = Tolerance(t, interval);
        if (t < last_ - tol) Reset(start);  // the fluid was reset behind our back
        last_ = t;
        if (!(interval > 0.0)) return;
        if (t - next_ > kMaxLateness) next_ += std::ceil((t - kMaxLateness - next_) / interval) * interval;
        while (next_ <= t + tol) {
            if (stop > 0.0f && next_ > stop + tol) return;
            emit(static_cast<float>(t - next_));
            next_ += interval;
        }
    }

    // The first emission after time t, or 0 when the stream has ended (or cannot run).
    float Next(float t, double interval, float start, float stop) const {
        if (!(interval > 0.0)) return 0.0f;
        const double tol = Tolerance(t, interval);
        double n = t < last_ - tol ? std::max(start, 0.0f) : next_;
        if (n <= t + tol) n += std::floor((t + tol - n) / interval) * interval;
        while (n <= t + tol) n += interval;
        if (stop > 0.0f && n > stop + tol) return 0.0f;
        return static_cast<float>(n);
    }

    // How far apart two times may be and still be the same emission: a thousandth of the
    // interval, or a few float steps of t late in a long run.
    static double Tolerance(float t, double interval) {
        return std::max(1e-3 * interval, 1e-6 * std::fabs(static_cast<double>(t)));
    }

    static constexpr double kMaxLateness = 1.0;  // seconds

private:
    double next_ = 0.0;
    float last_ = 0.0f;
};

}  // namespace shipped
