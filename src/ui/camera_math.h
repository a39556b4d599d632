#pragma once

#include "math/vector.h"
#include "scene/view_settings.h"

// The viewport's camera: the orbit around the target in perspective, the three orthographic
// views, and what the mouse does to each. Pure arithmetic on the workspace's Camera record,
// so it is tested without a window; the viewport turns the result into GL matrices.

namespace view {

enum ViewMode { kPerspective = 0, kTop = 1, kFront = 2, kSide = 3 };

constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 1000.0f;
constexpr float kFieldOfView = 45.0f;  // vertical, degrees
constexpr float kMinDistance = 0.1f;   // closest orbit, and smallest orthographic zoom
constexpr float kPanPerPixel = 0.0018f;  // pan factor per unit of distance

// (sin a · cos e · d, sin e · d, cos a · cos e · d) for elevation e and azimuth a in degrees.
Vector OrbitOffset(int elevation, int azimuth, float distance);

// Past the pole (elevation strictly between 90 and 270, or -270 and -90) the up vector turns
// over, so the picture does not spin when the orbit goes over the top.
bool UpsideDown(int elevation);

// Recomputes eye (or, in first person, target) and up from the orbit angles.
void UpdateOrbit(Camera& c, bool first_person);

// World distance per pixel of panning.
inline float PanFactor(const Camera& c) { return c.distance * kPanPerPixel; }

// Left drag with the camera tool: one degree per pixel from the angles at the press; an angle
// reaching ±360 is taken modulo 360.
void OrbitDrag(Camera& c, const Camera& at_press, int dx, int dy, bool first_person);

// Pan by (dx, dy) pixels: in perspective eye and target move together along the screen's
// axes; in an orthographic view its centre moves. The x axis of the picture is mirrored, so a
// drag to the right moves the scene to the right under the pointer.
void PanDrag(Camera& c, int dx, int dy);

// Right drag: distance (or the view's zoom) = value at press + dy · 0.1, never below 0.1.
void DollyDrag(Camera& c, const Camera& at_press, int dy);

// The working plane's point under a ray, for the move tool: the intersection of the ray
// from origin along dir with the plane through `through` whose normal is axis (0, 1 or 2).
// False when the ray runs parallel to the plane.
bool RayPlane(const Vector& origin, const Vector& dir, const Vector& through, int axis, Vector* hit);

// The axes of an orthographic view in world components: right, up and the direction looked
// along (into the screen), before the x mirror.
void OrthoAxes(int mode, Vector* right, Vector* up, Vector* forward);

}  // namespace view
