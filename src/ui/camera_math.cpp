#include "ui/camera_math.h"

#include <cmath>

namespace view {
namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

Vector Cross(const Vector& a, const Vector& b) { return b ^ a; }  // ^ is b × a

int WrapAngle(int a) { return a % 360; }

}  // namespace

Vector OrbitOffset(int elevation, int azimuth, float distance) {
    const double e = elevation * kDegree;
    const double a = azimuth * kDegree;
    return Vector(static_cast<float>(std::sin(a) * std::cos(e) * distance),
                  static_cast<float>(std::sin(e) * distance),
                  static_cast<float>(std::cos(a) * std::cos(e) * distance));
}

bool UpsideDown(int elevation) {
    return (elevation > 90 && elevation < 270) || (elevation > -270 && elevation < -90);
}

void UpdateOrbit(Camera& c, bool first_person) {
    const Vector offset = OrbitOffset(c.elevation, c.azimuth, c.distance);
    c.up = Vector(0, UpsideDown(c.elevation) ? -1.0f : 1.0f, 0);
    if (first_person) {
        c.target = c.eye + offset;
    } else {
        c.eye = c.target + offset;
    }
}

void OrbitDrag(Camera& c, const Camera& at_press, int dx, int dy, bool first_person) {
    c.azimuth = WrapAngle(at_press.azimuth + dx);
    c.elevation = WrapAngle(at_press.elevation + dy);
    UpdateOrbit(c, first_person);
}

void OrthoAxes(int mode, Vector* right, Vector* up, Vector* forward) {
    switch (mode) {
        case kTop:  // turned 90 degrees about x: looking down
            *right = Vector(1, 0, 0);
            *up = Vector(0, 0, -1);
            *forward = Vector(0, -1, 0);
            break;
        case kSide:  // turned -90 degrees about y: looking along -x
            *right = Vector(0, 0, -1);
            *up = Vector(0, 1, 0);
            *forward = Vector(-1, 0, 0);
            break;
        default:  // front: looking along -z
            *right = Vector(1, 0, 0);
            *up = Vector(0, 1, 0);
            *forward = Vector(0, 0, -1);
            break;
    }
}

void PanDrag(Camera& c, int dx, int dy) {
    const float k = PanFactor(c);
    if (c.view_mode >= kTop && c.view_mode <= kSide) {
        Vector right, up, forward;
        OrthoAxes(c.view_mode, &right, &up, &forward);
        c.centre[c.view_mode - 1] = c.centre[c.view_mode - 1] + (right * (float)dx + up * (float)dy) * k;
        return;
    }
    Vector forward = c.target - c.eye;
    if (forward.Modulo() <= 0.0f) return;
    forward.Normaliza();
    Vector right = Cross(forward, c.up);
    if (right.Modulo() <= 0.0f) return;
    right.Normaliza();
    const Vector up = Cross(right, forward);
    // The picture's x is mirrored: the camera's right runs to the left on screen.
    const Vector shift = (right * static_cast<float>(dx) + up * static_cast<float>(dy)) * k;
    c.eye = c.eye + shift;
    c.target = c.target + shift;
}

void DollyDrag(Camera& c, const Camera& at_press, int dy) {
    if (c.view_mode >= kTop && c.view_mode <= kSide) {
        float z = at_press.zoom[c.view_mode - 1] + static_cast<float>(dy) * 0.1f;
        c.zoom[c.view_mode - 1] = z < kMinDistance ? kMinDistance : z;
        return;
    }
    float d = at_press.distance + static_cast<float>(dy) * 0.1f;
    c.distance = d < kMinDistance ? kMinDistance : d;
}

bool RayPlane(const Vector& origin, const Vector& dir, const Vector& through, int axis, Vector* hit) {
    const float denominator = dir[axis];
    if (std::fabs(denominator) < 1e-9f) return false;
    const float t = (through[axis] - origin[axis]) / denominator;
    *hit = origin + dir * t;
    return true;
}

}  // namespace view
