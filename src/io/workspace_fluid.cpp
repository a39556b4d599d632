// A fluid's workspace record: the emitter, the parameters, the particles and the springs.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_map>
#include <vector>

#include "fluid/fluid_limits.h"
#include "fluid/fluido.h"
#include "fluid/owned_array_private.h"
#include "io/class_lookup.h"
#include "io/record_io_private.h"
#include "io/workspace.h"
#include "io/workspace_private.h"
#include "platform/message_box.h"
#include "scene/anifloat.h"
#include "scene/creador.h"
#include "scene/descriptor.h"

namespace {

using namespace record_io;
using platform::ReadF32;
using platform::ReadI32;
using platform::WriteF32;
using platform::WriteI32;

constexpr int kFluidRecordVersion = 7;
// pos, altPos, density, vel, extraVel, force, isolatedTime, four flags, temperature, frozen.
constexpr long kParticleRecordBytes = 12 + 12 + 4 + 12 + 12 + 12 + 4 + 4 + 4 + 1;

bool PutParticle(const Particula* p) {
    return PutVector(p->pos) && PutVector(p->altPos) && WriteF32(p->density) &&
           PutVector(p->vel) && PutVector(p->extraVel) && PutVector(p->force) &&
           WriteF32(p->isolatedTime) && PutByte(p->collided) && PutByte(p->deleteMark) &&
           PutByte(p->springsBuilt) && PutByte(p->meshMark) && WriteF32(p->temperature) &&
           PutByte(static_cast<unsigned char>(p->frozen & 0xFF));
}

struct StoredParticle {
    Vector pos, altPos, vel, extraVel, force;
    float density, isolatedTime, temperature;
    unsigned char collided, deleteMark, springsBuilt, meshMark, frozen;
};

bool GetParticle(StoredParticle* s) {
    return GetVector(&s->pos) && GetVector(&s->altPos) && ReadF32(&s->density) &&
           GetVector(&s->vel) && GetVector(&s->extraVel) && GetVector(&s->force) &&
           ReadF32(&s->isolatedTime) && GetByte(&s->collided) && GetByte(&s->deleteMark) &&
           GetByte(&s->springsBuilt) && GetByte(&s->meshMark) && ReadF32(&s->temperature) &&
           GetByte(&s->frozen);
}

// Springs by particle number (list order). A spring to a particle of another fluid has no
// number here and is not stored.
bool PutSprings(Fluido* f) {
    std::unordered_map<const Particula*, int> number;
    int n = 0;
    for (Particula* p = f->First(); p; p = p->next) number[p] = n++;
    for (Particula* p = f->First(); p; p = p->next) {
        int stored = 0;
        for (Muelle* s = p->springs; s; s = s->next) stored += number.count(s->other) ? 1 : 0;
        if (!WriteI32(stored)) return false;
        for (Muelle* s = p->springs; s; s = s->next) {
            auto it = number.find(s->other);
            if (it == number.end()) continue;
            if (!WriteI32(it->second) || !WriteF32(s->restLength) || !WriteF32(s->plastic)) {
                return false;
            }
        }
    }
    return true;
}

struct StoredSpring {
    int from, to;
    float rest, plastic;
};

// Every spring of the record, checked before anything is made from it: both ends must be
// particles of the record and differ (a spring to itself would be dropped twice when it
// breaks), and its lengths must be numbers.
bool GetSprings(int count, std::vector<StoredSpring>* springs) {
    for (int from = 0; from < count; ++from) {
        int n;
        // A spring takes 12 bytes; a count the file cannot hold is a broken record.
        if (!GetInt(&n) || n < 0 || n > Remaining() / 12) return false;
        for (int i = 0; i < n; ++i) {
            StoredSpring s{from, 0, 0.0f, 0.0f};
            if (!GetInt(&s.to) || !ReadF32(&s.rest) || !ReadF32(&s.plastic)) return false;
            if (s.to < 0 || s.to >= count || s.to == from) return false;
            if (!std::isfinite(s.rest) || !std::isfinite(s.plastic)) return false;
            springs->push_back(s);
        }
    }
    return true;
}

void MakeSprings(const std::vector<StoredSpring>& springs,
                 const std::vector<Particula*>& particles) {
    for (const StoredSpring& stored : springs) {
        Particula* p = particles[static_cast<size_t>(stored.from)];
        p->AddMuelleASi(nullptr);
        Muelle* s = p->springs;
        while (s->next) s = s->next;
        s->other = particles[static_cast<size_t>(stored.to)];
        s->restLength = stored.rest;
        s->plastic = stored.plastic;
    }
}

// Values no step can work with, or that would ask for memory without bound: such a record is
// refused. The cell size is at least 2h in every record the program writes.
bool SaneParameters(const Fluido* f, float h) {
    using namespace fluid_limits;
    return Within(h, kMinSmoothing, kMaxSmoothing) &&
           Within(f->restDensity, kMinRestDensity, kMaxRestDensity) &&
           Within(f->cellSize, 2.0f * h, 2e30f) && Within(f->mass, kMinMass, kMaxMass) &&
           Within(f->fillSpacing, kMinSmoothing, kMaxSmoothing) && f->maxParticles >= 0 &&
           f->maxParticles <= kMaxParticles && f->splitCount >= 0 &&
           f->splitCount <= kMaxSplitCount;
}

}  // namespace

