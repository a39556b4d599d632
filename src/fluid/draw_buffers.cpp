#include "fluid/draw_buffers.h"

#include <atomic>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "fluid/fluido.h"

namespace draw_buffers {
namespace {

enum ColourMode { kVelocity = 1, kPressure = 2, kTemperature = 3 };

// One fluid's buffers: `back` belongs to the thread that publishes, `front` is the latest
// hand-over. Slots are only made and dropped under the scene mutex; node addresses of the
// map stay put, so the publisher fills `back` without holding it.
struct Slot {
    ParticleSnapshot back;
    ParticleSnapshot front;
    bool fresh = false;
};

std::atomic<int> g_wants{0};

std::unordered_map<const Fluido*, Slot>& Slots() {
    static auto* slots = new std::unordered_map<const Fluido*, Slot>;
    return *slots;
}

void Swap(ParticleSnapshot& a, ParticleSnapshot& b) {
    a.xyz.swap(b.xyz);
    a.value.swap(b.value);
    a.vel.swap(b.vel);
    a.marks.swap(b.marks);
    std::swap(a.count, b.count);
    std::swap(a.colour_mode, b.colour_mode);
    std::swap(a.lowest, b.lowest);
    std::swap(a.highest, b.highest);
}

}  // namespace

void Request(int wants) { g_wants.store(wants); }
int Requested() { return g_wants.load(); }

void Fill(const Fluido* f, ParticleSnapshot& s, bool velocities) {
    const int mode = f->colourMode;
    const bool alt = f->useAltPos != 0;
    const size_t n = static_cast<size_t>(f->count > 0 ? f->count : 0);
    if (s.xyz.size() < 3 * n) s.xyz.resize(3 * n);
    if (s.value.size() < n) s.value.resize(n);
    if (velocities && s.vel.size() < 3 * n) s.vel.resize(3 * n);
    s.marks.clear();
    float lo = 1e30f, hi = -1e30f;
    size_t i = 0;
    for (const Particula* p = f->First(); p && i < n; p = p->next) {
        if (particles::IsDead(p)) continue;
        const Vector& q = alt ? p->altPos : p->pos;
        float* v = &s.xyz[3 * i];
        v[0] = q.x;
        v[1] = q.y;
        v[2] = q.z;
        float value = 0.0f;
        if (mode == kVelocity) value = p->vel.Modulo();
        if (mode == kPressure) value = p->pressure;
        if (mode == kTemperature) value = p->temperature;
        s.value[i] = value;
        lo = value < lo ? value : lo;
        hi = value > hi ? value : hi;
        if (p->frozen != 0) {
            s.marks.push_back(static_cast<int>(i));
            s.marks.push_back(p->frozen);
        }
        if (velocities) {
            float* w = &s.vel[3 * i];
            w[0] = p->vel.x;
            w[1] = p->vel.y;
            w[2] = p->vel.z;
        }
        ++i;
    }
    s.count = static_cast<int>(i);
    s.colour_mode = mode;
    s.lowest = i ? lo : 0.0f;
    s.highest = i ? hi : 0.0f;
}

void Publish() {
    const int wants = g_wants.load();
    if (!(wants & kPositions)) return;
    for (Fluido* f = rootflow; f; f = f->next) {
        Slot* slot;
        {
            std::lock_guard<std::mutex> lock(SceneMutex());
            slot = &Slots()[f];
        }
        Fill(f, slot->back, (wants & kVelocities) != 0);
        std::lock_guard<std::mutex> lock(SceneMutex());
        Swap(slot->back, slot->front);
        slot->fresh = true;
    }
}

bool Take(const Fluido* f, ParticleSnapshot& mine) {
    std::lock_guard<std::mutex> lock(SceneMutex());
    auto it = Slots().find(f);
    if (it == Slots().end() || !it->second.fresh) return false;
    Swap(it->second.front, mine);
    it->second.fresh = false;
    return true;
}

void Forget(const Fluido* f) {
    std::lock_guard<std::mutex> lock(SceneMutex());
    if (f) {
        Slots().erase(f);
    } else {
        Slots().clear();
    }
}

}  // namespace draw_buffers
