// The object writers: a body's world geometry in the mesh files' layouts, for a mesh that
// follows the body.
#include <memory>
#include <vector>

#include "mesh/mesh.h"
#include "mesh/mesh_files.h"
#include "mesh/mesh_files_private.h"
#include "objects/body.h"

namespace {

// The body's world positions and its faces by corner index, in corner order.
struct BodyGeometry {
    std::vector<Vector> vertices;
    std::unique_ptr<MeshFace[]> faces;
    mesh_encoding::Geometry view;

    explicit BodyGeometry(const Body& b) {
        const int nv = b.verts ? b.nverts : 0;
        const int nf = b.faces ? b.nfaces : 0;
        vertices.reserve(static_cast<size_t>(nv > 0 ? nv : 0));
        for (int i = 0; i < nv; ++i) vertices.push_back(b.verts[i].world);
        faces.reset(new MeshFace[static_cast<size_t>(nf > 0 ? nf : 1)]);
        for (int f = 0; f < nf; ++f) {
            for (int k = 0; k < 3; ++k) {
                const BodyVertex* c = b.faces[f].corner[k];
                faces[static_cast<size_t>(f)][k] = c ? c->index : 0;
            }
        }
        view.numVertices = static_cast<int>(vertices.size());
        view.numFaces = nf > 0 ? nf : 0;
        view.vertices = vertices.data();
        view.faces = faces.get();
        view.swapFirstTwo = false;
        view.objSmoothing = false;
    }
};

}  // namespace

bool Body::SaveObjBin(const char* path) {
    const BodyGeometry g(*this);
    return path && mesh_files::WriteOne(g.view, kMeshBin, mesh_encoding::Surface(), path);
}

bool Body::SaveObjObj(const char* path) {
    const BodyGeometry g(*this);
    return path && mesh_files::WriteOne(g.view, kMeshObj, mesh_encoding::Surface(), path);
}

bool Body::SaveObjLwo(const char* path, Mesh* mesh) {
    const BodyGeometry g(*this);
    mesh_encoding::Surface surface;
    if (mesh) surface = mesh_files::SurfaceOf(mesh);
    return path && mesh_files::WriteOne(g.view, kMeshLwo, surface, path);
}
