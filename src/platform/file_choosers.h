#pragma once

#include <string>

#include "export.h"

namespace platform {

// The folder and file dialogs the panels open, and the wait cursor of long commands. The
// desktop application installs real ones; without them (batch runs, tests) a chooser gives
// the next preset answer, or reports a cancel when none is left, and the cursor stays as it is.

// A folder chosen starting at `start`; false when the user cancelled.
UNDALINE_API bool ChooseDirectory(const char* title, const std::string& start, std::string* chosen);
// An existing file to read; filter is "Description (*.ext *.ext2)" or empty for any file.
UNDALINE_API bool ChooseFile(const char* title, const char* filter, std::string* chosen);

struct FileChooserHandlers {
    bool (*directory)(const char* title, const std::string& start, std::string* chosen) = nullptr;
    bool (*file)(const char* title, const char* filter, std::string* chosen) = nullptr;
    void (*wait_cursor)(bool on) = nullptr;
};
UNDALINE_API void SetFileChooserHandlers(const FileChooserHandlers& handlers);

// Headless answers, one per chooser opened; an empty text is a cancel.
UNDALINE_API void QueueChooserAnswer(const std::string& answer);
UNDALINE_API void ClearChooserAnswers();

// Shows the wait cursor while it lives.
class UNDALINE_API WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

}  // namespace platform
