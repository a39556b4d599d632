// Filling the grid over the worker threads.
//
// The fill is a stable counting sort of the particles by cell, in four passes: the cell of
// every particle with, for each fixed piece of the placing order, its particles per x-slab;
// the particles grouped by slab (each piece writes its share of every group at offsets the
// counts give); the cells of each slab counted; each slab's cells filled from its group.
// Grouping first keeps every pass that writes at scattered places inside one slab, whose
// cells stay in the cache whatever order the particles come in.
//
// Each pass keeps placing order within a group, so a cell lists its particles in list order
// (the fluid's own, then the linked fluids'), whatever the number of threads. The cell records
// are made on the stepping thread alone, in grid order, so the pools hand out the same places
// as ever.
#include <algorithm>
#include <atomic>
#include <cstring>
#include <vector>

#include "fluid/fluido.h"
#include "fluid/grid_access_private.h"
#include "fluid/grid_state_private.h"
#include "fluid/parallel.h"
#include "fluid/particle_order_private.h"
#include "platform/messages.h"

namespace {

// Particles per piece of the placing order.
constexpr int kPiece = 16384;

struct FillJob {
    Fluido* f;
    GridState* s;
    const std::vector<Particula*>* own;
    int own_n = 0;
    int placed = 0;
    int piece = kPiece;
    float inv = 1.0f;
    uint32_t plane = 1;  // cells per x-slab
    std::atomic<int> left_out{0};

