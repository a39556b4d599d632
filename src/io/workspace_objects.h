#pragma once

#include "export.h"

class Body;

// One object's workspace record (after its tag): the file it comes from, its names, its node
// and rest transforms, its physical parameters and the selection masks of its faces and
// points. The geometry is not stored: reading the record reads the object's file again.

UNDALINE_API bool WriteObjectRecord(const Body* b);

// Reads a record and reloads its geometry into a new body at the end of the object list.
// A missing file is looked for by its name in the objects directory, then through the "File
// not found" dialog. Null when no object could be restored (the file was skipped or refused,
// or its format is not read here); the next tag search passes over the rest of the record.
UNDALINE_API Body* ReadObjectRecord();
