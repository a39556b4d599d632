#pragma once

#include <vector>

#include "export.h"

class Particula;

// The per-pair arithmetic of the density and force passes, done over contiguous copies of a
// particle's neighbours so the compiler can run it on wide vector units. Only the per-pair
// terms are computed here; the caller adds them up one by one in neighbour order, so sums are
// rounded exactly as a plain loop would round them, whatever instruction set runs.
namespace pair_kernels {

struct Neighbourhood {
    std::vector<float> x, y, z, vx, vy, vz, mass, density, pressure;
    std::vector<float> dx, dy, dz, term;
    // Copies the neighbours of p; the arrays are grown as needed and kept.
    void Gather(const Particula* p, bool with_motion);
};

struct ForceConstants {
    float px, py, pz, pvx, pvy, pvz;
    float density, a_i;  // a_i = P_i / rho_i^2
    float g_scale;       // -3 Ck / h
    float inv_h, inv_h2, h, mu2;
    bool full_viscosity;
};

// term[n] = (2 - r inv_h)^3 Ck m_n.
void DensityTerms(Neighbourhood& nb, int n, float px, float py, float pz, float ck, float inv_h);
// dx, dy, dz and the force factor term[n] of each pair (force += term * d).
void ForceTerms(Neighbourhood& nb, int n, const ForceConstants& c);
// Whether the wide forms may run where the processor has them (tests compare both).
UNDALINE_API void UseWideKernels(bool on);

}  // namespace pair_kernels