    // The cell of a grouped particle within its slab, as Locate found it.
    uint32_t InSlab(const GridState::Entry& e) const {
        const int j = grid_access::CellIndex(e.y - f->boxMin.y, inv, f->ny);
        const int k = grid_access::CellIndex(e.z - f->boxMin.z, inv, f->nz);
        return static_cast<uint32_t>(j * f->nz + k);
    }
    Particula* At(int i) const {
        return i < own_n ? (*own)[static_cast<size_t>(i)]
                         : s->linked[static_cast<size_t>(i - own_n)];
    }
    int* SlabsOf(int begin) {
        return s->piece_slabs.data() + static_cast<size_t>(begin / piece) * f->nx;
    }
};

// Working arrays keep their size from step to step and grow with room to spare, so a fluid
// that spreads or grows a little does not make them grow again at the next step. The large
// ones, a few bytes per particle, grow by an eighth; those as long as the grid, by half.
template <typename T>
void Room(std::vector<T>& v, size_t n, size_t spare_eighths = 1) {
    if (v.size() < n) v.resize(n + n * spare_eighths / 8 + 16);
}

// Cells and per-slab counts of one piece.
void Locate(void* context, int begin, int end, int) {
    auto* job = static_cast<FillJob*>(context);
    Fluido* f = job->f;
    int* slabs = job->SlabsOf(begin);
    std::fill(slabs, slabs + f->nx, 0);
    uint32_t* keys = job->s->keys.data();
    const float inv = job->inv;
    int left_out = 0;
    for (int n = begin; n < end; ++n) {
        Particula* p = job->At(n);
        const bool own = n < job->own_n;
        if (own) {
            p->numNeighbours = 0;
            p->collided = 0;
        }
        int i = grid_access::CellIndex(p->pos.x - f->boxMin.x, inv, f->nx);
        int j = grid_access::CellIndex(p->pos.y - f->boxMin.y, inv, f->ny);
        int k = grid_access::CellIndex(p->pos.z - f->boxMin.z, inv, f->nz);
        uint32_t key;
        if (i >= f->nx || j >= f->ny || k >= f->nz) {
            key = kAboveGrid;
        } else if (i < 0 || j < 0 || k < 0) {
            key = kBelowGrid;
        } else {
            key = static_cast<uint32_t>(i) * job->plane + static_cast<uint32_t>(j * f->nz + k);
            ++slabs[i];
        }
        if (key >= kBelowGrid && own) ++left_out;
        keys[n] = key;
    }
    if (left_out) job->left_out.fetch_add(left_out);
}

// The piece's particles into their slab groups, with their positions, so that no later
// pass of the fill reads a particle record.
void Group(void* context, int begin, int end, int) {
    auto* job = static_cast<FillJob*>(context);
    int* next = job->SlabsOf(begin);
    const uint32_t* keys = job->s->keys.data();
    GridState::Entry* entries = job->s->Entries();
    for (int n = begin; n < end; ++n) {
        const uint32_t key = keys[n];
        if (key >= kBelowGrid) continue;
        Particula* p = job->At(n);
        const int at = next[key / job->plane]++;
        // Each slab's group is a stream of its own; in a mixed fluid they interleave past
        // what the processor follows by itself.
        __builtin_prefetch(entries + at + 4, 1);
        entries[at] = {p, static_cast<uint32_t>(n), p->pos.x, p->pos.y, p->pos.z};
    }
}

// Particles per cell of each slab, and the slab's occupied cells in grid order, written over
// the slab's own share of `keys` (a slab has no more occupied cells than particles).
void CountCells(void* context, int x0, int x1, int) {
    auto* job = static_cast<FillJob*>(context);
    GridState& s = *job->s;
    const uint32_t plane = job->plane;
    for (int x = x0; x < x1; ++x) {
        int* counts = s.counts.data() + static_cast<size_t>(x) * plane;
        std::fill(counts, counts + plane, 0);
        const int from = s.slab_start[static_cast<size_t>(x)];
        const int to = s.slab_start[static_cast<size_t>(x) + 1];
        const uint32_t first = static_cast<uint32_t>(x) * plane;
        const GridState::Entry* entries = s.Entries();
        for (int e = from; e < to; ++e) ++counts[job->InSlab(entries[e])];
        int occupied = 0;
        uint32_t* list = s.keys.data() + from;
        for (uint32_t c = 0; c < plane && occupied < to - from; ++c) {
            if (counts[c] > 0) list[occupied++] = first + c;
        }
        s.fill.slab_cells[static_cast<size_t>(x)] = occupied;
    }
}

// Each slab's cells from its group; the slot of each particle goes where its cell was kept.
// A cell is reached through its place among the occupied cells, kept where its count was:
// two compact arrays rather than the grid's rows, the cell record and its storage in turn.
// Cells are found a few entries ahead and their places loaded early: in a fluid that has
// mixed, consecutive particles of a slab go to cells anywhere in it.
void FillCells(void* context, int x0, int x1, int) {
    auto* job = static_cast<FillJob*>(context);
    GridState& s = *job->s;
    const GridState::Entry* entries = s.Entries();
    uint32_t* slot_of = s.keys.data();
    GridState::CellFill* table = s.cell_fill.data();
    const int from = s.slab_start[static_cast<size_t>(x0)];
    const int to = s.slab_start[static_cast<size_t>(x1)];
    constexpr int kAhead = 8;
    uint32_t ahead[kAhead];
    int x = x0;
    auto locate = [&](int e) {
        while (e >= s.slab_start[static_cast<size_t>(x) + 1]) ++x;
        const uint32_t key = static_cast<uint32_t>(x) * job->plane + job->InSlab(entries[e]);
        __builtin_prefetch(&s.counts[key]);
        __builtin_prefetch(&slot_of[entries[e].index], 1);
        ahead[e % kAhead] = key;
    };
    for (int e = from; e < std::min(to, from + kAhead); ++e) locate(e);
    for (int e = from; e < to; ++e) {
        const GridState::Entry& en = entries[e];
        GridState::CellFill& cell = table[s.counts[ahead[e % kAhead]]];
        if (e + kAhead < to) locate(e + kAhead);
        const int m = cell.count++;
        float* xs = reinterpret_cast<float*>(cell.particles + cell.capacity);
        xs[m] = en.x;
        xs[cell.capacity + m] = en.y;
        xs[2 * cell.capacity + m] = en.z;
        cell.particles[m] = en.p;
        slot_of[en.index] = static_cast<uint32_t>(cell.first_slot + m);
    }
    const int first = s.fill.slab_cells[static_cast<size_t>(x0)];
    const int last = s.fill.slab_cells[static_cast<size_t>(x1)];
    for (int c = first; c < last; ++c) {
        s.fill.cells[static_cast<size_t>(c)]->count = table[c].count;
    }
}

// Bounds in x of about `pieces` runs of slabs holding the same number of particles.
void SplitSlabs(const std::vector<int>& slab_start, int nx, int pieces, std::vector<int>& out) {
    out.clear();
    out.push_back(0);
    const double total = slab_start[static_cast<size_t>(nx)];
    for (int x = 1, made = 1; x < nx && made < pieces; ++x) {
        if (slab_start[static_cast<size_t>(x)] >= total * made / pieces) {
            out.push_back(x);
            ++made;
        }
    }
    out.push_back(nx);
}

}  // namespace

