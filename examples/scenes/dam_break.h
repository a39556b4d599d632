#pragma once

#include <string>

class Body;
class Fluido;

// The dam break: a column of liquid a wide, 2a high and a deep, standing at one end of a closed
// tank 5a long, 3a high and a deep, released at rest under a gravity of 9.81. Lengths are in
// scene units; the tank's inside runs from the origin along +x, +y and +z.
namespace dam_break {

constexpr float kColumn = 0.5f;  // a
constexpr float kGravityAcceleration = 9.81f;
constexpr float kTankLength = 5.0f * kColumn;
constexpr float kTankHeight = 3.0f * kColumn;
constexpr float kTankDepth = kColumn;
// Particles across the column in the saved scene.
constexpr int kAcross = 20;
// The surge's front runs at 4 to 5 units/s. The depth rule of the fluid guide gives sound
// 23 units/s, about five times that, and the released column springs out of its own compression;
// four times the pressure constant doubles the speed of sound to ten times the flow's.
constexpr float kSurgeStiffness = 4.0f;
// The "Time Step Factor" the scene's liquid needs.
constexpr float kStepFactor = 0.0625f;

// The tank as OBJ text: eight corners and six four-sided faces (twelve triangles).
std::string TankObj();

// The rest density whose fill spacing puts `across` particles across the column.
float DensityFor(int across);

// Sets the fluid's rest density and what follows from it for a Liquid (pressure constant and
// external pressure in proportion to the density, and to the column's depth; the viscosity in
// inverse proportion to the spacing, so the liquid stays as viscous as it was), and the tank's
// collision distance to half the new spacing. The fluid is refilled at the next reset.
void SetResolution(Fluido* water, Body* tank, int across);

// Builds the scene into an empty scene: the tank read from tank_file, the column, gravity and
// the step settings a Liquid needs. False, with a message on standard error, when a shipped
// class is missing or the tank cannot be read.
bool Build(const std::string& tank_file, int across);

// The scene's water and tank, once built or loaded: the first fluid and the first object.
Fluido* Water();
Body* Tank();

}  // namespace dam_break
