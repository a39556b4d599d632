// Sweep fronts: how a front walks its slices, keeps a few open behind it, closes the rest;
// and how two fronts split the lattice, meet at the seam and join their arrays.
#include <algorithm>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <utility>

#include "fluid/driver.h"
#include "mesh/mesh.h"
#include "mesh/sweep_private.h"
#include "platform/format.h"
#include "platform/messages.h"

using sweep::Layer;

namespace {

// Slices a point waits, after the cubes it needs are done, before its vertex is placed: room
// for cubes found behind the front. And slices kept open once closed, so that a cube found
// later still meets the points there.
constexpr int kSettle = 1;
constexpr int kKeepOpen = 2;

}  // namespace

SweepFront::SweepFront(BuildState& b, int i, int direction, int low, int high)
    : build(b), index(i), dir(direction), lo(low), hi(high) {
    sweep::FrontScratch& s = sweep::Scratch().fronts[i & 1];
    spare.swap(s.layers);
    records.swap(s.records);
    out.vertices.swap(s.out.vertices);
    out.colours.swap(s.out.colours);
    out.clip.swap(s.out.clip);
    out.faces.swap(s.out.faces);
    std::swap(gathers, s.gathers);
    records.clear();
    out.vertices.clear();
    out.colours.clear();
    out.clip.clear();
    out.faces.clear();
    gathers.Clear();
    gathers.Configure(build.denseA0, build.denseB0, build.denseNA, build.denseNB);
    for (Layer* l : spare) {
        l->index.Configure(build.denseA0, build.denseB0, build.denseNA, build.denseNB);
    }
}

SweepFront::~SweepFront() {
    sweep::FrontScratch& s = sweep::Scratch().fronts[index & 1];
    for (Layer* l : window) {
        if (!l) continue;
        l->Reset(0);
        spare.push_back(l);
    }
    spare.swap(s.layers);
    records.swap(s.records);
    out.vertices.swap(s.out.vertices);
    out.colours.swap(s.out.colours);
    out.clip.swap(s.out.clip);
    out.faces.swap(s.out.faces);
    std::swap(gathers, s.gathers);
}

namespace sweep {

FrontScratch::~FrontScratch() {
    for (Layer* l : layers) delete l;
}

BuildScratch& Scratch() {
    static BuildScratch scratch;
    return scratch;
}

}  // namespace sweep

Layer& SweepFront::OpenNew(int slice) {
    if (window.empty()) {
        base = slice;
        window.push_back(nullptr);
    }
    if (slice < base) {
        window.insert(window.begin(), static_cast<size_t>(base - slice), nullptr);
        base = slice;
    }
    if (static_cast<long long>(slice) - base >= static_cast<long long>(window.size())) {
        window.resize(static_cast<size_t>(slice - base) + 1, nullptr);
    }
    Layer*& l = window[static_cast<size_t>(slice - base)];
    if (!l) {
        if (!spare.empty()) {
            l = spare.back();
            spare.pop_back();
        } else {
            l = new Layer;
            l->index.Configure(build.denseA0, build.denseB0, build.denseNA, build.denseNB);
        }
        l->Reset(slice);
    }
    return *l;
}

void SweepFront::Queue(int a, int b, int slice) {
    if (!Owns(slice)) {
        outbox.push_back({a, b, slice});
        return;
    }
    Layer& l = Open(slice);
    QueuePoint(l, Point(l, a, b));
}

void SweepFront::QueuePoint(Layer& l, int at) {
    sweep::GridPoint& p = l.points[static_cast<size_t>(at)];
    if (p.flags & sweep::kQueued) return;
    p.flags |= sweep::kQueued;
    l.pending.push_back(at);
    ++queued;
}

bool SweepFront::Halted() {
    if (points > pointLimit) capped = true;
    if (!capped && build.StopRequested()) stopped = true;
    return capped || stopped;
}