void Fluido::LlenaRejilla() {
    if (!active || !First() || !grid) return;
    GridState& s = StateOf(this);
    s.filled = false;
    FillJob job;
    job.f = this;
    job.s = &s;
    job.own = particle_order::Current(this);
    // Particles made or removed since the box was measured: take the list as it is now.
    if (!job.own) job.own = &particle_order::Walk(this);
    job.own_n = static_cast<int>(job.own->size());
    s.linked.clear();
    for (int l = 0; l < numLinkedFluids; ++l) {
        if (linkedFluids[l] == this || !linkedFluids[l]) continue;
        for (Particula* p = linkedFluids[l]->First(); p; p = p->next) s.linked.push_back(p);
    }
    job.placed = job.own_n + static_cast<int>(s.linked.size());
    job.inv = 1.0f / cellSize;
    job.plane = static_cast<uint32_t>(ny) * static_cast<uint32_t>(nz);
    const size_t cells = static_cast<size_t>(nx) * job.plane;
    const size_t placed = static_cast<size_t>(job.placed);

    // Fixed pieces of the placing order; fewer (and larger) when a long grid would make the
    // table of per-piece slab counts outgrow the particles.
    int pieces = (job.placed + kPiece - 1) / kPiece;
    const double budget = 4.0 * job.placed + 65536.0;
    if (static_cast<double>(pieces) * nx > budget) {
        pieces = std::max(1, static_cast<int>(budget / nx));
    }
    pieces = std::max(pieces, 1);
    job.piece = std::max(1, (job.placed + pieces - 1) / pieces);
    s.pieces.clear();
    for (int at = 0; at < job.placed; at += job.piece) s.pieces.push_back(at);
    s.pieces.push_back(job.placed);
    const int piece_count = static_cast<int>(s.pieces.size()) - 1;

    Room(s.keys, placed);
    // Entries of 24 bytes; later what the search found for each slot.
    static_assert(sizeof(GridState::Entry) == 24);
    Room(s.entries, (placed * sizeof(GridState::Entry) + 7) / 8);
    Room(s.counts, cells, 4);
    Room(s.piece_slabs, static_cast<size_t>(std::max(piece_count, 1)) * nx, 4);
    Room(s.slab_start, static_cast<size_t>(nx) + 1, 4);
    Room(s.fill.slab_cells, static_cast<size_t>(nx) + 1, 4);

    parallel::ForPieces(s.pieces.data(), piece_count, Locate, &job, nullptr);

    // Own particles outside the grid are reported in list order, and passes over the cells
    // must still reach them.
    s.fill.left_out.clear();
    s.left_out_at.clear();
    if (job.left_out.load() > 0) {
        for (int n = 0; n < job.own_n; ++n) {
            const uint32_t key = s.keys[static_cast<size_t>(n)];
            if (key < kBelowGrid) continue;
            platform::LogLine(key == kAboveGrid ? "Internal failure: code 01"
                                                : "Internal failure: code 011");
            s.fill.left_out.push_back((*job.own)[static_cast<size_t>(n)]);
            s.left_out_at.push_back(n);
        }
    }

    // Where each slab's group starts, and where each piece's share of it does.
    int run = 0;
    for (int x = 0; x < nx; ++x) {
        s.slab_start[static_cast<size_t>(x)] = run;
        for (int p = 0; p < piece_count; ++p) {
            int& slot = s.piece_slabs[static_cast<size_t>(p) * nx + x];
            const int here = slot;
            slot = run;
            run += here;
        }
    }
    s.slab_start[static_cast<size_t>(nx)] = run;
    parallel::ForPieces(s.pieces.data(), piece_count, Group, &job, nullptr);

    SplitSlabs(s.slab_start, nx, job.placed < 4096 ? 1 : 8 * parallel::SlabThreads(),
               s.fill.slab_pieces);
    const std::vector<int>& slabs = s.fill.slab_pieces;
    const int slab_pieces = static_cast<int>(slabs.size()) - 1;
    parallel::ForPieces(slabs.data(), slab_pieces, CountCells, &job, nullptr);

    // The records, in grid order, on this thread: the pools are not shared.
    size_t occupied = 0;
    for (int x = 0; x < nx; ++x) occupied += static_cast<size_t>(s.fill.slab_cells[x]);
    if (s.fill.cells.capacity() < occupied) {
        s.fill.cells.reserve(occupied + occupied / 8);
        s.fill.keys.reserve(occupied + occupied / 8);
        s.cell_fill.reserve(occupied + occupied / 8);
    }
    s.fill.cells.clear();
    s.fill.keys.clear();
    s.cell_fill.clear();
    MemPool* previous = AllocSetPool(nullptr);
    size_t big_used = 0;
    int slots = 0;
    for (int x = 0; x < nx; ++x) {
        const int in_slab = s.fill.slab_cells[static_cast<size_t>(x)];
        s.fill.slab_cells[static_cast<size_t>(x)] = static_cast<int>(s.fill.cells.size());
        const uint32_t* list = s.keys.data() + s.slab_start[static_cast<size_t>(x)];
        for (int m = 0; m < in_slab; ++m) {
            const uint32_t key = list[m];
            const uint32_t rest = key - static_cast<uint32_t>(x) * job.plane;
            const int j = static_cast<int>(rest / static_cast<uint32_t>(nz));
            const int k = static_cast<int>(rest % static_cast<uint32_t>(nz));
            AllocSetPool(poolVoxels);
            Voxel* cell = static_cast<Voxel*>(Alloc(sizeof(Voxel)));
            const int capacity = s.counts[key];
            const size_t bytes = grid_access::CellBytes(capacity);
            void* block;
            if (capacity <= grid_access::kMaxCellCapacity) {
                AllocSetPool(poolLists);
                block = Alloc(static_cast<int>(bytes));
            } else {
                // A pool serves at most one block per request: a cell packed beyond that (a
                // collapsed stack) keeps its storage beside the pool.
                if (big_used == s.big_cells.size()) s.big_cells.emplace_back();
                std::vector<char>& store = s.big_cells[big_used++];
                if (store.size() < bytes) store.resize(bytes);
                block = store.data();
            }
            grid_access::InitCell(cell, block, capacity, slots);
            s.counts[key] = static_cast<int>(s.cell_fill.size());
            s.cell_fill.push_back({cell->particles, capacity, slots, 0});
            slots += capacity;
            grid[x][j][k] = cell;
            s.fill.cells.push_back(cell);
            s.fill.keys.push_back(key);
        }
    }
    s.fill.slab_cells[static_cast<size_t>(nx)] = static_cast<int>(s.fill.cells.size());
    AllocSetPool(previous);

    for (int n : s.left_out_at) s.keys[static_cast<size_t>(n)] = grid_access::kNoSlot;
    parallel::ForPieces(slabs.data(), slab_pieces, FillCells, &job, nullptr);
    s.fill.own_count = job.own_n;
    s.fill.slot_of = s.keys.data();
    static_assert(sizeof(grid_access::Filled::Found) <= sizeof(GridState::Entry));
    s.fill.found = reinterpret_cast<grid_access::Filled::Found*>(s.entries.data());
    s.filled = true;
}
