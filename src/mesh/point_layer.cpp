// The lattice points of one slice and how they are found by (a, b).
#include "mesh/sweep_private.h"

namespace sweep {
namespace {

// Flat tables larger than this (per slice) give way to the hash table.
constexpr long long kMaxDense = 1 << 20;

int64_t Key(int a, int b) {
    return (static_cast<int64_t>(a) << 32) | static_cast<int64_t>(static_cast<uint32_t>(b));
}

size_t Mix(int64_t key) {
    uint64_t x = static_cast<uint64_t>(key);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    return static_cast<size_t>(x);
}

}  // namespace

void PointIndex::Configure(int a0, int b0, int na, int nb) {
    if (na <= 0 || nb <= 0 || static_cast<long long>(na) * nb > kMaxDense) na = nb = 0;
    // A table handed back is empty already; one of the same shape is used as it is.
    if (a0 == a0_ && b0 == b0_ && na == na_ && nb == nb_ &&
        dense_.size() == static_cast<size_t>(na) * static_cast<size_t>(nb)) {
        return;
    }
    a0_ = a0;
    b0_ = b0;
    na_ = na;
    nb_ = nb;
    dense_.assign(static_cast<size_t>(na) * static_cast<size_t>(nb), 0);
}

size_t PointIndex::Probe(int64_t key) const {
    const size_t mask = slots_.size() - 1;
    size_t at = Mix(key) & mask;
    while (slots_[at].stamp == stamp_ && slots_[at].key != key) at = (at + 1) & mask;
    return at;
}

int PointIndex::FindHashed(int a, int b) const {
    const Slot& s = slots_[Probe(Key(a, b))];
    return s.stamp == stamp_ ? s.value : -1;
}

void PointIndex::Grow() {
    std::vector<Slot> old;
    old.swap(slots_);
    const uint32_t old_stamp = stamp_;
    slots_.assign(old.empty() ? 1024 : old.size() * 2, Slot{0, 0, 0});
    stamp_ = 1;
    used_ = 0;
    for (const Slot& s : old) {
        if (s.stamp != old_stamp) continue;
        Slot& to = slots_[Probe(s.key)];
        to = Slot{s.key, s.value, stamp_};
        ++used_;
    }
}

void PointIndex::InsertHashed(int a, int b, int point) {
    if ((used_ + 1) * 2 > slots_.size()) Grow();
    const int64_t key = Key(a, b);
    Slot& s = slots_[Probe(key)];
    if (s.stamp != stamp_) ++used_;
    s = Slot{key, point, stamp_};
}

void PointIndex::Clear(const std::vector<GridPoint>& points) {
    for (const GridPoint& p : points) {
        if (InRect(p.a, p.b)) {
            dense_[static_cast<size_t>(p.a - a0_) * static_cast<size_t>(nb_) +
                   static_cast<size_t>(p.b - b0_)] = 0;
        }
    }
    if (used_ > 0) {
        used_ = 0;
        // A new stamp empties every slot at once; on wrap-around they are wiped for real.
        if (++stamp_ == 0) {
            for (Slot& s : slots_) s.stamp = 0;
            stamp_ = 1;
        }
    }
}

void Layer::Reset(int s) {
    index.Clear(points);
    points.clear();
    pending.clear();
    head = 0;
    newVertices.clear();
    toEmit.clear();
    slice = s;
}

int Layer::Add(int a, int b) {
    const int at = static_cast<int>(points.size());
    points.push_back(GridPoint{a, b, kUnset, -1, Vector(0, 0, 0), 0, 0});
    index.Insert(a, b, at);
    return at;
}

}  // namespace sweep
