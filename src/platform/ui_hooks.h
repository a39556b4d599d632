#pragma once

#include "export.h"

namespace platform {

// Asks the viewport to redraw. Does nothing until the desktop application installs its hook.
UNDALINE_API void RequestRepaint();
UNDALINE_API void SetRepaintHook(void (*hook)());

// Shows the toolbar's display-mode button for mode (1 bounding box, 2 wireframe, 3 flat
// shaded, 4 smooth shaded) pressed. Does nothing until the desktop application installs it.
UNDALINE_API void ShowDisplayMode(int mode);
UNDALINE_API void SetDisplayModeHook(void (*hook)(int mode));

// The scene changed in a way the user would want to save (an import, a removal): the main
// window marks its workspace as modified. Does nothing until the desktop application
// installs it.
UNDALINE_API void MarkSceneChanged();
UNDALINE_API void SetSceneChangedHook(void (*hook)());

// Shows the wait cursor while it lives (a long command on the interface thread). Does nothing
// until the desktop application installs its hook.
class UNDALINE_API WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
UNDALINE_API void SetWaitCursorHook(void (*hook)(bool on));

}  // namespace platform
