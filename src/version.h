#pragma once

#include "export.h"

// The library's version, "major.minor.patch".
UNDALINE_API const char* UndalineVersion();