bool WriteFluidRecord(Fluido* f) {
    Creador* e = f->emitter;
    if (!e || !e->descriptor) return false;
    bool ok = WriteI32(kFluidRecordVersion) && WriteI32(e->descriptor->class_id) &&
              PutText(e->name, sizeof e->name) && e->Save() && WriteI32(f->count) &&
              WriteF32(f->h) && PutVector(f->boxMax) && PutVector(f->boxMin) &&
              WriteF32(f->restDensity) && WriteF32(f->cellSize) && WriteI32(f->maxParticles) &&
              f->viscosity.Save() && f->pressureK.Save() && WriteF32(f->externalPressure) &&
              WriteF32(f->fillSpacing) && WriteF32(f->mass) && PutByte(f->fullViscosity) &&
              PutByte(f->type) && PutVector(f->colour) && WriteF32(f->initialTemperature) &&
              WriteF32(f->conductivity) && WriteI32(f->nx) && WriteI32(f->ny) &&
              WriteI32(f->nz) && WriteI32(f->elasticLimitOn) && WriteI32(f->fractureLimitOn) &&
              WriteI32(f->removeIsolated) && PutByte(f->autoRepulsion) &&
              WriteF32(f->repulsion) && WriteF32(f->springK) && WriteF32(f->springDamping) &&
              WriteF32(f->elasticLimit) && WriteF32(f->fractureLimit) &&
              PutByte(f->springsBuilt) && WriteF32(f->lifeTime) && WriteF32(f->isolationTime) &&
              PutVector(f->killBoxMin) && PutVector(f->killBoxMax) && WriteF32(f->maxSpeed) &&
              WriteF32(f->killProbability);
    for (int v : {f->killByAge, f->killByIsolation, f->killByVolume, f->killBySpeed,
                  f->killByCollision, f->killRandom}) {
        ok = ok && WriteI32(v);
    }
    for (unsigned char v : {f->splitOnCollision, f->splitOnVelocity, f->splitOnRandom,
                            f->splitOnAge, f->splitEnabled}) {
        ok = ok && PutByte(v);
    }
    ok = ok && WriteI32(f->splitCount) && WriteI32(f->splitGenerations) &&
         WriteF32(f->splitSpeed);
    for (float v : {f->speedMax, f->speedMin, f->pressureMax, f->pressureMin, f->temperatureMax,
                    f->temperatureMin}) {
        ok = ok && WriteF32(v);
    }
    for (unsigned char v : f->autoRange) ok = ok && PutByte(v);
    for (float v : f->manualRange) ok = ok && WriteF32(v);
    ok = ok && PutByte(f->outLwo) && PutByte(f->outBin) && PutByte(f->outAscii) &&
         WriteI32(f->colourMode) && PutByte(f->outMaxParticlesOn) &&
         WriteI32(f->outMaxParticles) && PutText(f->prefix, sizeof f->prefix) &&
         PutByte(f->onlyFirstLwo) && WriteI32(f->frameOffset) &&
         PutText(f->outDir, sizeof f->outDir) && WriteF32(f->emitTime) &&
         WriteI32(f->randomEmission) && PutByte(f->ownedArray ? 1 : 0);
    if (f->ownedArray) {
        // Three values per particle; an array made for fewer particles gives zeros for the rest.
        const float* values = static_cast<const float*>(f->ownedArray);
        const size_t readable = owned_array::ReadableBytes(f) / sizeof(float);
        for (size_t i = 0; ok && i < 3 * static_cast<size_t>(f->count); ++i) {
            ok = WriteF32(i < readable ? values[i] : 0.0f);
        }
    }
    for (Particula* p = f->First(); ok && p; p = p->next) ok = PutParticle(p);
    if (ok && f->springsBuilt) ok = PutSprings(f);
    return ok;
}

