#include "driven_step.h"

#include "fluid/clock.h"
#include "fluid/fluid_passes.h"
#include "fluid/links.h"
#include "scene/creador.h"
#include "scene/daemon.h"

namespace {

bool Consulted(const Fluido* f) { return f->emitter && f->count < f->maxParticles; }

}  // namespace

float DriveStep(float largest) {
    float base = largest;
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!Consulted(f)) continue;
        float v = f->emitter->DameTiempoMaximo();
        if (v != 0.0f && v < base) base = v;
    }
    if (tbuzz == 0.0f && base > 0.001f) base = 0.001f;

    for (Fluido* f = rootflow; f; f = f->next) {
        f->active = 1;
        f->DestruyeParticulas();
        f->CalculaAche();
        if (f->emitter) f->emitter->Crea();
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        fluid_passes::SearchNeighbours(f);
        if (f->type == kFluidElastic) f->springsBuilt = 1;
        f->CalculaDensidades();
        f->DifundeTemperatura();
        f->CalculaPresiones();
    }
    inct = base;
    for (Fluido* f = rootflow; f; f = f->next) {
        f->PropagaContacto();
        fluid_passes::ComputeForces(f);
        f->CalculaMuelles();
        if (!f->emitter || !(f->emitter->flags & kEmitterKeepsExtraVel)) {
            for (Particula* p = f->First(); p; p = p->next) p->extraVel = Vector(0, 0, 0);
        }
        for (int i = 0; i < f->numDaemons; ++i) {
            if (f->daemons[i]->enabled) f->daemons[i]->Affect(f);
        }
        if (f->emitter) f->emitter->Affect();
    }
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!Consulted(f)) continue;
        float v = f->emitter->DameTiempoMaximo();
        if (v != 0.0f && inct + f->emitTime > v) inct = v - f->emitTime;
    }
    for (Fluido* f = rootflow; f; f = f->next) f->MueveParticulas();
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
    SweepRemovedParticles();
    tuniversal += inct;
    tbuzz += inct;
    for (Fluido* f = rootflow; f; f = f->next) f->emitTime += inct;
    return inct;
}

void DriveFor(float duration, float largest) {
    double passed = 0.0;
    while (passed < duration) {
        float dt = DriveStep(largest);
        if (!(dt > 0.0f)) return;  // a stalled clock is the caller's failure, not a hang
        passed += dt;
    }
}

void AssignDaemon(Fluido* fluid, Daemon* daemon) { LinkDaemon(fluid, daemon); }