void SweepFront::TrySeeds(int c) {
    // Seeds are sorted by the slice a front meets them at; one is tried on every slice its
    // span touches and starts a cube when the surface crosses its cell there.
    while (nextSeed < seeds.size() &&
           (dir > 0 ? seeds[nextSeed].first <= c : seeds[nextSeed].last >= c)) {
        activeSeeds.push_back(nextSeed++);
    }
    // Seeds whose span the front has left behind are done.
    activeSeeds.erase(std::remove_if(activeSeeds.begin(), activeSeeds.end(),
                                     [&](size_t i) {
                                         return dir > 0 ? seeds[i].last < c : seeds[i].first > c;
                                     }),
                      activeSeeds.end());
    Layer* above = nullptr;
    Layer* below = nullptr;
    for (size_t i : activeSeeds) {
        const sweep::SeedSlot& s = seeds[i];
        if (c < s.first || c > s.last) continue;
        if (!above) {
            below = &Open(c - 1);
            above = &Open(c);
        }
        const int owner = Point(*above, s.a, s.b);
        if (above->points[static_cast<size_t>(owner)].flags & sweep::kQueued) continue;
        int corners[8];
        const int cube_case = CubeCase(*below, *above, s.a, s.b, corners);
        if (cube_case == 0 || cube_case == 255) continue;
        above->points[static_cast<size_t>(owner)].flags |= sweep::kQueued;
        above->pending.push_back(owner);
        ++queued;
    }
}

void SweepFront::Drain() {
    while (queued > 0 && !Halted()) {
        // The reachable slice nearest the front with queued cubes: cubes queued behind are
        // done before the front moves on, those ahead wait for their slice.
        Layer* l = nullptr;
        if (dir > 0) {
            for (size_t i = window.size(); i-- > 0 && !l;) {
                Layer* x = window[i];
                if (x && x->slice <= current && x->head < x->pending.size()) l = x;
            }
        } else {
            for (size_t i = 0; i < window.size() && !l; ++i) {
                Layer* x = window[i];
                if (x && x->slice >= current && x->head < x->pending.size()) l = x;
            }
        }
        if (!l) return;
        while (l->head < l->pending.size()) {
            const int owner = l->pending[l->head++];
            --queued;
            ProcessCube(*l, owner);
            if (Halted()) return;
        }
    }
}

void SweepFront::EmitLayer(Layer& l) {
    if (l.toEmit.empty()) return;
    SweepFront* lower = this;
    Layer* below = At(l.slice - 1);
    // The upper front's cubes just above the seam meet the lower front's slice there.
    if (build.twoFronts && index == 1 && l.slice - 1 == build.seam) {
        lower = build.frontList[0];
        below = lower->At(build.seam);
    }
    if (below) {
        for (const sweep::CubeRecord& cube : l.toEmit) {
            build.EmitCube(*lower, *below, *this, l, cube, lower != this);
        }
    }
    l.toEmit.clear();
}

void SweepFront::Flush(int limit) {
    // Points up to `limit` (down to it for a downward front) are complete; so are the cubes
    // whose two slices are.
    const int n = static_cast<int>(window.size());
    for (int k = 0; k < n; ++k) {
        Layer* l = window[static_cast<size_t>(dir > 0 ? k : n - 1 - k)];
        if (!l) continue;
        if (dir > 0 ? l->slice <= limit : l->slice >= limit) FinaliseLayer(*l);
    }
    for (int k = 0; k < n; ++k) {
        Layer* l = window[static_cast<size_t>(dir > 0 ? k : n - 1 - k)];
        if (!l) continue;
        if (dir > 0 ? l->slice <= limit : l->slice >= limit + 1) EmitLayer(*l);
    }
}

void SweepFront::FlushAll() {
    const int n = static_cast<int>(window.size());
    for (int k = 0; k < n; ++k) {
        if (Layer* l = window[static_cast<size_t>(dir > 0 ? k : n - 1 - k)]) FinaliseLayer(*l);
    }
    for (int k = 0; k < n; ++k) {
        if (Layer* l = window[static_cast<size_t>(dir > 0 ? k : n - 1 - k)]) EmitLayer(*l);
    }
}

