// Particle destruction rules and splitting, run once per step before anything else of the
// fluid's step.
#include <cmath>

#include "fluid/fluido.h"
#include "math/random.h"

namespace {

// One full pass of a rule over the list. Children of a split are pushed at the head, so the
// running pass never visits them.
template <typename Kills>
void Pass(Fluido* f, unsigned char split_on, float min_mass, Kills kills) {
    for (Particula* p = f->First(); p;) {
        Particula* next = p->next;
        if (kills(p)) {
            if (split_on && p->mass >= min_mass) f->DivideParticula(p);
            f->RemoveParticula(p);
        }
        p = next;
    }
}

bool Outside(const Vector& p, const Vector& lo, const Vector& hi) {
    return p.x < lo.x || p.y < lo.y || p.z < lo.z || p.x > hi.x || p.y > hi.y || p.z > hi.z;
}

}  // namespace

void Fluido::DestruyeParticulas() {
    for (Particula* p = First(); p;) {
        Particula* next = p->next;
        if (p->deleteMark) RemoveParticula(p);
        p = next;
    }
    if (!killByAge && !killByIsolation && !killByVolume && !killBySpeed && !killByCollision &&
        !killRandom) {
        return;
    }
    const float min_mass = 1.0f / std::pow(2.0f, static_cast<float>(splitGenerations));
    if (killByAge) Pass(this, splitOnAge, min_mass, [&](Particula* p) { return p->age >= lifeTime; });
    if (killByIsolation) {
        Pass(this, 0, min_mass, [&](Particula* p) { return p->isolatedTime >= isolationTime; });
    }
    if (killByVolume) {
        Pass(this, 0, min_mass, [&](Particula* p) { return Outside(p->pos, killBoxMin, killBoxMax); });
    }
    if (killBySpeed) {
        Pass(this, splitOnVelocity, min_mass, [&](Particula* p) { return p->vel.Modulo() > maxSpeed; });
    }
    if (killByCollision) Pass(this, splitOnCollision, min_mass, [](Particula* p) { return p->collided != 0; });
    if (killRandom) {
        Pass(this, splitOnRandom, min_mass, [&](Particula*) { return DameRandom() <= killProbability; });
    }
}

void Fluido::DivideParticula(Particula* p) {
    if (!p) return;
    const Vector v = p->vel;
    const Vector origin = p->pos;
    const float half = p->mass * 0.5f;
    Vector r(0, 0, 0);
    // Never past the fluid's particle limit, however many children a split asks for.
    for (int i = 0; i < splitCount && count < maxParticles; ++i) {
        Vector child_vel;
        if (i % 2 == 0) {
            r.x = DameRandom11();
            r.y = DameRandom11();
            r.z = DameRandom11();
            r = r * splitSpeed;
            child_vel = v + r;
        } else {
            child_vel = v - r;
        }
        Particula* child = CreaParticula(origin, child_vel);
        if (child) child->mass = half;
    }
}
