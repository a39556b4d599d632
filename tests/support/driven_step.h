#pragma once

#include "fluid/fluido.h"

class Daemon;

// The fluids' part of the driver's step with a fixed largest step, for tests that need steps
// of a known length: StepFluids plus the emitters' Crea and Affect, the daemons assigned to
// each fluid and the step limits of the emission times. The driver's own limits on the step
// (particle speed, springs), objects, meshes and frames are not part of it.

// One step no longer than `largest` seconds; returns the step length used. The first step
// after a reset is at most 0.001 s, and a step ends exactly on an emitter's next emission
// time, as the driver does.
float DriveStep(float largest);

// Steps until at least `duration` seconds have passed since the call.
void DriveFor(float duration, float largest);

// Assigns a daemon to a fluid, at the end of its daemon list, unless it is already there (a
// daemon added to the panel of a one-fluid scene is assigned to it at once).
void AssignDaemon(Fluido* fluid, Daemon* daemon);
