// Normals of a finished surface and the vertex lists the filters walk.
#include "mesh/mesh_normals.h"

#include <algorithm>
#include <cstdlib>

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

}  // namespace

void ComputeMeshNormals(Mesh* m) {
    if (!m || !m->vertices || !m->faces) return;
    for (int v = 0; v < m->numVertices && m->vertexNormals; ++v) m->vertexNormals[v] = Vector(0, 0, 0);
    for (int f = 0; f < m->numFaces; ++f) {
        const Vector& v0 = m->vertices[m->faces[f][0]];
        const Vector& v1 = m->vertices[m->faces[f][1]];
        const Vector& v2 = m->vertices[m->faces[f][2]];
        // ^ is b x a: this is (v0 - v1) x (v0 - v2).
        Vector n = (v0 - v2) ^ (v0 - v1);
        n.Normaliza();
        if (m->faceNormals) m->faceNormals[f] = n;
        if (!m->vertexNormals) continue;
        for (int k = 0; k < 3; ++k) {
            Vector& s = m->vertexNormals[m->faces[f][k]];
            s = s + n;
        }
    }
    for (int v = 0; v < m->numVertices && m->vertexNormals; ++v) m->vertexNormals[v].Normaliza();
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
