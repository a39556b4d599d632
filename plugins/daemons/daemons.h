#pragma once

// The daemon classes of daemons.so.

#include "shipped_class.h"

namespace shipped {

// Force fields: accelerations added to the particles' force.
ShippedDescriptor* GravityClass();
ShippedDescriptor* WindClass();
ShippedDescriptor* DragClass();
ShippedDescriptor* AttractorClass();
ShippedDescriptor* VortexClass();
ShippedDescriptor* NoiseClass();
// Regions that change particle state.
ShippedDescriptor* KillVolumeClass();
ShippedDescriptor* FreezeVolumeClass();
ShippedDescriptor* HeaterClass();
// Limits on the motion.
ShippedDescriptor* SpeedLimitClass();
ShippedDescriptor* GroundPlaneClass();
// Between neighbours.
ShippedDescriptor* SurfaceTensionClass();
ShippedDescriptor* RelaxClass();

using ShippedDaemon = Shipped<Daemon>;

// The mass CreaParticula gives a particle; pair forces are scaled by mass relative to it.
constexpr float kStandardMass = 0.9f;

}  // namespace shipped
