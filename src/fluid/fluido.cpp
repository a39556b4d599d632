#include "fluid/fluido.h"

#include <malloc.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <new>
#include <string>
#include <unordered_map>

#include "fluid/draw_buffers.h"
#include "fluid/engine_hooks.h"
#include "fluid/fluid_limits.h"
#include "fluid/grid_access_private.h"
#include "fluid/owned_array_private.h"
#include "fluid/particle_order_private.h"
#include "fluid/links.h"
#include "math/random.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/paths.h"
#include "scene/creador.h"
#include "scene/descriptor.h"
#include "scene/scene_hooks.h"
#include "scene/view_settings.h"

Fluido* rootflow = nullptr;
Fluido* selflow = nullptr;

namespace {

constexpr const char* kPoolNames[4] = {"PARTICLE LISTS", "VOXELS", "NEIGHBOURS", "FACE LISTS"};

void CreatePools(Fluido* f) {
    MemPool* previous = AllocSetPool(nullptr);
    f->poolLists = AllocInit(kPoolNames[0]);
    f->poolVoxels = AllocInit(kPoolNames[1]);
    f->poolNeighbours = AllocInit(kPoolNames[2]);
    f->poolFaces = AllocInit(kPoolNames[3]);
    AllocSetPool(previous);
}

void FreePools(Fluido* f) {
    MemPool* previous = AllocSetPool(nullptr);
    for (MemPool** pool : {&f->poolLists, &f->poolVoxels, &f->poolNeighbours, &f->poolFaces}) {
        if (!*pool) continue;
        // Never leave a freed pool current.
        if (previous == *pool) previous = nullptr;
        AllocSetPool(*pool);
        AllocFreePool();
        *pool = nullptr;
    }
    AllocSetPool(previous);
}

// The number at the end of a name ("Circle 2" gives 2), if it has one after a blank.
bool TrailingNumber(const char* name, int* n) {
    const char* blank = std::strrchr(name, ' ');
    if (!blank || blank[1] == '\0') return false;
    char* end = nullptr;
    long v = std::strtol(blank + 1, &end, 10);
    if (*end != '\0' || v < 0 || v > 1000000) return false;
    *n = static_cast<int>(v);
    return true;
}

}  // namespace

namespace owned_array {
namespace {

struct Known {
    const void* array;
    size_t bytes;
};

std::mutex& Mutex() {
    static auto* m = new std::mutex;
    return *m;
}

std::unordered_map<const Fluido*, Known>& Sizes() {
    static auto* sizes = new std::unordered_map<const Fluido*, Known>;
    return *sizes;
}

}  // namespace

void Adopt(Fluido* f, void* array, size_t bytes) {
    std::free(f->ownedArray);
    f->ownedArray = array;
    std::lock_guard<std::mutex> lock(Mutex());
    Sizes()[f] = Known{array, array ? bytes : 0};
}

size_t ReadableBytes(const Fluido* f) {
    if (!f->ownedArray) return 0;
    {
        std::lock_guard<std::mutex> lock(Mutex());
        auto it = Sizes().find(f);
        if (it != Sizes().end() && it->second.array == f->ownedArray) return it->second.bytes;
    }
    // Put there by a plug-in: the fluid frees it with free(), so it came from malloc.
    return malloc_usable_size(f->ownedArray);
}

void Forget(const Fluido* f) {
    std::lock_guard<std::mutex> lock(Mutex());
    Sizes().erase(f);
}

}  // namespace owned_array

std::mutex& SceneMutex() {
    static std::mutex* m = new std::mutex;
    return *m;
}

