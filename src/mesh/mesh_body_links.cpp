// A mesh node may follow an object, as daemons and emitters do; when the object is deleted the
// mesh keeps its place in the world and lets go of it.
#include "mesh/mesh.h"
#include "objects/body.h"
#include "scene/axes.h"

namespace {

void (*g_earlier)(Body*) = nullptr;

void ReleaseMeshes(Body* b) {
    for (Mesh* m = rootmesh; m; m = m->nextMesh) {
        if (m->link != b) continue;
        m->pos = m->matrix.GetTranslation();
        m->rot = m->matrix.GetEuler(axis_mode);
        m->link = nullptr;
    }
    if (g_earlier) g_earlier(b);
}

bool Install() {
    BodyHooks hooks = GetBodyHooks();
    g_earlier = hooks.removing;
    hooks.removing = ReleaseMeshes;
    SetBodyHooks(hooks);
    return true;
}

const bool g_installed = Install();

}  // namespace
