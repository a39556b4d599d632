#pragma once

#include "export.h"

class Descriptor;

// The class registry: the plug-in classes active in this session, in activation order. A
// class is activated the first time the scene needs it; its library is loaded and stays
// loaded while any of its classes is registered, so a registered descriptor never points into
// unloaded code.

constexpr const char* kMsgDescriptorNotFound = "Error. Descriptor not found in DLL list";
constexpr const char* kMsgLibraryNotFound = "Unexpected error. DLL not found";

// Registers class_id and returns its registry index; a registered class gives its index at
// once. On first activation the class's library is loaded if needed and the class creates its
// parameter window in the daemon or emitter panel. Failures show a message box and return -1
// with the registry unchanged.
UNDALINE_API int ActivatePluginClass(int class_id);

// Deactivates d's class unless a daemon or a fluid's emitter still uses it: its parameter
// window is destroyed, it leaves the registry (the others close the gap), and its library is
// unloaded when none of its classes is registered any more.
UNDALINE_API void ReleasePluginClass(Descriptor* d);
// Releases every registered class, skipping those still in use.
UNDALINE_API void ReleaseUnusedPluginClasses();
// Unloads every library and empties the registry, except for classes the scene still uses,
// whose libraries stay loaded.
UNDALINE_API void UnloadAllPlugins();

// Whether a daemon of the scene or a fluid's emitter was made from d.
UNDALINE_API bool IsPluginClassInUse(const Descriptor* d);

// The parameter windows of every registered class, made again in the daemon or emitter panel
// as it is now (when the desktop application builds its panels), or destroyed (before the
// panels go away, while the classes' procedures are still loaded).
UNDALINE_API void RecreateParamWindows();
UNDALINE_API void DestroyParamWindows();

// Index of the last registered class; -1 when the registry is empty.
UNDALINE_API int RegistryLastIndex();
UNDALINE_API Descriptor* RegisteredClass(int index);
// The registry index of class_id, or -1.
UNDALINE_API int RegistryIndexOf(int class_id);
