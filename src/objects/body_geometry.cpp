// A body's geometric upkeep: bounds, normals, world positions and motion by velocity.
#include <cmath>

#include "fluid/clock.h"
#include "objects/body.h"
#include "objects/geometry_private.h"
#include "platform/format.h"
#include "platform/messages.h"
#include "platform/ui_hooks.h"

namespace geometry {

Vector UnitNormal(const Vector& p0, const Vector& p1, const Vector& p2, float* area) {
    // In double: a cross product of far-apart coordinates neither overflows nor cancels.
    const double e1x = double(p1.x) - p0.x, e1y = double(p1.y) - p0.y, e1z = double(p1.z) - p0.z;
    const double e2x = double(p2.x) - p0.x, e2y = double(p2.y) - p0.y, e2z = double(p2.z) - p0.z;
    const double nx = e1y * e2z - e1z * e2y;
    const double ny = e1z * e2x - e1x * e2z;
    const double nz = e1x * e2y - e1y * e2x;
    const double len = std::sqrt(nx * nx + ny * ny + nz * nz);
    if (area) *area = static_cast<float>(len * 0.5);
    // The same cut-off as Vector::Normaliza: shorter has no usable direction.
    if (!(len >= 1e-8)) return Vector(0, 0, 0);
    return Vector(static_cast<float>(nx / len), static_cast<float>(ny / len),
                  static_cast<float>(nz / len));
}

void FinishWorld(Body* b, bool face_normals) {
    for (int i = 0; i < b->nverts; ++i) b->verts[i].normal = Vector(0, 0, 0);
    for (int i = 0; i < b->nfaces; ++i) {
        Face& f = b->faces[i];
        Vector lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
        for (const BodyVertex* c : f.corner) Widen(c->world, &lo, &hi);
        f.boundsMin = lo;
        f.boundsMax = hi;
        if (face_normals) {
            f.normal =
                UnitNormal(f.corner[0]->world, f.corner[1]->world, f.corner[2]->world, nullptr);
        }
        for (BodyVertex* c : f.corner) c->normal = c->normal + f.normal;
    }
    for (int i = 0; i < b->nverts; ++i) b->verts[i].normal.Normaliza();
}

}  // namespace geometry

void Body::PrepareGeometry() {
    for (int i = 0; i < nverts; ++i) {
        BodyVertex& v = verts[i];
        v.velocity = Vector(0, 0, 0);
        v.selection = 0;
        v.start = v.world;
    }
    velocity = Vector(0, 0, 0);
    angularVelocity = Vector(0, 0, 0);
    ComputeLocalBounds();
    int degenerate = 0;
    for (int i = 0; i < nfaces; ++i) {
        Face& f = faces[i];
        f.nearFluid = 0;
        f.state = 0;
        f.selection = 0;
        f.normal = geometry::UnitNormal(f.corner[0]->local, f.corner[1]->local, f.corner[2]->local,
                                        &f.area);
        f.degenerate = f.normal.x == 0.0f && f.normal.y == 0.0f && f.normal.z == 0.0f ? 1 : 0;
        degenerate += f.degenerate;
    }
    if (degenerate > 0) {
        RedWarning(platform::Format(" %s contains %d degenerated faces that will be ignored", label,
                                    degenerate)
                       .c_str());
    }
}

void Body::ComputeLocalBounds() {
    Vector lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
    for (int i = 0; i < nverts; ++i) geometry::Widen(verts[i].local, &lo, &hi);
    const Vector corners[8] = {
        {lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z},
        {hi.x, hi.y, hi.z}, {hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z},
    };
    for (int i = 0; i < 8; ++i) bounds[i].local = corners[i];
    bounds[8].local = lo;
    bounds[9].local = hi;
}

void Body::UpdateWorld() {
    const Matrix& n = build_matrix;
    for (int i = 0; i < nverts; ++i) verts[i].world = n * verts[i].local;
    for (BodyVertex& b : bounds) b.world = n * b.local;
    geometry::FinishWorld(this, true);
}

void Body::ApplyMatrix(const Matrix& m) {
    for (int i = 0; i < nverts; ++i) verts[i].world = m * verts[i].world;
    for (BodyVertex& b : bounds) b.world = m * b.world;
    // The face boxes move with the faces too, or a moving body's thin-face test would look in
    // the wrong place.
    geometry::FinishWorld(this, true);
}

