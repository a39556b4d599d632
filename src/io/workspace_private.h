#pragma once

// What the workspace writer and reader share; not part of the installed interface.

class Fluido;

namespace workspace_private {

// Every section of the scene, in file order, on the current workspace file.
bool WriteSections();

// Takes every daemon and fluid away, with the selections, emitter ids and undo history.
void ClearScene();

// One fluid record after its tag. Null when the record cannot be read, or when its emitter
// class is not loaded: then *skipped is set and the record is to be passed over.
Fluido* ReadFluidRecord(bool* skipped);

}  // namespace workspace_private
