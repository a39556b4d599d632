#include <sys/mman.h>

#include <cstdlib>

#include "objects/body.h"
#include "objects/geometry_private.h"
#include "objects/object_files.h"
#include "objects/reader_private.h"
#include "platform/format.h"
#include "platform/message_box.h"
#include "platform/whole_file.h"
#include "scene/axes.h"

namespace reader {

namespace {

// Memory that free() releases, left as it comes: SetVertex and SetFace write every field.
// Large arrays ask for huge pages: a million faces take 120 MB, and touching them page by
// page is a good part of reading a big file.
void* Fresh(size_t bytes) {
    constexpr size_t kHuge = size_t{2} << 20;
    if (bytes < 4 * kHuge) return std::malloc(bytes);
    const size_t rounded = (bytes + kHuge - 1) / kHuge * kHuge;
    void* p = std::aligned_alloc(kHuge, rounded);
    if (p) madvise(p, rounded, MADV_HUGEPAGE);
    return p;
}

}  // namespace

NewGeometry::~NewGeometry() {
    std::free(verts);
    std::free(faces);
}

bool NewGeometry::AllocateVertices(int nv, bool fatal) {
    std::free(verts);
    verts = nullptr;
    nverts = 0;
    if (nv <= 0) return true;
    verts = static_cast<BodyVertex*>(Fresh(static_cast<size_t>(nv) * sizeof(BodyVertex)));
    if (!verts) {
        platform::MessageBox("Memory Error: verts");
        if (fatal) std::exit(1);
        return false;
    }
    nverts = nv;
    return true;
}

bool NewGeometry::AllocateFaces(int nf, bool fatal) {
    std::free(faces);
    faces = nullptr;
    nfaces = 0;
    if (nf <= 0) return true;
    faces = static_cast<Face*>(Fresh(static_cast<size_t>(nf) * sizeof(Face)));
    if (!faces) {
        platform::MessageBox("Memory Error: faces");
        if (fatal) std::exit(1);
        return false;
    }
    nfaces = nf;
    return true;
}

bool NewGeometry::Allocate(int nv, int nf, bool fatal) {
    return AllocateVertices(nv, fatal) && AllocateFaces(nf, fatal);
}

void Commit(Body* b, const std::string& path, const std::string& name, NewGeometry* g, int format) {
    platform::CopyText(b->path, sizeof b->path, path.c_str());
    platform::CopyText(b->name, sizeof b->name, name.c_str());
    platform::CopyText(b->label, sizeof b->label, name.c_str());
    MakeLabelsUnique(b, 0);
    std::free(b->verts);
    std::free(b->faces);
    b->verts = g->verts;
    b->faces = g->faces;
    b->nverts = g->nverts;
    b->nfaces = g->nfaces;
    g->verts = nullptr;
    g->faces = nullptr;
    g->nverts = g->nfaces = 0;
    for (int i = 0; i < b->nfaces; ++i) b->faces[i].body = b;
    b->PrepareGeometry();
    b->pos = Vector(0, 0, 0);
    b->rot = Vector(0, 0, 0);
    b->scale = Vector(1, 1, 1);
    b->pivot = Vector(0, 0, 0);
    b->pivot2 = Vector(0, 0, 0);
    b->StoreRest();
    b->UpdateMatrix();
    // What UpdateWorld does, knowing the transform is the identity: the world geometry is the
    // local one (NewGeometry set it so), and the face normals PrepareGeometry just found from
    // the local positions are the world ones.
    for (BodyVertex& v : b->bounds) v.world = v.local;
    geometry::FinishWorld(b, false);
    b->format = static_cast<uint8_t>(format);
    b->origin = kOriginObjectFile;
}

bool OpenObjectFile(std::string* path, std::string* name, int type, const char* open_failure,
                    platform::FileView* file) {
    if (!LocateObjectFile(path, name, type)) return false;
    if (!file->Open(path->c_str())) {
        Refuse(platform::Format(open_failure, path->c_str()));
        return false;
    }
    return true;
}

void Refuse(const std::string& text, bool error_icon) {
    platform::MessageBox(text.c_str(), "Undaline",
                         error_icon ? platform::kIconError : platform::kIconExclamation);
}

bool Scaled(float v, float* out) {
    const float s = v * scene_scale;
    if (!std::isfinite(s)) return false;
    *out = s;
    return true;
}

}  // namespace reader