Fluido* ReadFluidRecord() { return workspace_private::ReadFluidRecord(nullptr); }

Fluido* workspace_private::ReadFluidRecord(bool* skipped) {
    if (skipped) *skipped = false;
    int version, class_id;
    char name[50];
    if (!GetInt(&version) || !GetInt(&class_id) || !GetText(name, sizeof name)) return nullptr;
    Descriptor* cls = LookupClass(class_id);
    Fluido* f = cls ? CreaFluido(cls) : nullptr;
    if (!f) {
        // The record is passed over by the next tag search, as a daemon's is.
        platform::MessageBox("Error loading fluid");
        if (skipped) *skipped = true;
        return nullptr;
    }
    std::memcpy(f->emitter->name, name, sizeof name);
    int count = 0;
    float h = 0;
    bool ok = f->emitter->Load() && GetInt(&count) && ReadF32(&h) && GetVector(&f->boxMax) &&
              GetVector(&f->boxMin) && ReadF32(&f->restDensity) && ReadF32(&f->cellSize) &&
              GetInt(&f->maxParticles) && f->viscosity.Load() && f->pressureK.Load() &&
              ReadF32(&f->externalPressure) && ReadF32(&f->fillSpacing) && ReadF32(&f->mass) &&
              GetByte(&f->fullViscosity) && GetByte(&f->type) && GetVector(&f->colour) &&
              ReadF32(&f->initialTemperature) && ReadF32(&f->conductivity) && GetInt(&f->nx) &&
              GetInt(&f->ny) && GetInt(&f->nz) && GetInt(&f->elasticLimitOn) &&
              GetInt(&f->fractureLimitOn) && GetInt(&f->removeIsolated) &&
              GetByte(&f->autoRepulsion) && ReadF32(&f->repulsion) && ReadF32(&f->springK) &&
              ReadF32(&f->springDamping) && ReadF32(&f->elasticLimit) &&
              ReadF32(&f->fractureLimit) && GetByte(&f->springsBuilt) &&
              ReadF32(&f->lifeTime) && ReadF32(&f->isolationTime) &&
              GetVector(&f->killBoxMin) && GetVector(&f->killBoxMax) && ReadF32(&f->maxSpeed) &&
              ReadF32(&f->killProbability);
    for (int* v : {&f->killByAge, &f->killByIsolation, &f->killByVolume, &f->killBySpeed,
                   &f->killByCollision, &f->killRandom}) {
        ok = ok && GetInt(v);
    }
    for (unsigned char* v : {&f->splitOnCollision, &f->splitOnVelocity, &f->splitOnRandom,
                             &f->splitOnAge, &f->splitEnabled}) {
        ok = ok && GetByte(v);
    }
    ok = ok && GetInt(&f->splitCount) && GetInt(&f->splitGenerations) && ReadF32(&f->splitSpeed);
    for (float* v : {&f->speedMax, &f->speedMin, &f->pressureMax, &f->pressureMin,
                     &f->temperatureMax, &f->temperatureMin}) {
        ok = ok && ReadF32(v);
    }
    for (unsigned char& v : f->autoRange) ok = ok && GetByte(&v);
    for (float& v : f->manualRange) ok = ok && ReadF32(&v);
    unsigned char owned = 0;
    ok = ok && GetByte(&f->outLwo) && GetByte(&f->outBin) && GetByte(&f->outAscii) &&
         GetInt(&f->colourMode) && GetByte(&f->outMaxParticlesOn) &&
         GetInt(&f->outMaxParticles) && GetText(f->prefix, sizeof f->prefix) &&
         GetByte(&f->onlyFirstLwo) && GetInt(&f->frameOffset) &&
         GetText(f->outDir, sizeof f->outDir) && ReadF32(&f->emitTime) &&
         GetInt(&f->randomEmission) && GetByte(&owned);
    // Every particle needs its record: a count the rest of the file cannot hold is refused
    // before anything is made from it.
    if (ok && (count < 0 || count > Remaining() / kParticleRecordBytes)) ok = false;
    if (ok && owned) {
        const size_t bytes = sizeof(float) * 3 * static_cast<size_t>(count ? count : 1);
        float* values = static_cast<float*>(std::malloc(bytes));
        if (!values) {
            platform::MessageBox("Memory error: magic chunk");
            ok = false;
        } else {
            owned_array::Adopt(f, values, bytes);
            for (int i = 0; ok && i < 3 * count; ++i) ok = ReadF32(&values[i]);
        }
    }
    std::vector<StoredParticle> stored;
    if (ok) {
        stored.resize(static_cast<size_t>(count));
        for (StoredParticle& s : stored) {
            if (!(ok = GetParticle(&s))) break;
        }
    }
    std::vector<StoredSpring> springs;
    if (ok && f->springsBuilt) ok = GetSprings(count, &springs);
    ok = ok && SaneParameters(f, h);
    if (!ok) {
        platform::MessageBox("Error loading fluid");
        DeleteFluido(f);
        return nullptr;
    }

    // The reset recomputes what the file keeps from the last step; the file's values stand.
    const Vector box_max = f->boxMax, box_min = f->boxMin;
    const float cell = f->cellSize, spacing = f->fillSpacing;
    const int grid[3] = {f->nx, f->ny, f->nz};
    const unsigned char springs_built = f->springsBuilt;
    f->invRestDensity = 1.0f / f->restDensity;
    f->Regenera();
    f->RemoveALLParticles();
    fluid_limits::SetSmoothingLength(f, h);
    f->boxMax = box_max;
    f->boxMin = box_min;
    f->cellSize = cell;
    f->fillSpacing = spacing;
    f->nx = grid[0];
    f->ny = grid[1];
    f->nz = grid[2];
    f->springsBuilt = springs_built;

    // Particles are pushed at the head: made from the last record to the first, the list
    // comes back in the stored order.
    std::vector<Particula*> particles(static_cast<size_t>(count), nullptr);
    for (int i = count - 1; i >= 0; --i) {
        const StoredParticle& s = stored[static_cast<size_t>(i)];
        Particula* p = f->CreaParticula(s.pos, s.vel);
        if (!p) break;
        p->altPos = s.altPos;
        p->density = s.density;
        p->extraVel = s.extraVel;
        p->force = s.force;
        p->isolatedTime = s.isolatedTime;
        p->collided = s.collided;
        p->deleteMark = s.deleteMark;
        p->springsBuilt = s.springsBuilt;
        p->meshMark = s.meshMark;
        p->temperature = s.temperature;
        p->frozen = s.frozen;
        particles[static_cast<size_t>(i)] = p;
    }
    if (f->count == count) {
        MakeSprings(springs, particles);
    } else if (!springs.empty()) {
        platform::MessageBox("Memory error loading spring data");
    }
    return f;
}
