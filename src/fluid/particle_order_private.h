#pragma once

#include <vector>

#include "fluid/fluido.h"
#include "fluid/parallel.h"

// A fluid's particles in list order as the grid fill found them, so that per-particle passes
// of the same step can be split over the worker threads by index ranges. Each such pass
// writes only its own particles, so the result is the same for any thread count.
namespace particle_order {

// The fluid's order, emptied for refilling (its storage is kept from step to step), and the
// mark that it now describes the list.
std::vector<Particula*>& Refill(const Fluido* f);
void Captured(const Fluido* f);
// The captured order while it still describes the list (no particle made or removed since);
// null otherwise.
const std::vector<Particula*>* Current(const Fluido* f);
void Forget(const Fluido* f);

// Runs body(p) for every particle: over the captured order on the worker threads, or along
// the list on this thread when there is none.
template <typename Body>
void ForEach(Fluido* f, Body body) {
    const std::vector<Particula*>* order = Current(f);
    // Small fluids are not worth waking the workers for.
    if (!order || order->size() < 4096 || parallel::SlabThreads() == 1) {
        for (Particula* p = f->First(); p; p = p->next) body(p);
        return;
    }
    struct Job {
        const std::vector<Particula*>* order;
        Body* body;
    } job{order, &body};
    parallel::ForSlabs(
        static_cast<int>(order->size()),
        [](void* context, int x0, int x1, int) {
            auto* j = static_cast<Job*>(context);
            for (int i = x0; i < x1; ++i) (*j->body)((*j->order)[static_cast<size_t>(i)]);
        },
        &job);
}

}  // namespace particle_order
