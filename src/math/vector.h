#pragma once

// Three-component vectors: positions, velocities, forces and normals everywhere in the
// program and in every plug-in.
//
// Vector is a plain 12-byte record: particle files and plug-in records embed it, so its
// layout is part of the binary contract. The small operations are inline so that plug-ins
// compile their own copies and hot loops pay no call.
//
// Sums of products (dot, cross, lengths) are formed in double and rounded once when stored,
// so a length does not overflow before the square root and a cross product loses nothing
// to cancellation.

#include <cmath>
#include <cstddef>
#include <type_traits>

#include "export.h"

class UNDALINE_API Vector {
  public:
    float x, y, z;

    constexpr Vector() : x(0.0f), y(0.0f), z(0.0f) {}
    constexpr Vector(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

    void Set(float ax, float ay, float az) {
        x = ax;
        y = ay;
        z = az;
    }
    void Set(int ax, int ay, int az) {
        x = static_cast<float>(ax);
        y = static_cast<float>(ay);
        z = static_cast<float>(az);
    }

    // No range check: callers pass 0, 1 or 2. Any other index lands on z.
    float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    // The checked form, for indices that come from data.
    float Compo(int i) const {
        switch (i) {
            case 0:
                return x;
            case 1:
                return y;
            case 2:
                return z;
            default:
                return 0.0f;
        }
    }

    Vector operator+(const Vector& b) const { return Vector(x + b.x, y + b.y, z + b.z); }
    Vector operator-(const Vector& b) const { return Vector(x - b.x, y - b.y, z - b.z); }
    Vector operator-() const { return Vector(-x, -y, -z); }
    Vector operator*(float s) const { return Vector(x * s, y * s, z * s); }
    Vector& operator*=(float s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    // One division, three multiplications; s is not checked.
    Vector operator/(float s) const {
        const float r = 1.0f / s;
        return Vector(x * r, y * r, z * r);
    }
    Vector& operator/=(float s) {
        const float r = 1.0f / s;
        x *= r;
        y *= r;
        z *= r;
        return *this;
    }

    // Dot product.
    float operator*(const Vector& b) const {
        return static_cast<float>(double(x) * b.x + double(y) * b.y + double(z) * b.z);
    }
    // b × a, the negative of the right-handed a × b. Every caller relies on this sign.
    Vector operator^(const Vector& b) const {
        return Vector(static_cast<float>(double(z) * b.y - double(y) * b.z),
                      static_cast<float>(double(x) * b.z - double(z) * b.x),
                      static_cast<float>(double(y) * b.x - double(x) * b.y));
    }

    float CuadModulo() const {
        return static_cast<float>(double(x) * x + double(y) * y + double(z) * z);
    }
    float Modulo() const {
        return static_cast<float>(std::sqrt(double(x) * x + double(y) * y + double(z) * z));
    }
    // Vectors shorter than 1e-8 have no usable direction and become zero.
    void Normaliza() {
        const float len = Modulo();
        if (len >= 1e-8f) {
            x /= len;
            y /= len;
            z /= len;
        } else {
            x = y = z = 0.0f;
        }
    }

    // Shows "label (x y z)" in a message box; a debugging aid for plug-in writers.
    void Print(const char* label) const;
};

class UNDALINE_API DVector {
  public:
    double x, y, z;

    constexpr DVector() : x(0.0), y(0.0), z(0.0) {}
    constexpr DVector(double ax, double ay, double az) : x(ax), y(ay), z(az) {}

    void Set(double ax, double ay, double az) {
        x = ax;
        y = ay;
        z = az;
    }
    void Set(int ax, int ay, int az) {
        x = ax;
        y = ay;
        z = az;
    }

    double& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
    double operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }

    double Compo(int i) const {
        switch (i) {
            case 0:
                return x;
            case 1:
                return y;
            case 2:
                return z;
            default:
                return 0.0;
        }
    }

    DVector operator+(const DVector& b) const { return DVector(x + b.x, y + b.y, z + b.z); }
    DVector operator-(const DVector& b) const { return DVector(x - b.x, y - b.y, z - b.z); }
    DVector operator-() const { return DVector(-x, -y, -z); }
    DVector operator*(double s) const { return DVector(x * s, y * s, z * s); }
    DVector& operator*=(double s) {
        x *= s;
        y *= s;
        z *= s;
        return *this;
    }
    DVector operator/(double s) const {
        const double r = 1.0 / s;
        return DVector(x * r, y * r, z * r);
    }
    DVector& operator/=(double s) {
        const double r = 1.0 / s;
        x *= r;
        y *= r;
        z *= r;
        return *this;
    }

    double operator*(const DVector& b) const { return x * b.x + y * b.y + z * b.z; }
    // b × a, as for Vector.
    DVector operator^(const DVector& b) const {
        return DVector(z * b.y - y * b.z, x * b.z - z * b.x, y * b.x - x * b.y);
    }

    double CuadModulo() const { return x * x + y * y + z * z; }
    double Modulo() const { return std::sqrt(x * x + y * y + z * z); }
    void Normaliza() {
        const double len = Modulo();
        if (len >= 1e-8) {
            x /= len;
            y /= len;
            z /= len;
        } else {
            x = y = z = 0.0;
        }
    }

    void Print(const char* label) const;
};

// File records and plug-ins depend on these layouts.
static_assert(sizeof(Vector) == 12 && sizeof(DVector) == 24);
static_assert(std::is_standard_layout_v<Vector> && std::is_trivially_copyable_v<Vector>);
static_assert(std::is_standard_layout_v<DVector> && std::is_trivially_copyable_v<DVector>);
static_assert(offsetof(Vector, y) == 4 && offsetof(Vector, z) == 8);
static_assert(offsetof(DVector, y) == 8 && offsetof(DVector, z) == 16);
