// Contact propagation, pressure and viscosity forces, and the explicit integration.
#include <cmath>

#include "fluid/clock.h"
#include "fluid/fluid_passes.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "scene/creador.h"

namespace {

void ZeroForces(Fluido* f) {
    for (Particula* p = f->First(); p; p = p->next) p->force = Vector(0, 0, 0);
}

// Force on one particle from its own neighbour list; pairs are not made symmetric.
void ParticleForce(const Fluido* f, Particula* p, float mu) {
    p->force = p->pendingForce;
    p->pendingForce = Vector(0, 0, 0);
    if (f->type == kFluidElastic || p->numNeighbours == 0) return;

    const float ck = f->kernelC;
    const float h = f->h;
    const float inv_h = f->invH;
    const float inv_h2 = f->invH2;
    const bool full = f->fullViscosity != 0;
    const float a_i = p->pressure / (p->density * p->density);
    float fx = p->force.x, fy = p->force.y, fz = p->force.z;
    // Per pair: one square root and at most two divisions. The gradient factor is
    // G = -3 Ck q^2 / (r h); the viscous term -m Pi / ((rho_i + rho_j) / 2) G is folded into
    // one quotient.
    const float g_scale = -3.0f * ck / h;
    const float mu2 = 2.0f * mu;
    for (int n = 0; n < p->numNeighbours; ++n) {
        const Particula* q = p->neighbours[n];
        float dx = p->pos.x - q->pos.x, dy = p->pos.y - q->pos.y, dz = p->pos.z - q->pos.z;
        float r2 = dx * dx + dy * dy + dz * dz;
        if (r2 == 0.0f) continue;  // G(0) = 0: coincident particles push nothing
        float r = std::sqrt(r2);
        float s = 2.0f - r * inv_h;
        float g = g_scale * s * s / r;
        float k = -q->mass * (a_i + q->pressure / (q->density * q->density)) * g;
        float vr = (p->vel.x - q->vel.x) * dx + (p->vel.y - q->vel.y) * dy +
                   (p->vel.z - q->vel.z) * dz;
        if (vr < 0.0f || full) {
            k += q->mass * mu2 * vr * g /
                 (h * (r2 * inv_h2 + 0.01f) * (p->density + q->density));
        }
        fx += k * dx;
        fy += k * dy;
        fz += k * dz;
    }
    p->force = Vector(fx, fy, fz);
}

void ForceSlabs(Fluido* f, int x0, int x1) {
    const float mu = f->viscosity.value;
    for (int i = x0 < 0 ? 0 : x0; i < x1 && i < f->nx; ++i) {
        for (int j = 0; j < f->ny; ++j) {
            for (int k = 0; k < f->nz; ++k) {
                Voxel* cell = f->grid[i][j][k];
                if (!cell) continue;
                for (int m = 0; m < cell->count; ++m) {
                    Particula* p = cell->particles[m];
                    if (p->owner == f) ParticleForce(f, p, mu);
                }
            }
        }
    }
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
    for (Particula* p = First(); p; p = p->next) {
        if (p->frozen > 0) continue;
        p->pos.x += (p->vel.x + p->extraVel.x) * dt;
        p->pos.y += (p->vel.y + p->extraVel.y) * dt;
        p->pos.z += (p->vel.z + p->extraVel.z) * dt;
        p->vel.x += p->force.x * dt;
        p->vel.y += p->force.y * dt;
        p->vel.z += p->force.z * dt;
        p->age += dt;
        p->isolatedTime += dt;
    }
}

namespace fluid_passes {

void ComputeForces(Fluido* f) {
    if (!f->First()) return;
    if (ForcesOff(f)) {
        ZeroForces(f);
        return;
    }
    parallel::ForSlabs(f->nx, SlabForces, f);
}

}  // namespace fluid_passes
