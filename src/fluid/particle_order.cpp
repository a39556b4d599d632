#include "fluid/particle_order_private.h"

#include <unordered_map>

namespace particle_order {
namespace {

struct Capture {
    std::vector<Particula*> order;
    int serial = -1;
    int count = -1;
};

// Touched only by the thread that steps the fluids.
std::unordered_map<const Fluido*, Capture>& Table() {
    static auto* table = new std::unordered_map<const Fluido*, Capture>;
    return *table;
}

}  // namespace

std::vector<Particula*>& Refill(const Fluido* f) {
    Capture& c = Table()[f];
    c.order.clear();
    c.serial = -1;
    return c.order;
}

void Captured(const Fluido* f) {
    Capture& c = Table()[f];
    c.serial = f->serial;
    c.count = f->count;
}

const std::vector<Particula*>* Current(const Fluido* f) {
    auto it = Table().find(f);
    if (it == Table().end()) return nullptr;
    const Capture& c = it->second;
    if (c.serial != f->serial || c.count != f->count ||
        c.order.size() != static_cast<size_t>(f->count)) {
        return nullptr;
    }
    return &c.order;
}

void Forget(const Fluido* f) { Table().erase(f); }

}  // namespace particle_order