void Body::ComputeFaceBounds() {
    for (int i = 0; i < nfaces; ++i) {
        Face& f = faces[i];
        Vector lo(1e9f, 1e9f, 1e9f), hi(-1e9f, -1e9f, -1e9f);
        for (const BodyVertex* c : f.corner) geometry::Widen(c->world, &lo, &hi);
        f.boundsMin = lo;
        f.boundsMax = hi;
    }
}

void Body::ComputeFaceNormals() {
    for (int i = 0; i < nfaces; ++i) {
        Face& f = faces[i];
        f.normal = geometry::UnitNormal(f.corner[0]->world, f.corner[1]->world, f.corner[2]->world,
                                        nullptr);
    }
}

void Body::ComputeVertexNormals() {
    for (int i = 0; i < nverts; ++i) verts[i].normal = Vector(0, 0, 0);
    for (int i = 0; i < nfaces; ++i) {
        const Face& f = faces[i];
        for (BodyVertex* c : f.corner) c->normal = c->normal + f.normal;
    }
    for (int i = 0; i < nverts; ++i) verts[i].normal.Normaliza();
}

void Body::StoreRest() {
    keyA[0] = pos;
    keyA[1] = rot;
    keyA[2] = scale;
    keyA[3] = pivot;
    keyA[4] = pivot2;
}

void Body::RestoreRest() {
    pos = keyA[0];
    rot = keyA[1];
    scale = keyA[2];
    pivot = keyA[3];
    pivot2 = keyA[4];
}

void Body::AdvanceByVelocity() {
    const float dt = inct;
    Matrix to_origin, turn, back;
    to_origin.MatrixTranslation(-pos);
    const float angle = angularVelocity.Modulo() * dt;
    if (angle != 0.0f) {
        Vector axis = angularVelocity;
        axis.Normaliza();
        turn.MatrixAroundAxis(axis, angle);
    }
    const Matrix a = turn * to_origin;
    back.MatrixTranslation(pos + velocity * dt);
    const Matrix m = back * a;
    ApplyMatrix(m);
    previousPosition = pos;
    pos = pos + velocity * dt;
    // The node's frame moves as its geometry did, so linked nodes ride along.
    matrix = m * matrix;
}

void Body::ComputeVertexVelocities() {
    // The turn of AdvanceByVelocity goes against the right-hand rule about the angular
    // velocity, so a point at r from the centre moves with r x angularVelocity.
    for (int i = 0; i < nverts; ++i) {
        const Vector r = verts[i].world - pos;
        verts[i].velocity = velocity + (angularVelocity ^ r);
    }
}

void Body::GetNormalSmooth(float& u, float& w, Face* face, Vector* out) {
    if (!face || !out) return;
    Vector q[3];
    for (int i = 0; i < 3; ++i) {
        const BodyVertex* c = face->corner[i];
        q[i] = c->world - build_matrix * c->normal;
        q[i].Normaliza();
    }
    *out = q[0] * (1.0f - u - w) + q[1] * u + q[2] * w;
}

void ScaleAllBodies(float f) {
    for (Body* b = rootbody.next; b; b = b->next) {
        for (int i = 0; i < b->nverts; ++i) {
            BodyVertex& v = b->verts[i];
            v.local *= f;
            v.world *= f;
            v.start *= f;
            v.end *= f;
        }
        // Every position-like field scales, pivot2 too: a later pivot edit moves the body
        // by pivot - pivot2, which must not pick up the change of scale.
        for (int k : {0, 3, 4}) b->keyA[k] *= f;
        for (int k : {0, 3}) b->keyB[k] *= f;
        b->pos *= f;
        b->pivot *= f;
        b->pivot2 *= f;
        b->previousPosition *= f;
        b->interpolatedPosition *= f;
        for (BodyVertex& v : b->bounds) {
            v.local *= f;
            v.world *= f;
        }
        for (int i = 0; i < b->nfaces; ++i) b->faces[i].area *= f * f;
        b->ComputeFaceBounds();
        b->UpdateMatrix();
    }
    platform::RequestRepaint();
}
