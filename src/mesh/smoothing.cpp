// The smoothing filter, reprojection onto the surface, and the field as the refinement steps
// ask it.
#include <cmath>
#include <cstdlib>

#include "mesh/mesh.h"
#include "mesh/mesh_filters.h"
#include "mesh/mesh_normals.h"
#include "mesh/refine_private.h"
#include "mesh/sweep_private.h"

namespace mesh_refine {

Vector Cross(const Vector& a, const Vector& b) {
    return Vector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

Vector Unit(const Vector& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length >= 1e-12f)) return Vector(0, 0, 0);
    return v * (1.0f / length);
}

void SmoothSweeps(Vector* pos, const Vector* normals, const uint8_t* clip, int n, const Csr& adj,
                  int type, int sweeps) {
    for (int s = 0; s < sweeps; ++s) {
        for (int v = 0; v < n; ++v) {
            const int from = adj.start[static_cast<size_t>(v)];
            const int to = adj.start[static_cast<size_t>(v) + 1];
            if (from == to || (clip && clip[v])) continue;
            Vector c(0, 0, 0);
            for (int i = from; i < to; ++i) c = c + pos[adj.items[static_cast<size_t>(i)]];
            c = c * (1.0f / static_cast<float>(to - from));
            Vector d = (c - pos[v]) * 0.0625f;
            if (type == kFilterStandard && normals) {
                const Vector& nv = normals[v];
                d = d - nv * (d.x * nv.x + d.y * nv.y + d.z * nv.z);
            }
            pos[v] = pos[v] + d;
        }
    }
}

FieldProbe::FieldProbe(const Mesh* mesh) : mesh_(mesh) {
    const auto* build = mesh ? static_cast<const BuildState*>(mesh->builder) : nullptr;
    if (!build || build->field.Empty()) return;
    field_ = &build->field;
    h = build->h;
}

float FieldProbe::Value(const Vector& p) {
    if (!gather_.Covers(p)) field_->Gather(p, 2.0f * h, &gather_);
    return field_->ValueFrom(gather_, p, nullptr);
}

Vector FieldProbe::Gradient(const Vector& p) {
    const float step = 0.1f * h;
    const float f0 = Value(p);
    return Vector(Value(Vector(p.x + step, p.y, p.z)) - f0,
                  Value(Vector(p.x, p.y + step, p.z)) - f0,
                  Value(Vector(p.x, p.y, p.z + step)) - f0);
}

bool FieldProbe::StopRequested() const {
    const auto* build = static_cast<const BuildState*>(mesh_->builder);
    return build && build->StopRequested();
}

void GradientNormals(FieldProbe& probe, const Vector* pos, int n, Vector* normals) {
    for (int v = 0; v < n; ++v) normals[v] = Unit(probe.Gradient(pos[v]));
}

void Reproject(FieldProbe& probe, Vector* pos, const Vector* normals, const uint8_t* clip, int n) {
    // A vertex more than ten cells off the surface is not walked further.
    constexpr int kMostSteps = 200;
    for (int v = 0; v < n; ++v) {
        if (clip && clip[v]) continue;
        Vector p = pos[v];
        float f0 = probe.Value(p);
        Vector s = normals[v] * (probe.h * 0.05f);
        if (f0 > 0.0f) s = s * -1.0f;
        p = p + s;
        float f1 = probe.Value(p);
        for (int k = 0; k < kMostSteps && std::fabs(f1) < std::fabs(f0) &&
                        (f1 == 0.0f || (f1 > 0.0f) == (f0 > 0.0f));
             ++k) {
            f0 = f1;
            p = p + s;
            f1 = probe.Value(p);
        }
        if ((f1 > 0.0f && f0 < 0.0f) || (f1 < 0.0f && f0 > 0.0f)) {
            p = p - s * (std::fabs(f1) / (std::fabs(f0) + std::fabs(f1)));
        }
        pos[v] = p;
    }
}

}  // namespace mesh_refine

using mesh_refine::Csr;

namespace {

// The mesh's neighbour lists, packed.
Csr PackNeighbours(const Mesh* m) {
    Csr adj;
    adj.start.assign(static_cast<size_t>(m->numVertices) + 1, 0);
    for (int v = 0; v < m->numVertices; ++v) {
        adj.start[static_cast<size_t>(v)] = static_cast<int>(adj.items.size());
        for (MeshIndexList* e = m->vertexNeighbours[v]; e; e = e->next) {
            adj.items.push_back(e->index);
        }
    }
    adj.start[static_cast<size_t>(m->numVertices)] = static_cast<int>(adj.items.size());
    return adj;
}

}  // namespace

void SmoothMesh(Mesh* m, int sweeps) {
    if (!m || !m->vertices || !m->vertexNeighbours || sweeps <= 0) return;
    const Csr adj = PackNeighbours(m);
    mesh_refine::SmoothSweeps(m->vertices, m->vertexNormals, m->clipFlags, m->numVertices, adj,
                              m->filterType, sweeps);
}

void FilterAfterBuild(Mesh* m) {
    if (!m || !m->vertices || !m->faces) return;
    if (m->filterType == kFilterStandard) ComputeMeshNormals(m);
    if (m->smoothing && m->vertexNeighbours) {
        SmoothMesh(m, static_cast<int>(m->filterStrength * 250.0f));
    }
    ComputeMeshNormals(m);
}

void ChooseMeshFilter(Mesh* m, int type) {
    if (!m || (type != kFilterStandard && type != kFilterSharp)) return;
    if (m->smoothing && m->filterType == type) {
        m->smoothing = false;
        m->filterType = kFilterNone;
    } else {
        m->smoothing = true;
        m->filterType = type;
    }
}
