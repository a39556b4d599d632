#include "fluid_scenes.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid/fluid_passes.h"
#include "io/class_lookup.h"
#include "scene/creador.h"
#include "scene/daemon.h"
#include "scene/descriptor.h"
#include "node_class.h"

namespace {

class BlockEmitter : public Creador {
public:
    void CalculaDependientes() override {
        if (!fluid) return;
        std::vector<Vector> points;
        std::mt19937 random(spec.seed);
        std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
        for (int i = 0; i < spec.nx; ++i) {
            for (int j = 0; j < spec.ny; ++j) {
                for (int k = 0; k < spec.nz; ++k) {
                    Vector p(spec.origin.x + i * spec.spacing, spec.origin.y + j * spec.spacing,
                             spec.origin.z + k * spec.spacing);
                    if (spec.jitter > 0) {
                        p.x += unit(random) * spec.jitter * spec.spacing;
                        p.y += unit(random) * spec.jitter * spec.spacing;
                        p.z += unit(random) * spec.jitter * spec.spacing;
                    }
                    points.push_back(p);
                }
            }
        }
        if (spec.shuffled) std::shuffle(points.begin(), points.end(), random);
        for (const Vector& p : points) fluid->CreaParticula(p, spec.velocity);
    }
    BlockSpec spec;
};

ClassOf<BlockEmitter> g_block(kClassEmitter, 9001, "Block");

ClassOf<Creador> g_empty(kClassEmitter, 9002, "Empty");


}  // namespace

Fluido* MakeBlockFluid(const BlockSpec& spec, unsigned char type) {
    Fluido* f = CreaFluido(&g_block);
    if (!f) return nullptr;
    f->type = type;
    static_cast<BlockEmitter*>(f->emitter)->spec = spec;
    f->Regenera();
    return f;
}

Fluido* MakeEmptyFluid(unsigned char type) {
    Fluido* f = CreaFluido(&g_empty);
    if (f) f->type = type;
    return f;
}

void StepPasses(float dt, bool actors) {
    for (Fluido* f = rootflow; f; f = f->next) {
        f->active = 1;
        f->DestruyeParticulas();
        f->CalculaAche();
        if (actors && f->emitter) f->emitter->Crea();
        f->CalculaCaja();
        f->CreaRejilla();
        f->LlenaRejilla();
        fluid_passes::SearchNeighbours(f);
        if (f->type == kFluidElastic) f->springsBuilt = 1;
        f->CalculaDensidades();
        f->DifundeTemperatura();
        f->CalculaPresiones();
    }
    inct = dt;
    for (Fluido* f = rootflow; f; f = f->next) {
        f->PropagaContacto();
        fluid_passes::ComputeForces(f);
        f->CalculaMuelles();
        if (!actors) continue;
        if (!f->emitter || !(f->emitter->flags & kEmitterKeepsExtraVel)) {
            for (Particula* p = f->First(); p; p = p->next) p->extraVel = Vector(0, 0, 0);
        }
        for (int i = 0; i < f->numDaemons; ++i) {
            if (f->daemons[i]->enabled) f->daemons[i]->Affect(f);
        }
        if (f->emitter) f->emitter->Affect();
    }
    if (actors) {
        // Steps end exactly on emission times, as the driver's do.
        for (Fluido* f = rootflow; f; f = f->next) {
            if (!f->emitter || f->count >= f->maxParticles) continue;
            float v = f->emitter->DameTiempoMaximo();
            if (v != 0.0f && inct + f->emitTime > v) inct = v - f->emitTime;
        }
    }
    for (Fluido* f = rootflow; f; f = f->next) f->MueveParticulas();
    for (Fluido* f = rootflow; f; f = f->next) f->LiberaPorPaso();
    SweepRemovedParticles();
    tuniversal += inct;
    tbuzz += inct;
    for (Fluido* f = rootflow; f; f = f->next) f->emitTime += inct;
}

void StepFluids(float dt) { StepPasses(dt, false); }

void RegisterSupportClasses() {
    RegisterInProcessClass(&g_block);
    RegisterInProcessClass(&g_empty);
}

void ClearFluidScene() { sim::ClearSimulation(); }