void SweepFront::Release(int limit) {
    auto recycle = [&](Layer* l) {
        if (!l) return;
        l->Reset(0);
        spare.push_back(l);
    };
    if (dir > 0) {
        size_t drop = 0;
        while (drop < window.size() &&
               (!window[drop] ||
                (window[drop]->slice < limit - kKeepOpen && window[drop]->Idle()))) {
            recycle(window[drop]);
            ++drop;
        }
        window.erase(window.begin(), window.begin() + static_cast<long>(drop));
        base += static_cast<int>(drop);
    } else {
        while (!window.empty() && (!window.back() || (window.back()->slice > limit + 1 + kKeepOpen &&
                                                        window.back()->Idle()))) {
            recycle(window.back());
            window.pop_back();
        }
    }
    if (window.empty()) {
        base = 0;
        gathers.Clear();
    } else {
        gathers.Keep(base - 1, base + static_cast<int>(window.size()));
    }
}

void SweepFront::Sweep(int start) {
    // The slice past which this front has nothing of its own to open.
    const int end = dir > 0 ? std::min(hi, build.lastSlice) : std::max(lo, build.firstSlice);
    current = start - dir;
    while (!Halted()) {
        int next = current + dir;
        const bool past_end = dir > 0 ? next > end : next < end;
        if (past_end && (queued == 0 || !Owns(next))) break;
        // Nothing queued and no seed in reach: skip the empty slices up to the next seed.
        if (queued == 0 && !past_end) {
            bool active = false;
            for (size_t i : activeSeeds) {
                active = active || (dir > 0 ? seeds[i].last >= next : seeds[i].first <= next);
            }
            if (!active) {
                if (nextSeed >= seeds.size()) break;
                const int at = dir > 0 ? seeds[nextSeed].first : seeds[nextSeed].last;
                if (dir > 0 ? at > end : at < end) break;
                if (dir > 0 ? at > next : at < next) {
                    FlushAll();
                    Release(dir > 0 ? INT_MAX / 2 : INT_MIN / 2);
                    next = at;
                }
            }
        }
        current = next;
        Open(current - 1);
        Open(current);
        TrySeeds(current);
        Drain();
        const int limit = dir > 0 ? current - 1 - kSettle : current + kSettle;
        Flush(limit);
        Release(limit);
        build.Progress();
    }
}

// --- the build ---------------------------------------------------------------------------------

void MeshEvent::Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    set_ = true;
    cv_.notify_all();
}

void MeshEvent::Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait(lock, [&] { return set_; });
}

bool BuildState::StopRequested() const {
    return SimulationState == kSimStopRequested && !mesh->HasOutput() && !explicitRequest;
}

void BuildState::Progress() {
    if (mesh->targetFaces <= 0) return;
    const long long p = faces.load(std::memory_order_relaxed) * 100 / mesh->targetFaces;
    if (p < 1 || p > 100 || p % 5 != 0) return;
    // Both fronts report; the builder's mutex keeps one text at a time.
    std::unique_lock<std::mutex> lock;
    if (mutex) lock = std::unique_lock<std::mutex>(*mutex);
    if (p == shownProgress) return;
    shownProgress = static_cast<int>(p);
    ShowMeshStatus(platform::Format("Mesh processed-->> %d %%", p == 100 ? 99 : static_cast<int>(p))
                       .c_str());
}

