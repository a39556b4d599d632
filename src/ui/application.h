#pragma once

#include <QString>

namespace ui {

// Runs the desktop application: start-up in its fixed order (configuration, plug-ins, the
// workspace named on the command line, " Undaline Initialized"), then the event loop.
// Returns the program's exit status.
int RunDesktop(int& argc, char** argv, const QString& workspace);

// Installs what the library's dialogs, message boxes and file choosers need of the
// interface (used by the program and by the interface tests).
void InstallInterfaceHooks();

// Before the interface goes away: the classes' parameter windows are closed while their
// widgets can still be destroyed, and dialogs go back to the headless back end.
void CloseInterfaceWindows();

// The OpenGL the viewport draws with (the fixed-function pipeline), as the default of every
// surface; to be called before the QApplication is made.
void UseViewportGlFormat();

// Where the window layout (docks and toolbar places) is kept between runs, beside the
// configuration file.
QString LayoutFilePath();

}  // namespace ui
