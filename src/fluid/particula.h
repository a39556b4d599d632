#pragma once

#include <cstddef>

#include "export.h"
#include "math/vector.h"

class Fluido;
struct Muelle;

// One particle. Emitters and daemons read and write these fields directly, so their order and
// types are a binary contract. Units: scene units, seconds; force is per unit mass.
class UNDALINE_API Particula {
public:
    // Vectors zero, pointers null, pressure, frozen and flags 0, id -1. CreaParticula sets the
    // rest (mass, density, temperature, age, isolatedTime, numNeighbours).
    Particula();

    // Adds a spring from this particle to q unless q already has one to this particle.
    // Returns true only when no spring was added because the two are 0.001 or closer.
    bool AddMuelleASi(Particula* q);
    // Unlinks s from this particle's spring list and frees it.
    void RemoveMuelle(Muelle* s);

    // Records come from a slab allocator shared by the whole program, whoever creates them;
    // new gives null when memory is exhausted.
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* p);

    Vector pos;
    float mass;
    float density;
    float pressure;
    Fluido* owner;
    int numNeighbours;
    Particula** neighbours;  // valid only during the step that built it
    Vector force;
    Vector vel;
    Particula* prev;  // the first particle's prev is its fluid's anchor
    Vector extraVel;
    Vector pendingForce;
    float temperature;
    float tempAverage;
    Vector altPos;
    Vector texCoord;
    float age;
    float isolatedTime;
    Particula* next;
    int id;
    Muelle* springs;
    unsigned char contactLevel;
    int frozen;
    unsigned char collided;
    unsigned char deleteMark;
    unsigned char springsBuilt;
    unsigned char meshMark;
};

// A spring between two particles, kept in the list of one of them.
struct UNDALINE_API Muelle {
    static void* operator new(size_t size) noexcept;
    static void operator delete(void* p);

    Muelle* prev;
    Muelle* next;
    Particula* other;
    float restLength;
    float plastic;
};

namespace particles {

// A removed particle is not freed at once: neighbour lists of the running step and springs of
// other particles may still name it. It is marked dead and kept until the next sweep, which
// first drops every spring whose far end is dead and then frees the dead records.
constexpr int kDeadId = -2;
inline bool IsDead(const Particula* p) { return p->id == kDeadId; }

// Frees p's own springs and marks p dead (id kDeadId, owner null, out of any list).
UNDALINE_API void Retire(Particula* p);
UNDALINE_API bool HasRetired();
// Frees the dead records. The caller must first have dropped springs that point at them.
UNDALINE_API void FreeRetired();
// Drops p's springs whose far end is dead.
UNDALINE_API void DropDeadSprings(Particula* p);

// Counts for checks and benchmarks.
UNDALINE_API long LiveParticleRecords();
UNDALINE_API long LiveSpringRecords();

}  // namespace particles
