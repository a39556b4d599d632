#pragma once

#include <cstdint>
#include <string>

#include "export.h"
#include "math/vector.h"
#include "platform/dialog.h"

class Daemon;
class Descriptor;

// The daemon panel's list of daemons and what the user does with it. The desktop application
// owns the panel window and registers it here; each list item carries its daemon as data.
// Without a registered panel (batch runs) the list steps are skipped and the rest still runs.

// Context-menu command that switches the selected daemon on or off.
constexpr int kCmdDaemonEnable = 40110;
// The longest name an item can be renamed to.
constexpr int kDaemonNameMax = 49;

// Registers the panel and the id of its list box (null: none). The panel is also the parent
// of the daemon classes' parameter windows, and daemons freed from a deleted object refresh
// their parameter block from then on.
UNDALINE_API void SetDaemonPanel(platform::Dialog* panel, int list_id);
UNDALINE_API platform::Dialog* DaemonPanel();
UNDALINE_API int DaemonListId();

// A dialog procedure for the panel: a selection change of the list selects its daemon, and
// command 40110 switches the selected daemon on or off.
UNDALINE_API intptr_t ProcesaDaemonPanel(platform::Dialog* panel, unsigned msg, uintptr_t wparam,
                                         intptr_t lparam);

// The list text of a daemon: its name, followed by " (OFF)" when it is off.
UNDALINE_API std::string DaemonListText(const Daemon* daemon);
// The list item of a daemon (-1 when it has none), and the daemon of an item (null).
UNDALINE_API int DaemonItem(const Daemon* daemon);
UNDALINE_API Daemon* DaemonOfItem(int index);

// Creates a daemon of class d (a panel button, "Add daemon"): it becomes seldaemon and is
// added to the panel. Null when the class gives no daemon.
UNDALINE_API Daemon* NewDaemon(Descriptor* d);

// After creation, duplication or loading: the item is added and selected, the daemon becomes
// seldaemon, the parameter window shown so far is hidden and the daemon's is shown and
// filled, undo records codes 2 and 1, listed = 1, the only fluid of the scene gets it, and
// the viewport is repainted.
UNDALINE_API void AddDaemonToPanel(Daemon* daemon);

// Selecting item index: its daemon becomes seldaemon and selnodo and its class window is
// shown (filled with the daemon's values) in place of the previous one.
UNDALINE_API void SelectDaemonItem(int index);

// The context menu's "Enable": whether its check mark shows, and the command itself, which
// flips the selected daemon's enabled byte and rewrites its list text.
UNDALINE_API bool DaemonEnableChecked();
UNDALINE_API void ToggleSelectedDaemon();

// The edit field over an item lost the focus: its text, cut to 49 characters, becomes the
// daemon's name and the list text is rewritten.
UNDALINE_API void RenameDaemonItem(int index, const char* text);

// Deletes the selected daemon: hides its window, removes its item, destroys it (which
// withdraws it from every fluid), selects its predecessor in the daemon list, or its
// successor when it was first, releases its class if nothing else uses it, repaints.
UNDALINE_API void DeleteSelectedDaemon();
// Destroys every daemon, empties the list; seldaemon and selnodo become null; classes nothing
// uses any more are released.
UNDALINE_API void DeleteAllDaemons();

// A new daemon of source's class, a Copy of source, added to the panel.
UNDALINE_API Daemon* DuplicateDaemon(Daemon* source);
// The same for the array tool, which then places the copy at pos with rotation rot.
UNDALINE_API Daemon* DuplicateDaemonAt(Daemon* source, const Vector& pos, const Vector& rot);