Fluido::Fluido()
    : next(nullptr),
      panel(nullptr),
      count(0),
      serial(0),
      h(0),
      invH(0),
      invH2(0),
      kernelC(0),
      boxMax(0, 0, 0),
      boxMin(0, 0, 0),
      velMax(0.01f, 0.01f, 0.01f),
      velMin(-0.01f, -0.01f, -0.01f),
      restDensity(1000.0f),
      invRestDensity(0.001f),
      cellSize(0),
      maxParticles(50000),
      reservedF(0),
      externalPressure(0),
      initialTemperature(100.0f),
      conductivity(0.8f),
      externalTemperature(100.0f),
      externalConductivity(0.4f),
      fillSpacing(0.1f),
      mass(0.9f),
      type(kFluidLiquid),
      fullViscosity(0),
      colour(0, 0, 0),
      elasticLimitOn(0),
      fractureLimitOn(0),
      removeIsolated(1),
      springK(9000.0f),
      springDamping(20.0f),
      repulsion(10.0f),
      elasticLimit(120.0f),
      fractureLimit(150.0f),
      autoRepulsion(0),
      springsBuilt(0),
      minSpringLength(1e9f),
      splitOnCollision(0),
      splitOnVelocity(0),
      splitOnRandom(0),
      splitOnAge(0),
      splitEnabled(0),
      splitCount(2),
      splitGenerations(2),
      splitSpeed(1.0f),
      autoRange{1, 1, 1},
      manualRange{1, 0, 1, 0, 1, 0},
      speedMax(0),
      speedMin(0),
      speedAvg(0),
      pressureMax(0),
      pressureMin(0),
      pressureAvg(0),
      temperatureMax(0),
      temperatureMin(0),
      temperatureAvg(0),
      ownedArray(nullptr),
      grid(nullptr),
      nx(0),
      ny(0),
      nz(0),
      killBoxMin(-1, -1, -1),
      killBoxMax(1, 1, 1),
      lifeTime(0),
      isolationTime(0),
      maxSpeed(0),
      killProbability(0.01f),
      killByAge(0),
      killByIsolation(0),
      killByVolume(0),
      killBySpeed(0),
      killByCollision(0),
      killRandom(0),
      randomEmission(0),
      surfaceName{},
      surfaceFile{},
      emitter(nullptr),
      numDaemons(0),
      numObjects(0),
      numLinkedFluids(0),
      daemons(nullptr),
      objects(nullptr),
      linkedFluids(nullptr),
      emitTime(0),
      useAltPos(0),
      active(1),
      outLwo(0),
      outBin(0),
      outAscii(0),
      outMaxParticlesOn(0),
      onlyFirstLwo(0),
      colourMode(1),
      outMaxParticles(0),
      frameOffset(0),
      prefix{},
      outDir{},
      poolLists(nullptr),
      poolVoxels(nullptr),
      poolNeighbours(nullptr),
      poolFaces(nullptr),
      texture(nullptr) {
    viscosity.InitValue(15.0f, "Viscosity");
    pressureK.InitValue(0.01f, "Pressure");
    anchor.owner = this;
    // The smoothing length before the first step follows the rest density.
    fluid_limits::SetSmoothingLength(this, fluid_limits::RestSmoothing(this));
}

Fluido::~Fluido() {
    FreePools(this);
    owned_array::Forget(this);
    std::free(ownedArray);
    std::free(daemons);
    std::free(objects);
    std::free(linkedFluids);
}

Particula* Fluido::CreaParticula(Vector p, Vector v) {
    Particula* q = new Particula;
    if (!q) return nullptr;
    q->pos = p;
    q->vel = v;
    q->extraVel = Vector(0, 0, 0);
    q->mass = 0.9f;
    q->age = 0.0f;
    q->isolatedTime = 0.0f;
    q->numNeighbours = 0;
    q->density = restDensity;
    q->temperature = initialTemperature;
    q->owner = this;
    q->prev = &anchor;
    q->next = anchor.next;
    if (anchor.next) anchor.next->prev = q;
    anchor.next = q;
    ++count;
    q->id = ++serial;
    if (texture) engine_hooks::RegisterWithTexture(texture, q);
    return q;
}

void Fluido::RemoveParticula(Particula* p) {
    if (!p) return;
    if (!p->prev) {
        platform::MessageBox("Error in root particle");
    } else {
        p->prev->next = p->next;
    }
    if (p->next && p->prev) p->next->prev = p->prev;
    // Its own springs go first: the emitter is told of a particle already cut loose.
    while (p->springs) p->RemoveMuelle(p->springs);
    if (emitter) emitter->GonnaKill(p);
    --count;
    particles::Retire(p);
}

void Fluido::RemoveALLParticles() {
    {
        std::lock_guard<std::mutex> lock(SceneMutex());
        if (poolNeighbours) {
            MemPool* previous = AllocSetPool(poolNeighbours);
            AllocReset();
            AllocSetPool(previous);
        }
        for (Particula* p = anchor.next; p;) {
            Particula* next = p->next;
            RemoveParticula(p);
            p = next;
        }
        anchor.next = nullptr;
        count = 0;
        serial = 0;
    }
    SweepRemovedParticles();
}

