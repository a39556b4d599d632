#pragma once

// The one header a plug-in, or any program using the library, needs.

#include "export.h"
#include "version.h"
