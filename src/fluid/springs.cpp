// Spring and repulsion forces of elastic fluids, with yielding and breaking.
#include <cmath>

#include "fluid/fluido.h"

namespace {

// Takes the spring of q that leads back to p out of q's list, if q has one.
void DropSpringTo(Particula* q, const Particula* p) {
    for (Muelle* s = q->springs; s; s = s->next) {
        if (s->other == p) {
            q->RemoveMuelle(s);
            return;
        }
    }
}

bool JoinedTo(const Particula* p, const Particula* q) {
    for (const Muelle* s = p->springs; s; s = s->next) {
        if (s->other == q) return true;
    }
    return false;
}

}  // namespace

void Fluido::CalculaMuelles() {
    if (type != kFluidElastic) return;
    minSpringLength = 1e9f;
    const float w = 1.0f / mass;
    for (Particula* p = First(); p; p = p->next) {
        for (Muelle* s = p->springs; s;) {
            Muelle* next = s->next;
            Particula* q = s->other;
            // A spring whose far particle was removed is dropped, never followed.
            if (!q || particles::IsDead(q)) {
                p->RemoveMuelle(s);
                s = next;
                continue;
            }
            Vector d = q->pos - p->pos;
            float length = d.Modulo();
            if (length < minSpringLength) minSpringLength = length;
            if (minSpringLength < 0.01f) minSpringLength = 0.01f;

            const float rest = s->restLength + s->plastic;
            const float elastic = rest * elasticLimit * 0.01f;
            const float fracture = s->restLength * fractureLimit * 0.01f;
            bool apply = true;
            float k = 0.0f;
            if (length < rest) {
                if (std::fabs(length - rest) < 0.0001f) {
                    apply = false;
                } else {
                    k = rest * std::log(length / rest);
                }
            } else if (fractureLimitOn && length >= fracture) {
                // A spring from p to itself is in one list only: dropped once.
                if (q != p) DropSpringTo(q, p);
                p->RemoveMuelle(s);
                s = next;
                continue;
            } else if (elasticLimitOn && length >= elastic) {
                k = elastic - rest;
                s->plastic = length - elastic;
            } else {
                k = length - rest;
                if (std::fabs(length - rest) < 0.000001f) apply = false;
            }
            // Coincident ends have no direction to push along.
            if (apply && length > 0.0f) {
                Vector u = d / length;
                Vector dv = p->vel - q->vel;
                Vector f = (u * (springK * k) - dv * springDamping) * w;
                p->force = p->force + f;
                q->force = q->force - f;
            }
            s = next;
        }
        if (!autoRepulsion) continue;
        for (int n = 0; n < p->numNeighbours; ++n) {
            Particula* q = p->neighbours[n];
            if (JoinedTo(p, q)) continue;
            Vector d = p->pos - q->pos;
            float d2 = d * d;
            if (d2 <= 0.0f) continue;
            Vector f = d * (repulsion / d2);
            p->force = p->force + f;
            q->force = q->force - f;
        }
    }
}
