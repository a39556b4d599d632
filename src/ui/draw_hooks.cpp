#include "ui/draw_hooks.h"

#include "scene/nodo.h"

namespace draw {
namespace {

Drawer g_drawers[kLayerCount] = {DrawFluids, DrawNodes, nullptr, nullptr};

}  // namespace

void SetDrawer(Layer layer, Drawer drawer) {
    if (layer >= 0 && layer < kLayerCount) g_drawers[layer] = drawer;
}

Drawer GetDrawer(Layer layer) { return layer >= 0 && layer < kLayerCount ? g_drawers[layer] : nullptr; }

void DrawNodes(const Pass& pass) {
    if (!pass.view_daemons) return;
    for (Nodo* n = root.next; n; n = n->next) n->RepresentaNodo();
}

}  // namespace draw
