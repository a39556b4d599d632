#include "version.h"

const char* UndalineVersion() { return "0.1.0"; }
