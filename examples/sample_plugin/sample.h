#pragma once

#include "undaline.h"

// The two classes of this library. Class ids must be unique over every plug-in library; the
// program's own classes use 1 to 13 and 101 to 112.
constexpr int kBreezeClassId = 1001;
constexpr int kRingClassId = 1101;

// Dialog ids of their parameter windows (what ExDialogTemplate is asked for).
constexpr int kBreezeDialog = 1;
constexpr int kRingDialog = 2;

Descriptor* BreezeClass();
const platform::DialogTemplate* BreezeDialog();
Descriptor* RingClass();
const platform::DialogTemplate* RingDialog();
