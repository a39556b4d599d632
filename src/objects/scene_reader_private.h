#pragma once

class Body;

namespace scene_reader {

// A body read from a scene file joins the interface: listed and selected in the object list;
// with panel (3DS and ASE objects) it also becomes the selected node and the panel's body and
// its transform gets an undo record.
void Present(Body* b, bool panel);

}  // namespace scene_reader
