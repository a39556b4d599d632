#include "fluid/particula.h"

#include <cmath>
#include <mutex>

#include "fluid/record_allocator_private.h"

namespace {

// Never destroyed: particles may outlive every other static at exit.
RecordAllocator& ParticleRecords() {
    static RecordAllocator* a = new RecordAllocator(sizeof(Particula));
    return *a;
}
RecordAllocator& SpringRecords() {
    static RecordAllocator* a = new RecordAllocator(sizeof(Muelle));
    return *a;
}

std::mutex g_retired_mutex;
Particula* g_retired = nullptr;  // chained through next

float Distance(const Vector& a, const Vector& b) { return (a - b).Modulo(); }

}  // namespace

Particula::Particula()
    : pos(0, 0, 0),
      mass(0),
      density(0),
      pressure(0),
      owner(nullptr),
      numNeighbours(0),
      neighbours(nullptr),
      force(0, 0, 0),
      vel(0, 0, 0),
      prev(nullptr),
      extraVel(0, 0, 0),
      pendingForce(0, 0, 0),
      temperature(0),
      tempAverage(0),
      altPos(0, 0, 0),
      texCoord(0, 0, 0),
      age(0),
      isolatedTime(0),
      next(nullptr),
      id(-1),
      springs(nullptr),
      contactLevel(0),
      frozen(0),
      collided(0),
      deleteMark(0),
      springsBuilt(0),
      meshMark(0) {}

void* Particula::operator new(size_t size) noexcept {
    return size <= sizeof(Particula) ? ParticleRecords().Take() : nullptr;
}

void Particula::operator delete(void* p) { ParticleRecords().Give(p); }

void* Muelle::operator new(size_t size) noexcept {
    return size <= sizeof(Muelle) ? SpringRecords().Take() : nullptr;
}

void Muelle::operator delete(void* p) { SpringRecords().Give(p); }

bool Particula::AddMuelleASi(Particula* q) {
    float length = 0.0f;
    if (q) {
        for (Muelle* s = q->springs; s; s = s->next) {
            if (s->other == this) return false;
        }
        length = Distance(pos, q->pos);
        if (length <= 0.001f) return true;
    }
    Muelle* spring = new Muelle;
    if (!spring) return false;
    spring->other = q;
    spring->restLength = length;
    spring->plastic = 0.0f;
    spring->next = nullptr;
    spring->prev = nullptr;
    if (!springs) {
        springs = spring;
    } else {
        Muelle* tail = springs;
        while (tail->next) tail = tail->next;
        tail->next = spring;
        spring->prev = tail;
    }
    return false;
}

void Particula::RemoveMuelle(Muelle* s) {
    if (!s) return;
    if (s->prev) {
        s->prev->next = s->next;
    } else if (springs == s) {
        springs = s->next;
    }
    if (s->next) s->next->prev = s->prev;
    delete s;
}

namespace particles {

void Retire(Particula* p) {
    if (!p) return;
    while (p->springs) p->RemoveMuelle(p->springs);
    p->id = kDeadId;
    p->owner = nullptr;
    p->prev = nullptr;
    p->numNeighbours = 0;
    std::lock_guard<std::mutex> lock(g_retired_mutex);
    p->next = g_retired;
    g_retired = p;
}

bool HasRetired() {
    std::lock_guard<std::mutex> lock(g_retired_mutex);
    return g_retired != nullptr;
}

void FreeRetired() {
    Particula* list;
    {
        std::lock_guard<std::mutex> lock(g_retired_mutex);
        list = g_retired;
        g_retired = nullptr;
    }
    while (list) {
        Particula* next = list->next;
        delete list;
        list = next;
    }
}

void DropDeadSprings(Particula* p) {
    for (Muelle* s = p->springs; s;) {
        Muelle* next = s->next;
        if (s->other && IsDead(s->other)) p->RemoveMuelle(s);
        s = next;
    }
}

long LiveParticleRecords() { return static_cast<long>(ParticleRecords().Live()); }
long LiveSpringRecords() { return static_cast<long>(SpringRecords().Live()); }

}  // namespace particles