void BuildState::Polygonise() {
    const long long limit = twoFronts ? MeshPointLimit() / 2 : MeshPointLimit();
    if (!twoFronts) {
        auto* front = new SweepFront(*this, 0, 1, INT_MIN / 2, INT_MAX / 2);
        frontList.push_back(front);
        fronts = frontList.data();
        front->pointLimit = limit;
        front->seeds = sweepSeeds[0];
        front->Sweep(firstSlice);
        if (!front->capped && !front->stopped) front->FlushAll();
    } else {
        seam = (firstSlice + lastSlice) / 2;
        auto* lower = new SweepFront(*this, 0, 1, INT_MIN / 2, seam);
        auto* upper = new SweepFront(*this, 1, -1, seam + 1, INT_MAX / 2);
        frontList = {lower, upper};
        fronts = frontList.data();
        for (SweepFront* f : frontList) f->pointLimit = limit;
        lower->seeds = sweepSeeds[0];
        upper->seeds = sweepSeeds[1];
        mutex = new std::mutex;
        event = new MeshEvent;
        // The lower front on a worker, the upper one here.
        std::thread worker;
        bool threaded = true;
        try {
            worker = std::thread([this, lower] {
                lower->Sweep(firstSlice);
                event->Set();
            });
        } catch (const std::system_error&) {
            threaded = false;
            Warning("mesh-thread");
        }
        upper->Sweep(lastSlice);
        if (threaded) {
            event->Wait();
            worker.join();
        } else {
            lower->Sweep(firstSlice);
        }
        if (!lower->capped && !lower->stopped && !upper->capped && !upper->stopped) Seam();
    }
    Join();
}

void BuildState::Seam() {
    SweepFront& lower = *frontList[0];
    SweepFront& upper = *frontList[1];
    // Cubes each front queued across the seam go to the other until neither has any left.
    while (!lower.outbox.empty() || !upper.outbox.empty()) {
        std::vector<sweep::Handoff> up, down;
        up.swap(lower.outbox);
        down.swap(upper.outbox);
        for (const sweep::Handoff& h : up) upper.Queue(h.a, h.b, h.slice);
        for (const sweep::Handoff& h : down) lower.Queue(h.a, h.b, h.slice);
        lower.Drain();
        upper.Drain();
        if (lower.capped || lower.stopped || upper.capped || upper.stopped) return;
    }
    // The seam slice's points take crossings from both fronts: the upper one's go to the
    // lower one, which places the vertices.
    Layer* mine = &lower.Open(seam);
    if (Layer* theirs = upper.At(seam)) {
        for (const sweep::GridPoint& q : theirs->points) {
            const int at = lower.Point(*mine, q.a, q.b);
            sweep::GridPoint& p = mine->points[static_cast<size_t>(at)];
            if (p.value > sweep::kUnsetLimit) {
                p.value = q.value;
                p.colour = q.colour;
            }
            if (q.vertex < 0) continue;
            const sweep::VertexRecord& r = upper.records[static_cast<size_t>(q.vertex)];
            if (p.vertex < 0) {
                p.vertex = static_cast<int>(lower.records.size());
                lower.records.push_back(r);
                mine->newVertices.push_back(at);
            } else {
                sweep::VertexRecord& s = lower.records[static_cast<size_t>(p.vertex)];
                for (int k = 0; k < 3; ++k) s.offset[k] += r.offset[k];
                s.colour = s.colour + r.colour;
                s.count += r.count;
            }
        }
        theirs->newVertices.clear();
    }
    lower.FlushAll();
    upper.FlushAll();
}

void BuildState::Join() {
    long long n_vertices = 0, n_faces = 0;
    for (SweepFront* f : frontList) {
        n_vertices += static_cast<long long>(f->out.vertices.size());
        n_faces += static_cast<long long>(f->out.faces.size());
        stats.points += f->points;
        stats.capped = stats.capped || f->capped;
        stats.stopped = stats.stopped || f->stopped;
    }
    if (!AllocateResult(static_cast<int>(n_vertices), static_cast<int>(n_faces))) return;
    int v = 0, t = 0;
    for (SweepFront* f : frontList) {
        const int offset = v;
        for (size_t i = 0; i < f->out.vertices.size(); ++i, ++v) {
            mesh->vertices[v] = f->out.vertices[i];
            mesh->colours[v] = f->out.colours[i];
            if (mesh->clipFlags) mesh->clipFlags[v] = f->out.clip[i];
        }
        for (const std::array<int, 3>& face : f->out.faces) {
            for (int k = 0; k < 3; ++k) {
                const int x = face[static_cast<size_t>(k)];
                mesh->faces[t][k] = x >= 0 ? x + offset : -x - 1;
            }
            ++t;
        }
    }
    mesh->numVertices = v;
    mesh->numFaces = t;
}
