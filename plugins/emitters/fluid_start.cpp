#include "fluid_start.h"

#include <cmath>

namespace shipped {
namespace {

// A fluid laid out at its fill spacing and settled under gravity sums to about 3 % below its
// rest density with the kernel at h = the spacing: zero pressure there keeps its volume.
constexpr float kSettled = 0.97f;

constexpr FluidStart kGas{0.3f, 0.0f, 15.0f, 0};
constexpr FluidStart kLiquid{0.3f, kSettled, 15.0f, 0};
constexpr FluidStart kViscous{100.0f, kSettled, 100.0f, 0};
constexpr FluidStart kChof{0.001f, 0.0f, 30.0f, 1};

struct Values {
    float k, external, viscosity;
    unsigned char full;
};

// What a start gives a fluid of rest density rho0: the pressure constant grows with the rest
// density, since the weight a pool's pressure must carry does; the external pressure puts
// zero pressure at the settled density through the type's own equation of state.
Values ValuesOf(const FluidStart& s, int type, float rho0) {
    const float k = s.pressure_k * rho0 / 1000.0f;
    float external = 0.0f;
    if (s.zero_pressure > 0.0f) {
        if (type == kFluidLiquid) {
            external = (std::pow(5.0f * s.zero_pressure, 7.0f) - 1.0f) * k;
        } else if (type == kFluidViscous) {
            external = (s.zero_pressure - 1.0f) * rho0 * k;
        }
    }
    return {k, external, s.viscosity, s.full_viscosity};
}

bool Holds(const Fluido* f, const Values& v) {
    return f->pressureK.value == v.k && f->externalPressure == v.external &&
           f->viscosity.value == v.viscosity && f->fullViscosity == v.full;
}

}  // namespace

const FluidStart* FluidStartOf(int type) {
    switch (type) {
        case kFluidGas: return &kGas;
        case kFluidLiquid: return &kLiquid;
        case kFluidViscous: return &kViscous;
        case kFluidChof: return &kChof;
        default: return nullptr;
    }
}

void ApplyFluidStart(Fluido* f) {
    const FluidStart* s = f ? FluidStartOf(f->type) : nullptr;
    if (!s) return;
    const Values v = ValuesOf(*s, f->type, f->restDensity);
    f->pressureK.value = v.k;
    f->externalPressure = v.external;
    f->viscosity.value = v.viscosity;
    f->fullViscosity = v.full;
}

bool HoldsFluidStart(const Fluido* f, int type) {
    if (!f) return false;
    if (Holds(f, Values{0.01f, 0.0f, 15.0f, 0})) return true;  // the engine's own
    const FluidStart* s = FluidStartOf(type);
    return s && Holds(f, ValuesOf(*s, type, f->restDensity));
}

}  // namespace shipped
