// Smoothing length, densities, temperature exchange and the equations of state, with the
// point queries plug-ins use. Kernel: W(r) = Ck (2 - r/h)^3 for r < 2h, Ck = 15 / (64 pi h^3).
#include <algorithm>
#include <atomic>
#include <cmath>

#include "fluid/clock.h"
#include "fluid/fluid_limits.h"
#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/pair_kernels.h"
#include "fluid/particle_order_private.h"
#include "platform/message_box.h"

float tuniversal = 0.0f;
float inct = 0.0f;
float tbuzz = 0.0f;
int frame = 0;

namespace {

constexpr float kPi = 3.1415927f;

bool NoStateEquation(const Fluido* f) { return f->type == kFluidDumb || f->type == kFluidElastic; }

float Pressure(const Fluido* f, float rho, float temperature, bool with_temperature) {
    const float k = f->pressureK.value;
    const float rho0 = f->restDensity;
    const float p_ext = f->externalPressure;
    switch (f->type) {
        case kFluidGas: {
            double p = std::pow(static_cast<double>(rho), 1.4);
            if (with_temperature) p *= temperature;
            return static_cast<float>(p * k * 0.01) - p_ext;
        }
        case kFluidLiquid: {
            float x = rho * f->invRestDensity * 5.0f;
            float x7 = x * x * x * x * x * x * x;
            return (x7 - 1.0f) * k - p_ext;
        }
        case kFluidViscous:
            return (rho - rho0) * k - p_ext;
        case kFluidChof: {
            float d = rho - rho0;
            if (d <= 0.0f) return -(d * d * k) - p_ext;
            return d * d * d * d * k - p_ext;
        }
        default:
            return 0.0f;
    }
}

// The cell a point falls in, kept within one cell of the grid so far points stay cheap.
int PointCell(float offset, float inv, int n) {
    float v = offset * inv;
    if (!(v > -2.0f)) return -2;
    if (!(v < static_cast<float>(n) + 1.0f)) return n + 1;
    return static_cast<int>(v);
}

template <typename Visit>
void AroundPoint(const Fluido* f, const Vector& point, Visit visit) {
    const float inv = 1.0f / f->cellSize;
    int ci = PointCell(point.x - f->boxMin.x, inv, f->nx);
    int cj = PointCell(point.y - f->boxMin.y, inv, f->ny);
    int ck = PointCell(point.z - f->boxMin.z, inv, f->nz);
    for (int a = ci - 1; a <= ci + 1; ++a) {
        for (int b = cj - 1; b <= cj + 1; ++b) {
            for (int c = ck - 1; c <= ck + 1; ++c) {
                const Voxel* v = grid_access::At(f, a, b, c);
                if (!v) continue;
                const float* x = grid_access::Xs(v);
                const float* y = grid_access::Ys(v);
                const float* z = grid_access::Zs(v);
                for (int m = 0; m < v->count; ++m) visit(v->particles[m], x[m], y[m], z[m]);
            }
        }
    }
}

}  // namespace

void Fluido::CalculaAche() {
    if (!First()) return;
    if (type == kFluidElastic && springsBuilt) {
        // Fixed once the springs exist, but never below the floor, whatever set it.
        if (!(h >= fluid_limits::SmoothingFloor(this))) fluid_limits::SetSmoothingLength(this, h);
        return;
    }
    double sum = 0.0;
    for (Particula* p = First(); p; p = p->next) sum += p->density;
    if (sum == 0.0 || count <= 0) {
        platform::MessageBox("Zero Density");
        return;
    }
    float mean = static_cast<float>(sum / count);
    fluid_limits::SetSmoothingLength(this, 1.0f / std::pow(mean, 0.3333333f));
}

namespace fluid_limits {

float RestSmoothing(const Fluido* f) {
    float rho = f->restDensity;
    if (!std::isfinite(rho) || !(rho > 0.0f)) rho = 1000.0f;
    rho = std::clamp(rho, kMinRestDensity, kMaxRestDensity);
    return 1.0f / std::pow(rho, 0.3333333f);
}

float SmoothingFloor(const Fluido* f) { return 0.5f * RestSmoothing(f); }

void SetSmoothingLength(Fluido* f, float h) {
    const float floor = SmoothingFloor(f);
    // Infinite density gives h = 0, a stack of coincident particles shrinks h every step: the
    // floor keeps every division by h and by the cell size finite and the steps long enough.
    if (!(h >= floor)) h = floor;
    if (!(h <= kMaxSmoothing)) h = kMaxSmoothing;
    f->h = h;
    f->invH = 1.0f / h;
    f->invH2 = 1.0f / (h * h);
    f->cellSize = 2.0f * h;
    const float four_h = 4.0f * h;
    f->kernelC = 15.0f / (four_h * four_h * four_h * kPi);
}

}  // namespace fluid_limits

