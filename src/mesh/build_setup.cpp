// The setup of one build: link radii, the cell size, the lattice and its sweep axis, the seeds
// from particle clusters, and the field copy.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <thread>

#include "fluid/clock.h"
#include "fluid/fluido.h"
#include "fluid/parallel.h"
#include "mesh/mesh.h"
#include "mesh/sweep_private.h"
#include "platform/format.h"
#include "platform/messages.h"

namespace {

// Lattices wider than this many cells on an axis are refused: lattice indices stay far from the
// int range whatever the arithmetic on them.
constexpr double kMaxAxisCells = 1 << 26;

bool Finite(const Vector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool InBox(const Vector& p, const Vector& lo, const Vector& hi) {
    return p.x >= lo.x && p.y >= lo.y && p.z >= lo.z && p.x <= hi.x && p.y <= hi.y && p.z <= hi.z;
}

int LatticeIndex(float offset, float inv) {
    const float f = std::clamp(offset * inv, -1.0e9f, 1.0e9f);
    return static_cast<int>(f);
}

}  // namespace

BuildState::BuildState() : field(sweep::Scratch().field) {
    h = invH = 0.0f;
    firstSlice = -25;
    lastSlice = 0;
    sweepAxis = 0;
    aAxis = 1;
    bAxis = 2;
    mesh = nullptr;
    firstFluid = nullptr;
    fronts = nullptr;
    smallestRadius = 1e6f;
    seeds = seedTail = nullptr;
    threadCount = 1;
    mutex = nullptr;
    event = nullptr;
}

BuildState::~BuildState() {
    for (SweepFront* f : frontList) delete f;
    delete mutex;
    delete event;
}

float MeshBuilder::CalculaCampo(const Vector& p, Vector* colour) const {
    return static_cast<const BuildState*>(this)->field.Value(p, colour);
}

Vector MeshBuilder::Gradiente(const Vector& p) const {
    const SurfaceField& f = static_cast<const BuildState*>(this)->field;
    const float step = 0.1f * h;
    const float f0 = f.Value(p, nullptr);
    return Vector(f.Value(Vector(p.x + step, p.y, p.z), nullptr) - f0,
                  f.Value(Vector(p.x, p.y + step, p.z), nullptr) - f0,
                  f.Value(Vector(p.x, p.y, p.z + step), nullptr) - f0);
}

bool BuildState::Setup(Mesh* m) {
    mesh = m;
    firstFluid = m->links[0].fluid;
    smallestRadius = 1e6f;
    float largest_r = 0.0f;
    for (int i = 0; i < m->numLinks; ++i) {
        Lista& l = m->links[i];
        if (!l.fluid || !l.fluid->grid) continue;
        l.radius = l.radiusFactor * l.fluid->fillSpacing;
        l.R = l.blend * l.radius;
        l.R2 = l.R * l.R;
        l.invR2 = 1.0f / l.R2;
        l.influenceBox = Vector(l.R, l.R, l.R);
        l.invGridCell = 1.0f / l.fluid->cellSize;
        smallestRadius = std::min(smallestRadius, l.radius);
        largest_r = std::max(largest_r, l.R);
    }
    for (int i = 0; i < m->numLinks; ++i) {
        if (!m->links[i].fluid) continue;
        for (Particula* p = m->links[i].fluid->First(); p; p = p->next) p->meshMark = 0;
    }

    if (m->refFaces == 0) {
        h = m->cellFactor * smallestRadius;
        m->refCellSize = h;
    } else {
        const int f = m->refFaces;
        const int lo = static_cast<int>(static_cast<float>(f) * 1.36f);
        const int hi = static_cast<int>(static_cast<float>(f) * 90.0f);
        m->targetFaces =
            static_cast<int>(static_cast<float>(lo) + static_cast<float>(hi - lo) * m->resolution * 0.01f);
        h = m->refCellSize * std::sqrt(static_cast<float>(f)) /
            std::sqrt(static_cast<float>(std::max(m->targetFaces, 1)));
    }
    m->cellSize = h;

    bool any = false;
    for (int i = 0; i < m->numLinks; ++i) {
        const Fluido* f = m->links[i].fluid;
        if (!f || (i > 0 && !f->grid)) continue;
        if (!any) {
            gridMin = f->boxMin;
            gridMax = f->boxMax;
            any = true;
            continue;
        }
        for (int a = 0; a < 3; ++a) {
            gridMin[a] = std::min(gridMin[a], f->boxMin[a]);
            gridMax[a] = std::max(gridMax[a], f->boxMax[a]);
        }
    }
    const Vector extent = gridMax - gridMin;
    if (!(h > 0.0f) || !std::isfinite(h) || !Finite(extent)) return false;
    invH = 1.0f / h;
    for (int a = 0; a < 3; ++a) {
        if (static_cast<double>(extent[a]) * invH > kMaxAxisCells) {
            RedWarning(platform::Format(" Mesh %s: a cell of %g is too small for particles %g "
                                        "units apart; no surface built",
                                        m->name, static_cast<double>(h),
                                        static_cast<double>(extent[a]))
                           .c_str());
            return false;
        }
    }
    if (extent.x >= extent.y && extent.x >= extent.z) {
        sweepAxis = 0;
    } else if (extent.y >= extent.x && extent.y >= extent.z) {
        sweepAxis = 1;
    } else {
        sweepAxis = 2;
    }
    aAxis = sweepAxis == 0 ? 1 : sweepAxis == 1 ? 2 : 0;
    bAxis = sweepAxis == 0 ? 2 : sweepAxis == 1 ? 0 : 1;
    firstSlice = -25;
    lastSlice = static_cast<int>(extent[sweepAxis] * invH) + 25;

    // The fronts follow the "Use multithreading" option, not the machine, so the mesh does not
    // depend on where it was built.
    threadCount = parallel::Multithreading() ? 2 : 1;
    twoFronts = threadCount == 2 && lastSlice >= 41;
    stats.fronts = twoFronts ? 2 : 1;
    // Without a clipping box the seeds leave every mark of the mesh's fluids clear, so the field
    // can be copied while they are found.
    bool copied = false;
    std::thread copier;
    if (threadCount == 2 && !m->clipBoxOn) {
        try {
            copier = std::thread([&] { copied = field.Build(*m, false); });
        } catch (const std::system_error&) {
        }
    }
    std::vector<Particula*> found;
    if (threadCount == 2 && FindSeedsInHalves(&found)) {
        PlaceSeeds(found);
    } else {
        MakeSeeds();
    }
    if (copier.joinable()) {
        copier.join();
    } else {
        copied = field.Build(*m);
    }

    if (m->objectClipping && m->refFaces != 0) BuildClipIndex(firstFluid, inct, &clipIndex);
    m->boxMin = gridMin - Vector(smallestRadius, smallestRadius, smallestRadius);
    m->boxMax = gridMax + Vector(smallestRadius, smallestRadius, smallestRadius);

    // In-plane points within R of the particles fit the flat tables.
    const int margin = static_cast<int>(largest_r * invH) + 4;
    denseA0 = denseB0 = -margin;
    denseNA = static_cast<int>(extent[aAxis] * invH) + 2 * margin + 1;
    denseNB = static_cast<int>(extent[bAxis] * invH) + 2 * margin + 1;
    return copied;
}

void BuildState::MakeSeeds() {
    std::vector<Particula*> found;
    FindSeeds(&found);
    PlaceSeeds(found);
}

void BuildState::FindSeeds(std::vector<Particula*>* found_out) {
    std::vector<Particula*>& found = *found_out;
    Mesh* m = mesh;
    const bool boxed = m->clipBoxOn != 0;
    const float widen = m->links[0].R;
    const Vector box_lo = m->clipMin - Vector(widen, widen, widen);
    const Vector box_hi = m->clipMax + Vector(widen, widen, widen);
    std::vector<Particula*> cluster;
    std::vector<const Fluido*> fluids;
    for (int i = 0; i < m->numLinks; ++i) fluids.push_back(m->links[i].fluid);
    auto linked = [&](const Fluido* f) {
        for (const Fluido* g : fluids) {
            if (g == f) return true;
        }
        return false;
    };
    for (int i = 0; i < m->numLinks; ++i) {
        const Lista& l = m->links[i];
        if (!l.fluid || !l.fluid->grid) continue;
        for (Particula* p = l.fluid->First(); p; p = p->next) {
            if (p->meshMark) continue;
            p->meshMark = 1;
            if (!Finite(p->pos) || (boxed && !InBox(p->pos, box_lo, box_hi))) continue;
            // The particles joined to p through neighbours close enough that their two
            // kernels overlap by at least half.
            // Depth first: the particles next looked at were touched a moment ago.
            cluster.assign(1, p);
            Particula* lowest = p;
            Particula* highest = p;
            while (!cluster.empty()) {
                Particula* q = cluster.back();
                cluster.pop_back();
                for (int n = 0; n < q->numNeighbours; ++n) {
                    Particula* r = q->neighbours[n];
                    // Marked particles are skipped whatever else holds, so that comes first.
                    if (!r || r->meshMark || !linked(r->owner)) continue;
                    if ((boxed && !InBox(r->pos, box_lo, box_hi)) || !Finite(r->pos)) {
                        r->meshMark = 1;
                        continue;
                    }
                    const float dx = r->pos.x - q->pos.x, dy = r->pos.y - q->pos.y,
                                dz = r->pos.z - q->pos.z;
                    const float t = 1.0f - ((dx * dx + dy * dy) + dz * dz) * 0.25f * l.invR2;
                    if (t * t * t * l.kernelScale < 0.5f) continue;
                    r->meshMark = 1;
                    cluster.push_back(r);
                    if (r->pos[sweepAxis] < lowest->pos[sweepAxis]) lowest = r;
                    if (r->pos[sweepAxis] > highest->pos[sweepAxis]) highest = r;
                }
            }
            found.push_back(lowest);
            if (twoFronts) found.push_back(highest);
        }
    }
    for (int i = 0; i < m->numLinks; ++i) {
        if (!m->links[i].fluid) continue;
        for (Particula* p = m->links[i].fluid->First(); p; p = p->next) {
            p->meshMark = boxed && !InBox(p->pos, box_lo, box_hi) ? 1 : 0;
        }
    }
}

void BuildState::PlaceSeeds(const std::vector<Particula*>& found) {
    const Mesh* m = mesh;
    const float widen = m->links[0].R;
    seedRecords.clear();
    seedRecords.reserve(found.size());
    for (Particula* particle : found) {
        const Lista* own = m->LinkOf(particle->owner);
        const float r = own ? own->R : widen;
        seedRecords.push_back(MeshSeed{nullptr, particle, particle->pos + Vector(r, r, r),
                                       particle->pos - Vector(r, r, r), 0.0f});
    }
    for (size_t i = 0; i + 1 < seedRecords.size(); ++i) seedRecords[i].next = &seedRecords[i + 1];
    seeds = seedRecords.empty() ? nullptr : &seedRecords.front();
    seedTail = seedRecords.empty() ? nullptr : &seedRecords.back();

    std::vector<sweep::SeedSlot> slots;
    slots.reserve(seedRecords.size());
    for (const MeshSeed& s : seedRecords) {
        const float lo = s.lo[sweepAxis] - gridMin[sweepAxis];
        const float hi = s.hi[sweepAxis] - gridMin[sweepAxis];
        sweep::SeedSlot slot;
        slot.first = LatticeIndex(std::ceil(lo * invH), 1.0f);
        slot.last = LatticeIndex(std::floor(hi * invH), 1.0f) + 1;
        const Vector& at = s.particle->pos;
        slot.a = LatticeIndex(at[aAxis] - gridMin[aAxis], invH) + 1;
        slot.b = LatticeIndex(at[bAxis] - gridMin[bAxis], invH) + 1;
        slots.push_back(slot);
    }
    sweepSeeds[0] = slots;
    std::stable_sort(sweepSeeds[0].begin(), sweepSeeds[0].end(),
                     [](const sweep::SeedSlot& x, const sweep::SeedSlot& y) { return x.first < y.first; });
    sweepSeeds[1] = slots;
    std::stable_sort(sweepSeeds[1].begin(), sweepSeeds[1].end(),
                     [](const sweep::SeedSlot& x, const sweep::SeedSlot& y) { return x.last > y.last; });
}

bool BuildState::AllocateResult(int vertices, int faces_count) {
    mesh->ReleaseCurrent();
    const size_t nv = static_cast<size_t>(std::max(vertices, 1));
    const size_t nf = static_cast<size_t>(std::max(faces_count, 1));
    mesh->vertices = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    mesh->colours = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    mesh->vertexNormals = static_cast<Vector*>(mesh_arrays::Take(nv * sizeof(Vector)));
    mesh->faces = static_cast<MeshFace*>(mesh_arrays::Take(nf * sizeof(MeshFace)));
    mesh->faceNormals = static_cast<Vector*>(mesh_arrays::Take(nf * sizeof(Vector)));
    const bool clipping = mesh->objectClipping || mesh->clipBoxOn;
    if (clipping) mesh->clipFlags = static_cast<unsigned char*>(std::calloc(nv, 1));
    if (!mesh->vertices || !mesh->colours || !mesh->vertexNormals || !mesh->faces ||
        !mesh->faceNormals || (clipping && !mesh->clipFlags)) {
        mesh->ReleaseCurrent();
        RedWarning(platform::Format(" Mesh %s: not enough memory for %d faces", mesh->name,
                                    faces_count)
                       .c_str());
        return false;
    }
    return true;
}
