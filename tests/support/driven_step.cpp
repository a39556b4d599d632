#include "driven_step.h"

#include "fluid/clock.h"
#include "fluid/links.h"
#include "fluid_scenes.h"
#include "scene/creador.h"

float DriveStep(float largest) {
    float base = largest;
    for (Fluido* f = rootflow; f; f = f->next) {
        if (!f->emitter || f->count >= f->maxParticles) continue;
        float v = f->emitter->DameTiempoMaximo();
        if (v != 0.0f && v < base) base = v;
    }
    if (tbuzz == 0.0f && base > 0.001f) base = 0.001f;
    StepPasses(base, true);
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
