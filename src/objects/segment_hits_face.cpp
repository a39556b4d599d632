// The thin-wall test: does the segment between two particles pass through a face near the
// fluid?
#include <algorithm>
#include <vector>

#include "fluid/fluido.h"
#include "objects/collision_private.h"
#include "objects/thin_faces_private.h"

namespace {

// Whether the segment a-b crosses face inside its triangle (edges included).
bool Crosses(const Face& face, const Vector& a, const Vector& b) {
    for (int axis = 0; axis < 3; ++axis) {
        if (a[axis] > face.boundsMax[axis] && b[axis] > face.boundsMax[axis]) return false;
        if (a[axis] < face.boundsMin[axis] && b[axis] < face.boundsMin[axis]) return false;
    }
    const Vector d = b - a;
    const float den = face.normal * d;
    if (!(std::fabs(den) >= 0.01f)) return false;
    const float t = -(face.normal * a - face.normal * face.corner[0]->world) / den;
    if (!(t > 0.0f && t < 1.0f)) return false;
    float u, w;
    collision::Barycentric(face, a + d * t, &u, &w);
    return collision::InsideOrOnEdge(u, w);
}

struct ThinBody {
    const Body* body = nullptr;
    Vector lo, hi;           // box of the near faces
    std::vector<int> faces;  // the near faces
};

// Written by the stepping thread while it marks, read by the search's threads afterwards.
struct Remembered {
    const Fluido* fluid = nullptr;
    std::vector<ThinBody> bodies;
    size_t used = 0;
};

Remembered& Cache() {
    static auto* cache = new Remembered;
    return *cache;
}

void (*g_earlier_removing)(Body*) = nullptr;

// A removed object must not be looked at through the cache again.
void Forget(Body* b) {
    Cache().fluid = nullptr;
    if (g_earlier_removing) g_earlier_removing(b);
}

const bool g_installed = [] {
    BodyHooks hooks = GetBodyHooks();
    g_earlier_removing = hooks.removing;
    hooks.removing = Forget;
    SetBodyHooks(hooks);
    return true;
}();

}  // namespace

bool Body::SegmentHitsFace(const Vector& a, const Vector& b) {
    for (int i = 0; i < nfaces; ++i) {
        if (faces[i].nearFluid != 0 && Crosses(faces[i], a, b)) return true;
    }
    return false;
}

namespace thin_faces {

void Remember(const Fluido* f) {
    Remembered& cache = Cache();
    cache.fluid = f;
    cache.used = 0;
    for (Body* b = rootbody.next; b; b = b->next) {
        if (b->nverts <= 0 || !b->thinFaceTest) continue;
        if (cache.used == cache.bodies.size()) cache.bodies.emplace_back();
        ThinBody& t = cache.bodies[cache.used++];
        t.body = b;
        t.faces.clear();
        t.lo = Vector(1e30f, 1e30f, 1e30f);
        t.hi = Vector(-1e30f, -1e30f, -1e30f);
        for (int i = 0; i < b->nfaces; ++i) {
            const Face& face = b->faces[i];
            if (face.nearFluid == 0) continue;
            t.faces.push_back(i);
            for (int axis = 0; axis < 3; ++axis) {
                t.lo[axis] = std::min(t.lo[axis], face.boundsMin[axis]);
                t.hi[axis] = std::max(t.hi[axis], face.boundsMax[axis]);
            }
        }
    }
}

bool Present() {
    for (const Body* b = rootbody.next; b; b = b->next) {
        if (b->nverts > 0 && b->thinFaceTest) return true;
    }
    return false;
}

bool Blocks(const Particula* p, const Particula* q) {
    const Vector& a = p->pos;
    const Vector& b = q->pos;
    const Remembered& cache = Cache();
    if (!cache.fluid || p->owner != cache.fluid) {
        // Marked for another fluid, or the objects changed since: ask every object itself.
        for (Body* body = rootbody.next; body; body = body->next) {
            if (body->nverts > 0 && body->thinFaceTest && body->SegmentHitsFace(a, b)) return true;
        }
        return false;
    }
    for (size_t n = 0; n < cache.used; ++n) {
        const ThinBody& t = cache.bodies[n];
        bool apart = t.faces.empty();
        for (int axis = 0; axis < 3 && !apart; ++axis) {
            apart = (a[axis] > t.hi[axis] && b[axis] > t.hi[axis]) ||
                    (a[axis] < t.lo[axis] && b[axis] < t.lo[axis]);
        }
        if (apart) continue;
        for (int i : t.faces) {
            if (Crosses(t.body->faces[i], a, b)) return true;
        }
    }
    return false;
}

}  // namespace thin_faces
