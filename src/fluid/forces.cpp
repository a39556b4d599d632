// Contact propagation, pressure and viscosity forces, and the explicit integration.
#include <cmath>

#include "fluid/clock.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/pair_kernels.h"
#include "fluid/particle_order_private.h"
#include "fluid/parallel.h"
#include "scene/creador.h"

namespace {

void ZeroForces(Fluido* f) {
    for (Particula* p = f->First(); p; p = p->next) p->force = Vector(0, 0, 0);
}

// Force on one particle from its own neighbour list; pairs are not made symmetric.
thread_local pair_kernels::Neighbourhood t_neighbourhood;

void ParticleForce(const Fluido* f, Particula* p, float mu) {
    p->force = p->pendingForce;
    p->pendingForce = Vector(0, 0, 0);
    if (f->type == kFluidElastic || p->numNeighbours == 0) return;

    pair_kernels::ForceConstants c;
    c.px = p->pos.x;
    c.py = p->pos.y;
    c.pz = p->pos.z;
    c.pvx = p->vel.x;
    c.pvy = p->vel.y;
    c.pvz = p->vel.z;
    c.density = p->density;
    c.a_i = p->pressure / (p->density * p->density);
    // G = -3 Ck q^2 / (r h); the viscous term -m Pi / ((rho_i + rho_j) / 2) G is one quotient.
    c.g_scale = -3.0f * f->kernelC / f->h;
    c.inv_h = f->invH;
    c.inv_h2 = f->invH2;
    c.h = f->h;
    c.mu2 = 2.0f * mu;
    c.full_viscosity = f->fullViscosity != 0;
    pair_kernels::Neighbourhood& nb = t_neighbourhood;
    nb.Gather(p, true);
    const int n = p->numNeighbours;
    pair_kernels::ForceTerms(nb, n, c);
    float fx = p->force.x, fy = p->force.y, fz = p->force.z;
    for (int i = 0; i < n; ++i) {
        fx += nb.term[i] * nb.dx[i];
        fy += nb.term[i] * nb.dy[i];
        fz += nb.term[i] * nb.dz[i];
    }
    p->force = Vector(fx, fy, fz);
}

void ForceSlabs(Fluido* f, int x0, int x1) {
    const float mu = f->viscosity.value;
    grid_access::ForCells(f, x0, x1, [&](Voxel* cell, int, int, int) {
        for (int m = 0; m < cell->count; ++m) {
            Particula* p = cell->particles[m];
            // Positions, masses, densities, pressures and velocities: two lines of each.
            if (m + 1 < cell->count) grid_access::WarmNeighbours(f, cell->particles[m + 1], 2);
            if (p->owner == f) ParticleForce(f, p, mu);
        }
    });
}

void SlabForces(void* context, int x0, int x1, int) {
    ForceSlabs(static_cast<Fluido*>(context), x0, x1);
}

bool ForcesOff(const Fluido* f) { return !f->active || f->type == kFluidDumb || !f->grid; }

}  // namespace

void Fluido::PropagaContacto() {
    if (!First() || type == kFluidDumb || numObjects <= 0) return;
    for (unsigned char level = 1; level <= 2; ++level) {
        for (Particula* p = First(); p; p = p->next) {
            if (p->contactLevel != 0) continue;
            Vector sum(0, 0, 0);
            int sources = 0;
            for (int n = 0; n < p->numNeighbours; ++n) {
                const Particula* q = p->neighbours[n];
                if (q->contactLevel != level) continue;
                sum = sum + q->pendingForce * 0.75f;
                ++sources;
            }
            if (sources > 0) {
                p->pendingForce = sum / static_cast<float>(sources);
                p->contactLevel = static_cast<unsigned char>(level + 1);
            }
        }
    }
    for (Particula* p = First(); p; p = p->next) p->contactLevel = 0;
}

void Fluido::CalculaFuerzas(int x0, int x1) {
    if (!First()) return;
    if (ForcesOff(this)) {
        ZeroForces(this);
        return;
    }
    ForceSlabs(this, x0, x1);
}

void Fluido::MueveParticulas() {
    if (!First()) return;
    if (emitter && (emitter->flags & kEmitterIntegrates)) {
        emitter->Integra();
        return;
    }
    const float dt = inct;
    particle_order::ForEach(this, [dt](Particula* p) {
        if (p->frozen > 0) return;
        p->pos.x += (p->vel.x + p->extraVel.x) * dt;
        p->pos.y += (p->vel.y + p->extraVel.y) * dt;
        p->pos.z += (p->vel.z + p->extraVel.z) * dt;
        p->vel.x += p->force.x * dt;
        p->vel.y += p->force.y * dt;
        p->vel.z += p->force.z * dt;
        p->age += dt;
        p->isolatedTime += dt;
    });
}

namespace fluid_passes {

void ComputeForces(Fluido* f) {
    if (!f->First()) return;
    if (ForcesOff(f)) {
        ZeroForces(f);
        return;
    }
    grid_access::ForSlabPieces(f, SlabForces, f, "thread-2");
}

}  // namespace fluid_passes
