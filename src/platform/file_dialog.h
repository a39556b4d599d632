#pragma once

#include <string>

#include "export.h"

namespace platform {

// The modal open-file dialog: a title, a filter list in the "Label (*.ext)|*.ext|" form and a
// starting directory; the answer is the chosen path, or "" when the user cancels. The desktop
// application installs the real dialog; without it (batch runs, tests) the answer comes from
// the queue of preset answers, else "".
UNDALINE_API std::string OpenFileDialog(const char* title, const char* filter,
                                        const char* directory);

using OpenFileHandler = std::string (*)(const char* title, const char* filter,
                                        const char* directory);
UNDALINE_API void SetOpenFileHandler(OpenFileHandler handler);

// The modal folder chooser, starting at directory: the chosen folder, or "" when the user
// cancels. Installed and answered headless as the open-file dialog (the same queue).
UNDALINE_API std::string OpenFolderDialog(const char* title, const char* directory);
using OpenFolderHandler = std::string (*)(const char* title, const char* directory);
UNDALINE_API void SetOpenFolderHandler(OpenFolderHandler handler);

// Headless answers, one per dialog, oldest first.
UNDALINE_API void QueueOpenFileAnswer(const std::string& path);
UNDALINE_API void ClearOpenFileAnswers();
// The title and filter of the last dialog shown, so tests can check what was asked.
UNDALINE_API std::string LastOpenFileTitle();
UNDALINE_API std::string LastOpenFileFilter();

}  // namespace platform
