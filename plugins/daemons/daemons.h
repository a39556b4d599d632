#pragma once

// The daemon classes of daemons.so.

#include "gl_shapes.h"
#include "shipped_class.h"

namespace shipped {

// Colours of the daemon families in the viewport.
constexpr gl::Colour kForceColour{1.0f, 0.75f, 0.2f};
constexpr gl::Colour kKillColour{1.0f, 0.3f, 0.3f};
constexpr gl::Colour kFreezeColour{0.6f, 0.85f, 1.0f};
constexpr gl::Colour kHeatColour{1.0f, 0.5f, 0.15f};
constexpr gl::Colour kLimitColour{0.55f, 0.9f, 0.4f};
constexpr gl::Colour kNeighbourColour{0.8f, 0.55f, 1.0f};

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