void Fluido::CalculaDensidades() {
    if (!First() || NoStateEquation(this)) return;
    const float ck = kernelC;
    const float inv_h = invH;
    particle_order::ForEachNearby(this, [ck, inv_h](Particula* p) {
        float rho = 8.0f * ck * p->mass;
        const int n = p->numNeighbours;
        if (n > 0) {
            static thread_local pair_kernels::Neighbourhood nb;
            nb.Gather(p, false);
            pair_kernels::DensityTerms(nb, n, p->pos.x, p->pos.y, p->pos.z, ck, inv_h);
            for (int i = 0; i < n; ++i) rho += nb.term[i];
        }
        p->density = rho;
    });
}

void Fluido::DifundeTemperatura() {
    if (!First() || NoStateEquation(this) || conductivity == 0.0f) return;
    // The averages read neighbours' temperatures, so all are formed before any changes.
    std::atomic<int> largest{0};
    particle_order::ForEachNearby(this, [&largest](Particula* p) {
        float sum = p->temperature;
        for (int n = 0; n < p->numNeighbours; ++n) sum += p->neighbours[n]->temperature;
        p->tempAverage = sum / static_cast<float>(p->numNeighbours + 1);
        int seen = largest.load(std::memory_order_relaxed);
        while (p->numNeighbours > seen &&
               !largest.compare_exchange_weak(seen, p->numNeighbours, std::memory_order_relaxed)) {
        }
    }, 2);
    const int most = largest.load();
    const float c = conductivity;
    const float outside = externalTemperature;
    const float exchange = externalConductivity;
    particle_order::ForEach(this, [c, most, outside, exchange](Particula* p) {
        float t = (1.0f - c) * p->temperature + c * p->tempAverage;
        // Surface particles, short of neighbours, exchange heat with the surroundings.
        t -= static_cast<float>(most - p->numNeighbours) * (t - outside) * exchange /
             static_cast<float>(most + 1);
        p->temperature = t < 0.0f ? 0.0f : t;
    });
}

void Fluido::CalculaPresiones() {
    if (!First() || NoStateEquation(this)) return;
    particle_order::ForEach(this, [this](Particula* p) {
        p->pressure = Pressure(this, p->density, p->temperature, true);
    });
}

float Fluido::CalculaPresionPoint(float rho) {
    if (!First() || NoStateEquation(this)) return 0.0f;
    return Pressure(this, rho, 0.0f, false);
}

float Fluido::CalculaDensidadXYZ(Vector& point, Vector& dir) {
    dir = Vector(0, 0, 0);
    if (!First() || NoStateEquation(this) || !grid) return 0.0f;
    const float radius = 2.0f * h;
    const float limit = radius * radius;
    float rho = 0.0f;
    AroundPoint(this, point, [&](const Particula* q, float qx, float qy, float qz) {
        float dx = point.x - qx, dy = point.y - qy, dz = point.z - qz;
        if (std::fabs(dx) > radius || std::fabs(dy) > radius || std::fabs(dz) > radius) return;
        float r2 = dx * dx + dy * dy + dz * dz;
        if (!(r2 < limit)) return;
        float s = 2.0f - std::sqrt(r2) * invH;
        rho += s * s * s * kernelC * q->mass;
        dir.x += dx;
        dir.y += dy;
        dir.z += dz;
    });
    dir.Normaliza();
    return rho;
}

float Fluido::CalculaVelXYZ(Vector& point) {
    if (!First() || NoStateEquation(this) || !grid) return 0.0f;
    double sum = 0.0;
    int n = 0;
    AroundPoint(this, point, [&](const Particula* q, float, float, float) {
        sum += q->vel.Modulo();
        ++n;
    });
    return n ? static_cast<float>(sum / n) : 0.0f;
}
