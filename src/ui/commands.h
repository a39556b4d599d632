#pragma once

namespace ui {

class MainWindow;

// Every command of the program is one row: where it sits, its keys, when it can be used and
// what it does. Menus, the toolbar, the key bindings and the "Key shortcuts" list are all
// built from this table.
enum class Menu { kFile, kEdit, kView, kSimulation, kTools, kHelp };

enum class When {
    kAlways,
    kNotBuilt,      // its subsystem is not part of this program yet: shown, never enabled
    kCanUndo,
    kCanRedo,
    kIdle,          // no simulation running
    kRunning,
    kNamedWorkspace,  // the workspace has a file to go back to
};

struct CommandRow {
    const char* key;       // stable name, for tests and the toolbar
    const char* text;      // menu text
    Menu menu;
    const char* submenu;   // null: directly in the menu
    const char* shortcut;  // portable key text; null for none
    const char* shortcut2; // a second binding (the keypad's digits); null for none
    When when;
    void (MainWindow::*handler)();
    bool checkable;
    bool separator_before;
    const char* icon;      // toolbar icon name in the resources; null: not on the toolbar
    const char* tip;
};

const CommandRow* Commands(int* count);

}  // namespace ui
