#pragma once

// 4×4 transforms of nodes and objects.
//
// A Matrix maps column vectors (p' = M·p) and stores its sixteen floats column after column:
// element (row r, column c) is m[4c + r], the translation sits in m[12], m[13], m[14]. The
// graphics layer and the file records take these sixteen floats as they are.
//
// Builders named Matrix... overwrite the matrix and return a copy; Set... change only the
// elements they name. Rotation angles are in radians. Products, determinants and lengths are
// accumulated in double and rounded once when stored.

#include <cstddef>
#include <type_traits>

#include "export.h"
#include "math/vector.h"

class UNDALINE_API Matrix {
  public:
    float m[16];

    Matrix();  // identity
    // Arguments read row by row: a1..a4 are row 0 (a4 is the x translation), a13..a16 row 3.
    Matrix(float a1, float a2, float a3, float a4, float a5, float a6, float a7, float a8, float a9,
           float a10, float a11, float a12, float a13, float a14, float a15, float a16);

    Matrix MatrixIdentity();
    void SetZero();

    void SetTranslation(const Vector& v);
    void AddTranslation(const Vector& v);
    void SetNoTranslation();
    Vector GetTranslation() const;
    Matrix MatrixTranslation(const Vector& v);

    // Writes the diagonal only.
    void SetScale(const Vector& v);
    Matrix MatrixScale(const Vector& v);
    // Zeroes the diagonal (it does not reset it to one).
    void SetNoScale();

    Matrix MatrixRotationX(float a);
    Matrix MatrixRotationY(float a);
    Matrix MatrixRotationZ(float a);
    // Rotation by -a about u under the right-hand rule (the transpose of the usual axis-angle
    // matrix, unlike the three builders above); u is used as given, not normalised.
    Matrix MatrixAroundAxis(const Vector& u, float a);

    Matrix operator*(const Matrix& b) const;  // this·b
    Matrix operator*(float s) const;
    Matrix operator+(const Matrix& b) const;
    Matrix operator-(const Matrix& b) const;
    // Point transform with w = 1: the bottom row is ignored and nothing is divided.
    Vector operator*(const Vector& v) const;

    // Lengths of the first three columns (rows 0..2).
    Vector GetScale() const;
    // Divides the first three columns by their lengths, leaving rotation and translation.
    void Desescala();

    float Det() const;
    Matrix Adjoint() const;
    // A copy of the matrix itself when |Det| < 1e-8.
    Matrix Inverse() const;

    // Coordinates of p in this matrix's frame, ignoring scale.
    Vector GetComp(const Vector& p) const;
    // Static-frame x-y-z angles in degrees for axis modes 1..3; (0, 0, 0) for any other mode.
    Vector GetEuler(int mode) const;
};

// Double-precision storage in the same order; construction and assignment only.
class UNDALINE_API DMatrix {
  public:
    double m[16];

    DMatrix();  // identity
    DMatrix(double a1, double a2, double a3, double a4, double a5, double a6, double a7, double a8,
            double a9, double a10, double a11, double a12, double a13, double a14, double a15,
            double a16);
};

static_assert(sizeof(Matrix) == 64 && sizeof(DMatrix) == 128);
static_assert(std::is_standard_layout_v<Matrix> && std::is_trivially_copyable_v<Matrix>);
static_assert(std::is_standard_layout_v<DMatrix> && std::is_trivially_copyable_v<DMatrix>);

// Turns a direction by the rotation part of m (scale and translation removed).
UNDALINE_API Vector TransformaEje(Matrix m, Vector v);

// Blends two transforms, t = 0 giving a and t = 1 giving b: rotations through a plain
// (unnormalised) blend of their quaternions, scales and translations linearly. Only the
// upper-left 3×3 and the translation of *out are written, then it is multiplied by the
// blended scale; callers pass an identity.
UNDALINE_API void InterpolateMatrix(Matrix a, Matrix b, Matrix* out, float t);

// Distance from p to the segment a-b; the nearest point of the segment goes to *nearest when
// given. A segment of zero length measures to a.
UNDALINE_API float minDist(Vector p, Vector a, Vector b, Vector* nearest = nullptr);
UNDALINE_API double D_minDist(DVector p, DVector a, DVector b, DVector* nearest = nullptr);
