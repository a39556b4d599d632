#include "io/workspace_objects.h"

#include <cstring>
#include <string>
#include <vector>

#include "io/config.h"
#include "io/record_io_private.h"
#include "io/workspace.h"
#include "objects/body.h"
#include "objects/object_files.h"
#include "objects/object_panel.h"
#include "platform/format.h"
#include "platform/paths.h"
#include "platform/whole_file.h"

namespace {

using namespace record_io;
using platform::ReadF32;
using platform::ReadU32;
using platform::WriteF32;
using platform::WriteI32;
using platform::WriteU32;

// A text buffer written as its text and zeros, so a record never carries stale bytes.
bool PutCleanText(const char* text, size_t size) {
    char buffer[256] = {};
    platform::CopyField(buffer, static_cast<int>(sizeof buffer), text, static_cast<int>(size));
    return PutText(buffer, sizeof buffer);
}

struct StoredObject {
    char path[256], name[256], label[256], scene_file[256];
    unsigned char format = 0, display = 0;
    Vector node[5], rest[5], velocity, spin;
    float friction = 0, k = 0, sticky = 0, temperature = 0, conductivity = 0, rough = 0;
    float distance = 0, tolerance = 0;
    int thin = 0;
};

bool GetStored(StoredObject* s) {
    bool ok = GetText(s->path, sizeof s->path) && GetText(s->name, sizeof s->name) &&
              GetText(s->label, sizeof s->label) && GetText(s->scene_file, sizeof s->scene_file) &&
              GetByte(&s->format);
    for (Vector& v : s->node) ok = ok && GetVector(&v);
    for (Vector& v : s->rest) ok = ok && GetVector(&v);
    return ok && GetVector(&s->velocity) && GetVector(&s->spin) && ReadF32(&s->friction) &&
           ReadF32(&s->k) && ReadF32(&s->sticky) && ReadF32(&s->temperature) &&
           ReadF32(&s->conductivity) && ReadF32(&s->rough) && GetInt(&s->thin) &&
           GetByte(&s->display) && ReadF32(&s->distance) && ReadF32(&s->tolerance);
}

// The file of a stored object: its path as stored, in this system's form, or its name in the
// objects directory; else the stored path, for the reader's own "File not found" dialog.
std::string FindFile(const StoredObject& s) {
    for (const std::string& candidate : {std::string(s.path), platform::LocalPath(s.path),
                                         platform::JoinPath(ObjectsDirectory(), s.name)}) {
        if (platform::CanReadFile(candidate.c_str())) return candidate;
    }
    return s.path;
}

// The selection masks, as many as the reloaded geometry has. When the file has changed since
// the workspace was saved the counts differ: a tag that follows the record ends the masks
// early, and then none is kept.
void ReadSelections(Body* b) {
    const long wanted = static_cast<long>(b->nfaces) + b->nverts;
    if (wanted == 0) return;
    std::vector<uint32_t> m;
    uint32_t v;
    while (static_cast<long>(m.size()) < wanted && ReadU32(&v)) {
        if (v == kTagObject || v == kTagFluids) {
            FSeek(-4, SEEK_CUR);
            break;
        }
        m.push_back(v);
    }
    if (static_cast<long>(m.size()) != wanted) return;
    for (int i = 0; i < b->nfaces; ++i) b->faces[i].selection = m[i];
    for (int i = 0; i < b->nverts; ++i) b->verts[i].selection = m[b->nfaces + i];
}

// The objects directory is the configuration's.
const bool g_directory = [] {
    SetObjectsDirectorySource([]() -> const char* { return objects_dir; });
    return true;
}();

}  // namespace

bool WriteObjectRecord(const Body* b) {
    bool ok = PutCleanText(b->path, sizeof b->path) && PutCleanText(b->name, sizeof b->name) &&
              PutCleanText(b->label, sizeof b->label) &&
              PutCleanText(b->sceneFile, sizeof b->sceneFile) && PutByte(b->format);
    for (const Vector* v : {&b->pos, &b->rot, &b->scale, &b->pivot, &b->pivot2}) {
        ok = ok && PutVector(*v);
    }
    for (const Vector& v : b->keyA) ok = ok && PutVector(v);
    ok = ok && PutVector(b->velocity) && PutVector(b->angularVelocity) && WriteF32(b->friction) &&
         WriteF32(b->K) && WriteF32(b->sticky) && WriteF32(b->temperature) &&
         WriteF32(b->conductivity) && WriteF32(b->rough) && WriteI32(b->thinFaceTest) &&
         PutByte(b->display) && WriteF32(b->collisionDistance) && WriteF32(b->collisionTolerance);
    for (int i = 0; ok && i < b->nfaces; ++i) ok = WriteU32(b->faces[i].selection);
    for (int i = 0; ok && i < b->nverts; ++i) ok = WriteU32(b->verts[i].selection);
    return ok;
}

Body* ReadObjectRecord() {
    StoredObject s;
    if (!GetStored(&s)) return nullptr;
    // Objects of scene files come back through their scene readers.
    const int type = s.format == kFormatAsc   ? kTypeAsc
                     : s.format == kFormatLwo ? kTypeLwo
                     : s.format == kFormatObj ? kTypeObj
                     : s.format == kFormatDxf ? kTypeDxf
                                              : kTypeUnknown;
    if (type == kTypeUnknown) return nullptr;
    Body* b = CreaBody();
    const std::string path = FindFile(s);
    if (!LoadObjectFile(b, type, path.c_str(), s.name)) {
        delete b;
        return nullptr;
    }
    b->pos = s.node[0];
    b->rot = s.node[1];
    b->scale = s.node[2];
    b->pivot = s.node[3];
    b->pivot2 = s.node[4];
    for (int i = 0; i < 5; ++i) b->keyA[i] = s.rest[i];
    b->velocity = s.velocity;
    b->angularVelocity = s.spin;
    b->friction = s.friction;
    b->K = s.k;
    b->sticky = s.sticky;
    b->temperature = s.temperature;
    b->conductivity = s.conductivity;
    b->rough = s.rough;
    b->thinFaceTest = s.thin;
    b->display = s.display;
    b->collisionDistance = s.distance;
    b->collisionTolerance = s.tolerance;
    platform::CopyText(b->sceneFile, sizeof b->sceneFile, s.scene_file);
    ReadSelections(b);
    b->UpdateMatrix();
    b->UpdateWorld();
    b->listed = 1;
    AddBodyToList(b, false);
    return b;
}
