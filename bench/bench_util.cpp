#include "bench_util.h"

#include <atomic>
#include <cstdlib>
#include <new>

#include "fluid_scenes.h"

namespace {
std::atomic<long long> g_allocations{0};
}

// Every allocation of the program and of the library goes through these.
void* operator new(size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) { return operator new(size); }
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, size_t) noexcept { std::free(p); }
void operator delete[](void* p, size_t) noexcept { std::free(p); }

long long HeapAllocations() { return g_allocations.load(); }

Fluido* MakeBenchBlock(bool shuffled) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = kBlockSide;
    spec.spacing = 0.1f;
    spec.jitter = 0.01f;
    spec.shuffled = shuffled;
    spec.seed = 7;
    return MakeBlockFluid(spec);
}

std::vector<float> Positions(const Fluido* f) {
    std::vector<float> xyz;
    for (Particula* p = f->First(); p; p = p->next) {
        xyz.push_back(p->pos.x);
        xyz.push_back(p->pos.y);
        xyz.push_back(p->pos.z);
    }
    return xyz;
}
