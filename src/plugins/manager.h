#pragma once

#include <cstdint>
#include <string>

#include "export.h"
#include "platform/dialog.h"

// The plug-ins manager (the catalogue's report, the plug-ins directory and a rescan) and the
// two customise dialogs that assign classes to the panels' buttons or add an object of any
// class. Written against the dialog layer; the desktop application gives them windows.
namespace plugins_manager {

enum Control {
    kIdReport = 5560,
    kIdDirectory = 5561,
    kIdChooseDirectory = 5562,
    kIdLoadPlugins = 5563,
    kIdClose = 5564,
    // Customise dialogs: the daemon dialog's ids; the emitter dialog's are kEmitterOffset on.
    kIdClassList = 5600,
    kIdSlot = 5601,  // the twelve button slots, 5601 to 5612
    kIdDescription = 5613,
    kIdUnselect = 5614,
    kIdAdd = 5615,
    kIdCustomiseClose = 5616,
};
constexpr int kEmitterOffset = 30;

constexpr const char* kMsgObjectsExist =
    "Sorry, emitters and/or daemons exist in the current scene\nYou must remove them before scanning for plugins";
constexpr const char* kMsgNoDaemons = "No daemons found. Use Plugins Manager to find them";
constexpr const char* kMsgNoEmitters = "No emitters found. Use Plugins Manager to find them";

// The catalogue as text, library by library in scan order: a header with the file name in
// upper case and the library version, the reasons of refused classes, then one line per
// accepted class. Lines end with CR LF.
UNDALINE_API std::string PluginsReport();

// "Load plugins" with dir: refused with a message while a fluid or a daemon exists (false).
// Otherwise the catalogue is rebuilt from dir (at most 255 characters), the daemon and then
// the emitter buttons are refilled, and an empty panel is reported.
UNDALINE_API bool LoadPlugins(const std::string& dir);
// Called after a rescan with the directory scanned (the window keeps it as the preference).
UNDALINE_API void SetRescanHook(void (*hook)(const char* dir));

UNDALINE_API const platform::DialogTemplate* ManagerTemplate();
UNDALINE_API intptr_t ManagerProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam);
// Opens the manager, or brings the open one back.
UNDALINE_API platform::Dialog* OpenManager();

// "Add/Customize daemons" (kClassDaemon) or "Add/Customize emitters" (kClassEmitter). CLOSE
// keeps the assignment made and rewrites the panels' buttons; closing it any other way puts
// back the assignment it found.
UNDALINE_API const platform::DialogTemplate* CustomiseTemplate(int kind);
UNDALINE_API intptr_t CustomiseProc(platform::Dialog* d, unsigned msg, uintptr_t wparam, intptr_t lparam);
UNDALINE_API platform::Dialog* OpenCustomise(int kind);
// Destroys the manager and the customise dialogs (before the windows they live in go).
UNDALINE_API void DestroyWindows();

// What "Add daemon" or "Add emitter" made, for the panels to show (installed by the window).
UNDALINE_API void SetAddedHook(void (*hook)(int kind));

}  // namespace plugins_manager
