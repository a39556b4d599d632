#pragma once

// What the fluid panel's common window and its dialogs share; not part of the interface.

#include "platform/dialog.h"

class Fluido;

namespace fluid_panel_private {

// The fluid the panel edits: selflow while it is listed, else null.
Fluido* Edited();
// After an edit: repaint, and tell the window.
void Changed();
// Refills an open dialog from the fluid (null: nothing to edit, the controls go grey).
void ShowDestruction(platform::Dialog* d, const Fluido* f);
void ShowVisualization(platform::Dialog* d, const Fluido* f);
void ShowOutput(platform::Dialog* d, const Fluido* f);
// Refreshes whichever dialogs are open.
void RefreshDialogs(const Fluido* f);
void DestroyDialogs();
// Reads an integer field as a plain unsigned number: text that is no number shows the stored
// value again and returns false; a negative entry gives 0.
bool ReadCount(platform::Dialog* d, int id, int* value);

}  // namespace fluid_panel_private
