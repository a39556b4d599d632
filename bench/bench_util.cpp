#include "bench_util.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <random>

#include "fluid/clock.h"
#include "fluid/driver.h"
#include "fluid_scenes.h"
#include "scene/scene.h"
#include "plugins/loader.h"
#include "scenes/example_scenes.h"

namespace {
std::atomic<long long> g_allocations{0};
}

// Every allocation of the program and of the library goes through these.
void* operator new(size_t size) {
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](size_t size) {
    return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    ++g_allocations;
    return std::malloc(size ? size : 1);
}
void* operator new[](size_t size, const std::nothrow_t& tag) noexcept {
    return operator new(size, tag);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, size_t) noexcept {
    std::free(p);
}

long long HeapAllocations() {
    return g_allocations.load();
}

long long ResidentBytes() {
    long pages = 0, resident = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(f);
    }
    return static_cast<long long>(resident) * sysconf(_SC_PAGESIZE);
}

long long PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
}

Fluido* MakeBenchBlock(int side, bool shuffled) {
    BlockSpec spec;
    spec.nx = spec.ny = spec.nz = side;
    spec.spacing = 0.1f;
    spec.jitter = 0.01f;
    spec.shuffled = shuffled;
    spec.seed = 7;
    Fluido* f = MakeBlockFluid(spec);
    if (f) f->maxParticles = std::max(f->maxParticles, f->count);
    return f;
}

Fluido* MakeSplash(int particles) {
    Fluido* f = MakeEmptyFluid();
    const float h = 0.1f;
    const int side = static_cast<int>(std::cbrt(particles * 2.0 / 3.0));
    for (int i = 0; i < side; ++i) {
        for (int j = 0; j < side; ++j) {
            for (int k = 0; k < side; ++k) f->CreaParticula(Vector(i * h, j * h, k * h), Vector());
        }
    }
    // Drops of 3 x 3 x 3 particles anywhere in a box four times the pool's size.
    std::mt19937 random(11);
    std::uniform_real_distribution<float> at(-1.5f * side * h, 2.5f * side * h);
    while (f->count + 27 <= particles) {
        const Vector c(at(random), at(random) + 1.5f * side * h, at(random));
        for (int n = 0; n < 27; ++n) {
            f->CreaParticula(c + Vector(n % 3 * h, n / 3 % 3 * h, n / 9 * h), Vector());
        }
    }
    f->maxParticles = std::max(f->maxParticles, f->count);
    return f;
}

const Sample& SettledBlock(int particles, float seconds) {
    static Sample sample;
    if (!sample.pos.empty()) return sample;
    SetPluginsDirectory(UNDALINE_PLUGINS_DIR);
    ScanPlugins();
    // The example's column holds 432 particles.
    const float scale = static_cast<float>(std::cbrt(particles / 432.0));
    if (!BuildFallingBlock(scale)) {
        std::printf("The falling-block example needs the shipped plug-ins (%s).\n",
                    UNDALINE_PLUGINS_DIR);
        return sample;
    }
    Fluido* f = rootflow;
    while (f->next) f = f->next;
    f->maxParticles = std::max(f->maxParticles, 2 * particles);
    f->outBin = 0;
    f->Regenera();
    sim::SetFullMode(false);
    while (tbuzz < seconds) sim::Step();
    for (Particula* p = f->First(); p; p = p->next) {
        sample.pos.push_back(p->pos);
        sample.vel.push_back(p->vel);
    }
    ResetScene();
    return sample;
}

Fluido* MakeTiled(const Sample& sample, int particles) {
    if (sample.pos.empty()) return nullptr;
    Vector lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
    for (const Vector& p : sample.pos) {
        lo = Vector(std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z));
        hi = Vector(std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z));
    }
    const Vector step = hi - lo + Vector(0.2f, 0.2f, 0.2f);
    const int copies = static_cast<int>((particles + sample.pos.size() - 1) / sample.pos.size());
    const int across = static_cast<int>(std::ceil(std::cbrt(static_cast<double>(copies))));
    Fluido* f = MakeEmptyFluid();
    // Made last to first, so the list runs in the sample's order.
    for (int c = copies - 1; c >= 0; --c) {
        const Vector offset(c % across * step.x, c / across % across * step.y,
                            c / (across * across) * step.z);
        for (size_t i = sample.pos.size(); i-- > 0;) {
            f->CreaParticula(sample.pos[i] + offset, sample.vel[i]);
        }
    }
    f->maxParticles = std::max(f->maxParticles, f->count);
    return f;
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

Timing Summarise(std::vector<double> seconds) {
    Timing t;
    if (seconds.empty()) return t;
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    t.median = n % 2 ? seconds[n / 2] : 0.5 * (seconds[n / 2 - 1] + seconds[n / 2]);
    t.min = seconds.front();
    t.max = seconds.back();
    return t;
}

std::string PerParticle(const Timing& t, double particles) {
    char text[64];
    std::snprintf(text, sizeof text, "%.0f (%.0f-%.0f)", t.median * 1e9 / particles,
                  t.min * 1e9 / particles, t.max * 1e9 / particles);
    return text;
}
