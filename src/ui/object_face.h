#pragma once

class QWidget;

namespace ui {

class QtDialog;

// The object panel's window inside holder (the Objects dock lists the objects above it), the
// object chooser and the "File not found" question of missing object files.
QtDialog* BuildObjectFace(QWidget* holder);
// After a command: the panel shows its body, or stays greyed when it has none.
void RefreshObjectFace();
// Before the panel goes.
void ForgetObjectFace();

}  // namespace ui
