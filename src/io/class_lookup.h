#pragma once

#include "export.h"

class Descriptor;

// Finds the class a stored class id names: a class already active, else one from the plug-in
// catalogue (activated now), else one the program registered itself. Null when no class of
// that id is to be had; nothing is reported.
UNDALINE_API Descriptor* LookupClass(int class_id);

// Classes that live in the program rather than in a plug-in library (tests, embedding
// programs). The descriptor must outlive its use.
UNDALINE_API void RegisterInProcessClass(Descriptor* d);
UNDALINE_API void UnregisterInProcessClass(Descriptor* d);
