#pragma once

#include "export.h"
#include "platform/dialog.h"

class Nodo;

// Class kinds a descriptor may declare; any other value makes the class unloadable.
enum DescriptorKind { kClassDaemon = 1, kClassEmitter = 3 };

// Control of the daemon panel below which daemon parameter windows sit, and of the emitter
// panel below which the fluid parameter window (and emitter windows of layout 0) begin.
constexpr int kIdDaemonWindowAnchor = 5138;
constexpr int kIdEmitterWindowAnchor = 5153;

// An emitter class of layout 1 puts its window below the fluid parameter window.
constexpr int kLayoutBelowFluidWindow = 1;

// Describes one plug-in class: a plug-in defines one static object of a class derived from
// Descriptor per emitter or daemon class and hands out its address from ExClassDesc. The
// program never deletes a descriptor, so the destructor is not virtual; declare derived
// classes `final`. Field and virtual-operation order are a binary contract.
class UNDALINE_API Descriptor {
public:
    Descriptor();
    // Copies every field, strings by their full size, except the parameter window: a window
    // has one owner, and a copy that shared it would destroy it twice.
    Descriptor(const Descriptor& other);
    Descriptor& operator=(const Descriptor& other);

    // A new object of the class (a Daemon or a Creador subclass), owned by the caller.
    virtual Nodo* Create() = 0;
    // Creates the parameter window from ExDialogTemplate(dialog_id) of `module` with
    // dialog_proc as a hidden child of parent, stores it in window and places it at x = 0,
    // 2 units below the anchor: control 5138 of the parent for daemons; for emitters the
    // fluid parameter window when layout is 1, otherwise control 5153 of the parent.
    virtual void CreateParam(void* module, platform::Dialog* parent);

    int kind;      // 1 daemon, 3 emitter
    int class_id;  // unique over all plug-in libraries; workspaces name the class by it
    int layout;    // emitters: 1 puts the window below the fluid parameter window
    char name[50];
    char label[20];          // caption of the class's panel button
    char description[256];   // shown in the customise dialogs
    char details[256];       // shown in the plug-ins report
    char stamp[12];          // at most 11 characters
    float version;
    int dialog_id;
    platform::DialogProc dialog_proc;
    platform::Dialog* window;  // the parameter window; null until created

protected:
    // Destroys the window if it exists.
    ~Descriptor();
};

// Destroys d's parameter window, if any, and clears it. The class registry calls this when
// the class is deactivated, while the window's procedure is still loaded.
UNDALINE_API void DestroyParamWindow(Descriptor* d);

// d's parameter window, or null for no class or no window yet.
inline platform::Dialog* ParamWindowOf(const Descriptor* d) { return d ? d->window : nullptr; }

// What a plug-in library exports (the program looks them up by these names):
//   int ExNumberOfClasses();            number of classes in the library
//   float ExDllVersion();               version of the library
//   Descriptor* ExClassDesc(int i);     class i, 0 <= i < count; valid while loaded
//   const platform::DialogTemplate* ExDialogTemplate(int dialog_id);
//                                       the template of a class's parameter window
// Define them with UNDALINE_PLUGIN_EXPORT so they keep their plain names and stay visible.
#define UNDALINE_PLUGIN_EXPORT extern "C" __attribute__((visibility("default")))

using ExNumberOfClassesFn = int (*)();
using ExDllVersionFn = float (*)();
using ExClassDescFn = Descriptor* (*)(int index);
using ExDialogTemplateFn = const platform::DialogTemplate* (*)(int dialog_id);
