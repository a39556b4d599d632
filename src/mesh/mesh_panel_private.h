#pragma once

// The mesh panel's Optimize, Filters and Texture tabs and its surface-file controls.

#include "platform/dialog.h"

class Mesh;

namespace mesh_panel {

// Shows the mesh's refinement, texture and surface settings.
void ShowRefinement(platform::Dialog* d, const Mesh* m);
// A click on one of those controls; false when the id is not one of them.
bool RefinementClicked(platform::Dialog* d, Mesh* m, int id);
// A field of the Optimize tab left; false when the id is not one of them.
bool RefinementFieldLeft(platform::Dialog* d, Mesh* m, int id);
// The strength slider moved.
void FilterSliderMoved(platform::Dialog* d, Mesh* m);

}  // namespace mesh_panel
