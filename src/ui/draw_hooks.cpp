#include "ui/draw_hooks.h"

#include <GL/gl.h>

#include <vector>

#include "scene/nodo.h"

namespace draw {
namespace {

Drawer g_drawers[kLayerCount] = {DrawFluids, DrawNodes, DrawMeshes, DrawObjects};
// Pointers do not fit GL's names: a name is an index into this table, from 1.
std::vector<Nodo*> g_names;

}  // namespace

void SetDrawer(Layer layer, Drawer drawer) {
    if (layer >= 0 && layer < kLayerCount) g_drawers[layer] = drawer;
}

Drawer GetDrawer(Layer layer) { return layer >= 0 && layer < kLayerCount ? g_drawers[layer] : nullptr; }

void DrawNodes(const Pass& pass) {
    if (!pass.view_daemons) return;
    for (Nodo* n = root.next; n; n = n->next) {
        if (pass.picking) {
            NameNode(n);
            n->RepresentaSel();
        } else {
            n->RepresentaNodo();
        }
    }
}

void BeginLit() {
    glPushMatrix();
    glLoadIdentity();
    const GLfloat at[4] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, at);
    glPopMatrix();
    glEnable(GL_LIGHT0);
    glEnable(GL_LIGHTING);
    glEnable(GL_COLOR_MATERIAL);
    glColorMaterial(GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_TRUE);
}

void EndLit() {
    glDisable(GL_LIGHTING);
    glDisable(GL_COLOR_MATERIAL);
}

void BeginNames() { g_names.clear(); }

void NameNode(Nodo* node) {
    g_names.push_back(node);
    glLoadName(static_cast<GLuint>(g_names.size()));
}

Nodo* NodeOfName(unsigned name) { return name >= 1 && name <= g_names.size() ? g_names[name - 1] : nullptr; }

}  // namespace draw
