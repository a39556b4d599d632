// Seeds found by two threads.
//
// With one linked fluid that shares its neighbour search with no other fluid and no clipping
// box, a cluster is exactly a connected group of particles, joined where two neighbours' kernels
// overlap by half, and the neighbour lists are symmetric. The particle list is then cut in two
// halves and each thread walks the pieces of clusters it can reach inside its own half, noting
// where a piece touches the other half. Pieces that touch are one cluster; its lowest and
// highest particles are those of its pieces. The halves are told apart by the mark each
// particle carries (0 and 1 for the first half, 2 and 3 for the second: unvisited, visited), so
// a thread writes only the marks of its own half and only reads the other's.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <unordered_set>

#include "fluid/fluido.h"
#include "mesh/mesh.h"
#include "mesh/sweep_private.h"

namespace {

struct Piece {
    Particula* lowest;
    Particula* highest;
};

struct Half {
    unsigned char fresh, visited;
    Particula* first;
    int count;
    std::vector<Piece> pieces;
    std::vector<std::pair<int, Particula*>> touches;  // a piece and a particle of the other half
    std::vector<std::pair<Particula*, int>> members;  // particle and its piece
};

using Mark = std::atomic_ref<unsigned char>;

bool Finite(const Vector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Position order along the sweep axis, then the other two: ties between pieces broken by place.
bool Before(const Particula* p, const Particula* q, int sweep, int a, int b) {
    if (p->pos[sweep] != q->pos[sweep]) return p->pos[sweep] < q->pos[sweep];
    if (p->pos[a] != q->pos[a]) return p->pos[a] < q->pos[a];
    return p->pos[b] < q->pos[b];
}

void Walk(Half& half, const Fluido* f, const Lista& link, int sweep, int a, int b) {
    std::vector<Particula*> stack;
    Particula* p = half.first;
    for (int i = 0; i < half.count && p; ++i, p = p->next) {
        if (Mark(p->meshMark).load(std::memory_order_relaxed) != half.fresh) continue;
        Mark(p->meshMark).store(half.visited, std::memory_order_relaxed);
        if (!Finite(p->pos)) continue;
        const int piece = static_cast<int>(half.pieces.size());
        half.pieces.push_back({p, p});
        half.members.push_back({p, piece});
        Piece& out = half.pieces.back();
        stack.assign(1, p);
        while (!stack.empty()) {
            Particula* q = stack.back();
            stack.pop_back();
            for (int n = 0; n < q->numNeighbours; ++n) {
                Particula* r = q->neighbours[n];
                if (!r || r->owner != f) continue;  // removed since the search
                const unsigned char mark = Mark(r->meshMark).load(std::memory_order_relaxed);
                if (mark == half.visited || !Finite(r->pos)) continue;
                const float dx = r->pos.x - q->pos.x, dy = r->pos.y - q->pos.y,
                            dz = r->pos.z - q->pos.z;
                const float t = 1.0f - ((dx * dx + dy * dy) + dz * dz) * 0.25f * link.invR2;
                if (t * t * t * link.kernelScale < 0.5f) continue;
                if (mark != half.fresh) {
                    half.touches.push_back({piece, r});
                    continue;
                }
                Mark(r->meshMark).store(half.visited, std::memory_order_relaxed);
                stack.push_back(r);
                half.members.push_back({r, piece});
                if (Before(r, out.lowest, sweep, a, b)) out.lowest = r;
                if (Before(out.highest, r, sweep, a, b)) out.highest = r;
            }
        }
    }
}

int Root(std::vector<int>& parent, int x) {
    while (parent[static_cast<size_t>(x)] != x) {
        parent[static_cast<size_t>(x)] = parent[static_cast<size_t>(parent[static_cast<size_t>(x)])];
        x = parent[static_cast<size_t>(x)];
    }
    return x;
}

}  // namespace

bool BuildState::FindSeedsInHalves(std::vector<Particula*>* found) {
    if (mesh->numLinks != 1 || mesh->clipBoxOn) return false;
    const Lista& link = mesh->links[0];
    Fluido* f = link.fluid;
    if (!f || !f->grid || f->numLinkedFluids != 0) return false;
    int count = 0;
    for (Particula* p = f->First(); p; p = p->next) ++count;
    Half halves[2] = {{0, 1, f->First(), count / 2, {}, {}, {}}, {2, 3, nullptr, count - count / 2, {}, {}, {}}};
    int i = 0;
    for (Particula* p = f->First(); p; p = p->next, ++i) {
        if (i == count / 2) halves[1].first = p;
        p->meshMark = i < count / 2 ? 0 : 2;
    }
    std::thread second;
    try {
        second = std::thread([&] { Walk(halves[1], f, link, sweepAxis, aAxis, bAxis); });
    } catch (const std::system_error&) {
    }
    Walk(halves[0], f, link, sweepAxis, aAxis, bAxis);
    if (second.joinable()) {
        second.join();
    } else {
        Walk(halves[1], f, link, sweepAxis, aAxis, bAxis);
    }

    // Pieces of both halves in one numbering; those that touch are joined.
    const int first_pieces = static_cast<int>(halves[0].pieces.size());
    std::vector<int> parent(halves[0].pieces.size() + halves[1].pieces.size());
    for (size_t k = 0; k < parent.size(); ++k) parent[k] = static_cast<int>(k);
    for (int h = 0; h < 2; ++h) {
        const Half& other = halves[1 - h];
        std::unordered_set<const Particula*> wanted;
        for (const auto& touch : halves[h].touches) wanted.insert(touch.second);
        std::unordered_map<const Particula*, int> piece_of;
        for (const auto& [member, piece] : other.members) {
            if (wanted.count(member)) piece_of[member] = piece + (h == 0 ? first_pieces : 0);
        }
        for (const auto& [piece, particle] : halves[h].touches) {
            auto there = piece_of.find(particle);
            if (there == piece_of.end()) continue;
            const int mine = piece + (h == 0 ? 0 : first_pieces);
            parent[static_cast<size_t>(Root(parent, mine))] = Root(parent, there->second);
        }
    }
    std::vector<Piece> clusters(parent.size(), Piece{nullptr, nullptr});
    for (size_t k = 0; k < parent.size(); ++k) {
        const Piece& piece = k < static_cast<size_t>(first_pieces)
                                 ? halves[0].pieces[k]
                                 : halves[1].pieces[k - static_cast<size_t>(first_pieces)];
        Piece& c = clusters[static_cast<size_t>(Root(parent, static_cast<int>(k)))];
        if (!c.lowest || Before(piece.lowest, c.lowest, sweepAxis, aAxis, bAxis)) c.lowest = piece.lowest;
        if (!c.highest || Before(c.highest, piece.highest, sweepAxis, aAxis, bAxis)) c.highest = piece.highest;
    }
    std::vector<Piece> sorted;
    for (const Piece& c : clusters) {
        if (c.lowest) sorted.push_back(c);
    }
    std::sort(sorted.begin(), sorted.end(), [&](const Piece& x, const Piece& y) {
        return Before(x.lowest, y.lowest, sweepAxis, aAxis, bAxis);
    });
    for (const Piece& c : sorted) {
        found->push_back(c.lowest);
        if (twoFronts) found->push_back(c.highest);
    }
    for (Particula* p = f->First(); p; p = p->next) p->meshMark = 0;
    return true;
}
