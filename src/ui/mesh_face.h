#pragma once

class Mesh;
class QWidget;

namespace ui {

class QtDialog;

// The mesh panel's window inside parent, with the tree's popup menus and Delete key; the
// Meshes dock's list takes its meshes from the scene from then on.
QtDialog* BuildMeshFace(QWidget* parent);
// Refills the panel from the scene (fluids and meshes may have come or gone).
void RefreshMeshFace();
// A mesh picked in the viewport becomes the one the panel edits, its tab in front.
void ShowPickedMesh(Mesh* mesh);
// Before the panel goes: the dock lists nothing any more.
void ForgetMeshFace();

}  // namespace ui
