#pragma once

#include <vector>

#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/parallel.h"

// A fluid's particles in list order, so that per-particle passes of a step can be split over
// the worker threads by index ranges. Each such pass writes only its own particles, so the
// result is the same for any thread count.
//
// The order is kept from step to step. Walking a long list is one dependent load after
// another, on one thread; checking that a kept order still is the list reads the same links
// independently of each other, over all threads. New particles are pushed at the head, so an
// emitter's step only puts a few fresh particles in front of the kept order.
namespace particle_order {

// The order kept from the last step with the particles made since in front of it, when that
// can still be the list: it is, if each particle's next is the one after it in the order.
// Null when it cannot be.
const std::vector<Particula*>* Kept(Fluido* f);
// The list walked afresh.
const std::vector<Particula*>& Walk(Fluido* f);
// The order taken this step while it still describes the list (no particle made or removed
// since); null otherwise.
const std::vector<Particula*>* Current(const Fluido* f);
// Drops what is kept for f: the fluid is deleted or its list was emptied.
void Forget(const Fluido* f);

// Fixed-size pieces of [0, n) for the worker threads: the split depends on n alone.
const std::vector<int>& Pieces(const Fluido* f, int n);

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
    const std::vector<int>& pieces = Pieces(f, static_cast<int>(order->size()));
    struct Job {
        const std::vector<Particula*>* order;
        Body* body;
    } job{order, &body};
    parallel::ForPieces(
        pieces.data(), static_cast<int>(pieces.size()) - 1,
        [](void* context, int x0, int x1, int) {
            auto* j = static_cast<Job*>(context);
            for (int i = x0; i < x1; ++i) (*j->body)((*j->order)[static_cast<size_t>(i)]);
        },
        &job, nullptr);
}

// The same for passes that read the neighbours of each particle: cell by cell while this
// step's grid holds the fluid, so the records read for one particle are still in the cache
// for the next, and the first `lines` cache lines of the next particle's neighbours load
// while this one is worked on; the own particles the grid left out follow. Along the list
// otherwise.
template <typename Body>
void ForEachNearby(Fluido* f, Body body, int lines = 1) {
    const std::vector<Particula*>* order = Current(f);
    const grid_access::Filled* filled = grid_access::FilledGrid(f);
    if (!order || !filled || order->size() < 4096) {
        ForEach(f, body);
        return;
    }
    struct Job {
        Fluido* f;
        Body* body;
        int lines;
    } job{f, &body, lines};
    parallel::ForPieces(
        filled->slab_pieces.data(), static_cast<int>(filled->slab_pieces.size()) - 1,
        [](void* context, int x0, int x1, int) {
            auto* j = static_cast<Job*>(context);
            grid_access::ForCells(j->f, x0, x1, [&](Voxel* cell, int, int, int) {
                for (int m = 0; m < cell->count; ++m) {
                    Particula* p = cell->particles[m];
                    if (m + 1 < cell->count) {
                        grid_access::WarmNeighbours(j->f, cell->particles[m + 1], j->lines);
                    }
                    if (p->owner == j->f) (*j->body)(p);
                }
            });
        },
        &job, nullptr);
    for (Particula* p : filled->left_out) body(p);
}

}  // namespace particle_order
