#pragma once

#include "export.h"

class Daemon;
class Fluido;

// The class buttons of the daemon and emitter panels: twelve each, every one holding a class
// id (0: empty) whose class it creates when pressed.

constexpr int kClassButtons = 12;

// Fills the buttons of the panel for kind (kClassDaemon or kClassEmitter) from the catalogue
// and returns how many hold a class that the catalogue has. With the shipped library of that
// kind present the buttons get its classes in their fixed order (a class missing from it
// leaves its button without a class in the count); otherwise the classes of that kind fill
// the buttons in scan order.
UNDALINE_API int FillClassButtons(int kind, int ids[kClassButtons]);

// The assignment tables of the two panels (kClassDaemon, kClassEmitter), read by the panels
// and the customise dialogs: twelve class ids each, 0 for an empty button.
UNDALINE_API int* ClassButtonTable(int kind);
// FillClassButtons into the panel's own table.
UNDALINE_API int RefillClassButtons(int kind);
// The caption of a button holding class_id: its class's label, "" for 0 or a class the
// catalogue lacks.
UNDALINE_API const char* ClassButtonCaption(int class_id);
// The panels rewrite their buttons from the tables (installed by the desktop application).
UNDALINE_API void SetClassButtonsHook(void (*hook)());
UNDALINE_API void ClassButtonsChanged();

// Pressing a button with class_id: the class is activated and a daemon of it is added to the
// daemon panel (it becomes seldaemon), or a new fluid with an emitter of the class is made
// (it becomes selflow). Null, with nothing made, for 0 or a class that cannot be activated.
UNDALINE_API Daemon* PressDaemonButton(int class_id);
UNDALINE_API Fluido* PressEmitterButton(int class_id);
