// Normals of a finished surface and the vertex lists the filters walk.
#include "mesh/mesh_normals.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <system_error>
#include <thread>
#include <vector>

#include "fluid/parallel.h"
#include "mesh/mesh.h"

namespace {

// Appends index to the list unless it is there already; false when memory is short.
bool AddOnce(MeshIndexList** head, int index, bool unique) {
    MeshIndexList** at = head;
    for (; *at; at = &(*at)->next) {
        if (unique && (*at)->index == index) return true;
    }
    auto* e = static_cast<MeshIndexList*>(std::malloc(sizeof(MeshIndexList)));
    if (!e) return false;
    e->next = nullptr;
    e->index = index;
    *at = e;
    return true;
}

// v / |v|, or zero for a vector too short to have a direction.
Vector Unit(const Vector& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (!(length >= 1e-12f)) return Vector(0, 0, 0);
    const float inv = 1.0f / length;
    return Vector(v.x * inv, v.y * inv, v.z * inv);
}

}  // namespace

void ComputeMeshNormals(Mesh* m) {
    if (!m || !m->vertices || !m->faces) return;
    Vector* normals = m->faceNormals;
    std::vector<Vector> scratch;
    if (!normals) {
        scratch.resize(static_cast<size_t>(m->numFaces));
        normals = scratch.data();
    }
    // Face normals do not depend on each other: with multithreading, half on a second thread.
    auto faces = [m, normals](int from, int to) {
        for (int f = from; f < to; ++f) {
            const Vector& v0 = m->vertices[m->faces[f][0]];
            const Vector a = v0 - m->vertices[m->faces[f][1]];
            const Vector b = v0 - m->vertices[m->faces[f][2]];
            normals[f] = Unit(Vector(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z,
                                     a.x * b.y - a.y * b.x));
        }
    };
    const int half = m->numFaces / 2;
    std::thread helper;
    if (parallel::Multithreading() && half > 4096) {
        try {
            helper = std::thread(faces, half, m->numFaces);
        } catch (const std::system_error&) {
        }
    }
    faces(0, helper.joinable() ? half : m->numFaces);
    if (helper.joinable()) helper.join();
    if (!m->vertexNormals) return;
    // Sums in face order, whatever the threads, so the bits do not depend on them.
    for (int v = 0; v < m->numVertices; ++v) m->vertexNormals[v] = Vector(0, 0, 0);
    for (int f = 0; f < m->numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            Vector& s = m->vertexNormals[m->faces[f][k]];
            s = s + normals[f];
        }
    }
    for (int v = 0; v < m->numVertices; ++v) m->vertexNormals[v] = Unit(m->vertexNormals[v]);
}

void RecordMeshAdjacency(Mesh* m) {
    if (!m || !(m->optimize || m->smoothing)) return;
    const size_t n = static_cast<size_t>(std::max(m->numVertices, 1));
    m->vertexNeighbours = static_cast<MeshIndexList**>(std::calloc(n, sizeof(MeshIndexList*)));
    if (m->optimize) {
        m->vertexFaces = static_cast<MeshIndexList**>(std::calloc(n, sizeof(MeshIndexList*)));
        m->neighbourCounts = static_cast<unsigned char*>(std::calloc(n, 1));
    }
    m->maxNeighbourCount = 0;
    if (!m->vertexNeighbours) return;
    for (int f = 0; f < m->numFaces; ++f) {
        for (int k = 0; k < 3; ++k) {
            const int v = m->faces[f][k];
            for (int j = 1; j < 3; ++j) {
                const int w = m->faces[f][(k + j) % 3];
                bool known = false;
                for (MeshIndexList* e = m->vertexNeighbours[v]; e && !known; e = e->next) {
                    known = e->index == w;
                }
                if (known) continue;
                if (!AddOnce(&m->vertexNeighbours[v], w, false)) return;
                if (m->neighbourCounts && m->neighbourCounts[v] < 255) {
                    ++m->neighbourCounts[v];
                    m->maxNeighbourCount = std::max(m->maxNeighbourCount,
                                                    static_cast<int>(m->neighbourCounts[v]));
                }
            }
            if (m->vertexFaces && !AddOnce(&m->vertexFaces[v], f, false)) return;
        }
    }
}