void Fluido::Regenera() {
    // One byte per particle; the list is walked, since a plug-in may have left count wrong.
    size_t remembered = 0;
    for (Particula* p = anchor.next; p; p = p->next) ++remembered;
    unsigned char* marks = nullptr;
    if (remembered > 0) {
        marks = static_cast<unsigned char*>(std::malloc(remembered));
        if (!marks) {
            platform::MessageBox("Error allocating memory : regen 1");
            remembered = 0;
        }
    }
    size_t i = 0;
    for (Particula* p = anchor.next; p && i < remembered; p = p->next) {
        marks[i++] = static_cast<unsigned char>(p->frozen & 0xFF);
    }
    RemoveALLParticles();
    fillSpacing = 1.0f / std::pow(restDensity, 0.333f);
    fluid_limits::SetSmoothingLength(this, fluid_limits::RestSmoothing(this));
    if (emitter) {
        if (emitter->link) emitter->UpdateLink();
        emitter->CalculaDependientes();
    }
    i = 0;
    for (Particula* p = anchor.next; p && i < remembered; p = p->next, ++i) p->frozen = marks[i];
    std::free(marks);
    FreePools(this);
    CreatePools(this);
    grid = nullptr;
    engine_hooks::FluidRegenerated(this);
    if (type == kFluidElastic) springsBuilt = 0;
}

int CountFluids() {
    int n = 0;
    for (Fluido* f = rootflow; f; f = f->next) ++n;
    return n;
}

Fluido* CreaFluido(Descriptor* cls) {
    Fluido* f = cls ? new (std::nothrow) Fluido : nullptr;
    Creador* e = f ? CreaEmisor(cls, f) : nullptr;
    if (!e) {
        delete f;
        platform::MessageBox("Error creating fluid");
        return nullptr;
    }
    f->count = 0;
    f->serial = 0;
    f->colour.x = DameRandom();
    f->colour.y = DameRandom();
    f->colour.z = DameRandom();

    // The surface of the particle LWO file is named after the class, before the number; its
    // file is looked for in the output directory of the moment.
    platform::CopyText(f->surfaceName, sizeof f->surfaceName, e->name);
    const char* out = image_output.directory;
    platform::CopyText(f->surfaceFile, sizeof f->surfaceFile,
                       out[0] ? out : platform::AppDir().c_str());

    // "X", then "X 1", "X 2": one more than the last number among fluids of the class.
    int n = 0;
    int counter = 0;
    for (Fluido* g = rootflow; g; g = g->next) {
        if (!g->emitter || g->emitter->descriptor != cls) continue;
        TrailingNumber(g->emitter->name, &n);
        counter = n + 1;
    }
    if (counter != 0) {
        std::string named = platform::Format("%s %d", e->name, counter);
        platform::CopyText(e->name, sizeof e->name, named.c_str());
    }
    platform::CopyText(f->prefix, sizeof f->prefix, e->name);
    CreatePools(f);

    Fluido** tail = &rootflow;
    while (*tail) tail = &(*tail)->next;
    *tail = f;
    engine_hooks::FluidCreated(f);
    return f;
}

void DeleteFluido(Fluido* fluid) {
    if (!fluid) return;
    engine_hooks::FluidDeleting(fluid);
    WithdrawFluidFromFluids(fluid);
    Descriptor* cls = fluid->emitter ? fluid->emitter->descriptor : nullptr;
    delete fluid->emitter;
    fluid->emitter = nullptr;
    fluid->RemoveALLParticles();
    for (Fluido** at = &rootflow; *at; at = &(*at)->next) {
        if (*at == fluid) {
            *at = fluid->next;
            break;
        }
    }
    if (selflow == fluid) selflow = nullptr;
    particle_order::Forget(fluid);
    grid_access::Forget(fluid);
    draw_buffers::Forget(fluid);
    delete fluid;
    // Last, once nothing of the fluid is left: the class may take its library with it.
    ReleaseClass(cls);
}

void DeleteAllFluids() {
    while (rootflow) DeleteFluido(rootflow);
}

void SweepRemovedParticles() {
    if (!particles::HasRetired()) return;
    if (particles::LiveSpringRecords() > 0) {
        for (Fluido* f = rootflow; f; f = f->next) {
            for (Particula* p = f->First(); p; p = p->next) {
                if (p->springs) particles::DropDeadSprings(p);
            }
        }
    }
    // The viewport walks the lists under the scene mutex and may stand on a record that was
    // just unlinked: records are freed only while no such walk is in progress.
    std::lock_guard<std::mutex> lock(SceneMutex());
    particles::FreeRetired();
}
