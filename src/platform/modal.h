#pragma once

#include "export.h"
#include "platform/dialog.h"

namespace platform {

// Runs a created dialog as a modal window: returns once the user has closed it. The desktop
// application installs a runner that keeps the rest of the program waiting meanwhile. Without
// one (batch runs, tests) the installed runner for headless dialogs acts on it, as a user
// would (tests click its controls); with neither, nobody answers and the dialog is closed as
// it stands.
UNDALINE_API void RunModal(Dialog* dialog);
UNDALINE_API void SetModalRunner(void (*runner)(Dialog* dialog));

}  // namespace platform
