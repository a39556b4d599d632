#pragma once

#include "export.h"

namespace platform {

// Asks the viewport to redraw. Does nothing until the desktop application installs its hook.
UNDALINE_API void RequestRepaint();
UNDALINE_API void SetRepaintHook(void (*hook)());

}  // namespace platform
