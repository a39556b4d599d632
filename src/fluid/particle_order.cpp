#include <algorithm>
#include <atomic>
#include <unordered_map>

#include "fluid/particle_order_private.h"

namespace particle_order {
namespace {

struct Capture {
    std::vector<Particula*> order;
    std::vector<Particula*> fresh;
    std::vector<int> pieces;
    int pieces_for = -1;
    int serial = -1;
    int count = -1;
};

// Touched only by the thread that steps the fluids.
std::unordered_map<const Fluido*, Capture>& Table() {
    static auto* table = new std::unordered_map<const Fluido*, Capture>;
    return *table;
}

// Particles per piece of a pass split over the threads: enough to outweigh handing it out.
constexpr int kPiece = 16384;

}  // namespace

const std::vector<Particula*>* Kept(Fluido* f) {
    Capture& c = Table()[f];
    if (c.order.empty() || f->count < static_cast<int>(c.order.size())) return nullptr;
    const size_t fresh = static_cast<size_t>(f->count) - c.order.size();
    c.fresh.clear();
    Particula* p = f->First();
    for (size_t i = 0; i < fresh && p; ++i, p = p->next) c.fresh.push_back(p);
    if (p != c.order.front() || c.fresh.size() != fresh) return nullptr;
    if (fresh > 0) c.order.insert(c.order.begin(), c.fresh.begin(), c.fresh.end());
    c.serial = f->serial;
    c.count = f->count;
    return &c.order;
}

const std::vector<Particula*>& Walk(Fluido* f) {
    Capture& c = Table()[f];
    c.order.clear();
    const size_t expected = static_cast<size_t>(std::max(f->count, 0));
    if (c.order.capacity() < expected) c.order.reserve(expected + expected / 16);
    for (Particula* p = f->First(); p; p = p->next) c.order.push_back(p);
    c.serial = f->serial;
    c.count = f->count;
    return c.order;
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

void Forget(const Fluido* f) {
    Table().erase(f);
}

const std::vector<int>& Pieces(const Fluido* f, int n) {
    Capture& c = Table()[f];
    if (c.pieces_for != n) {
        c.pieces.clear();
        for (int at = 0; at < n; at += kPiece) c.pieces.push_back(at);
        c.pieces.push_back(n);
        c.pieces_for = n;
    }
    return c.pieces;
}

}  // namespace particle_order
