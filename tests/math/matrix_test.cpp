#include "math/matrix.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;
float Rad(float degrees) {
    return degrees * kPi / 180.0f;
}

// Element in row r, column c.
float At(const Matrix& a, int r, int c) {
    return a.m[4 * c + r];
}

void ExpectNear(const Vector& v, float x, float y, float z, float tol = 1e-5f) {
    EXPECT_NEAR(v.x, x, tol);
    EXPECT_NEAR(v.y, y, tol);
    EXPECT_NEAR(v.z, z, tol);
}

void ExpectMatrixNear(const Matrix& a, const Matrix& b, float tol = 1e-5f) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(a.m[i], b.m[i], tol) << "element " << i;
}

void ExpectSameElements(const Matrix& a, const Matrix& b) {
    for (int i = 0; i < 16; ++i) EXPECT_EQ(a.m[i], b.m[i]) << "element " << i;
}

Matrix Rx(float deg) {
    return Matrix().MatrixRotationX(Rad(deg));
}
Matrix Ry(float deg) {
    return Matrix().MatrixRotationY(Rad(deg));
}
Matrix Rz(float deg) {
    return Matrix().MatrixRotationZ(Rad(deg));
}
Matrix T(float x, float y, float z) {
    return Matrix().MatrixTranslation(Vector(x, y, z));
}
Matrix S(float x, float y, float z) {
    return Matrix().MatrixScale(Vector(x, y, z));
}

TEST(Matrix, ArgumentsAreRowsStoredByColumnAndSettersChangeOnlyTheirElements) {
    const Matrix base(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    const float column_major[16] = {1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16};
    const DMatrix d(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(base.m[i], column_major[i]);
        EXPECT_EQ(d.m[i], column_major[i]);
    }
    ExpectSameElements(Matrix(), Matrix(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    ExpectNear(base.GetTranslation(), 4, 8, 12, 0);

    Matrix m = base;
    m.SetTranslation(Vector(-1, -2, -3));
    m.AddTranslation(Vector(1, 1, 1));
    m.SetScale(Vector(7, 8, 9));
    ExpectSameElements(m, Matrix(7, 2, 3, 0, 5, 8, 7, -1, 9, 10, 9, -2, 13, 14, 15, 16));
    // Clears the diagonal to zero, not to one.
    m.SetNoScale();
    m.SetNoTranslation();
    ExpectSameElements(m, Matrix(0, 2, 3, 0, 5, 0, 7, 0, 9, 10, 0, 0, 13, 14, 15, 16));

    // Builders overwrite every element and return the matrix itself.
    const Matrix t = m.MatrixTranslation(Vector(1, 2, 3));
    ExpectSameElements(t, Matrix(1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 0, 0, 0, 1));
    ExpectSameElements(m, t);
    m.MatrixScale(Vector(2, 3, 4));
    ExpectSameElements(m, Matrix(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1));
    m.SetZero();
    for (float e : m.m) EXPECT_EQ(e, 0.0f);
}

TEST(Matrix, AxisBuildersTurnOneWayAroundAxisTheOther) {
    ExpectNear(Rz(90) * Vector(1, 0, 0), 0, 1, 0);
    ExpectNear(Rx(90) * Vector(0, 1, 0), 0, 0, 1);
    ExpectNear(Ry(90) * Vector(0, 0, 1), 1, 0, 0);

    Matrix around;
    around.MatrixAroundAxis(Vector(0, 0, 1), kPi / 2);
    ExpectNear(around * Vector(1, 0, 0), 0, -1, 0);

    // About each coordinate axis it is the axis builder with the angle negated.
    const float a = 0.7f;
    ExpectMatrixNear(Matrix().MatrixAroundAxis(Vector(1, 0, 0), a), Matrix().MatrixRotationX(-a));
    ExpectMatrixNear(Matrix().MatrixAroundAxis(Vector(0, 1, 0), a), Matrix().MatrixRotationY(-a));
    ExpectMatrixNear(Matrix().MatrixAroundAxis(Vector(0, 0, 1), a), Matrix().MatrixRotationZ(-a));

    // The axis is taken as given: a longer axis is not a rotation any more.
    const Matrix loose = Matrix().MatrixAroundAxis(Vector(0, 0, 2), a);
    EXPECT_NEAR(At(loose, 2, 2), 4 * (1 - std::cos(a)) + std::cos(a), 1e-6f);
}

TEST(Matrix, ProductsComposeRightToLeft) {
    // Rotate first, then translate.
    ExpectNear((T(5, 0, 0) * Rz(90)) * Vector(1, 0, 0), 5, 1, 0);
    // Translate first, then rotate.
    ExpectNear((Rz(90) * T(5, 0, 0)) * Vector(1, 0, 0), 0, 6, 0);

    const Matrix a(1, 2, 0, 1, 0, 1, 3, -2, 4, 0, 1, 0.5f, 0, 0, 0, 1);
    const Matrix b = T(1, -1, 2) * Rx(40) * S(2, 1, 0.5f);
    const Vector p(0.3f, -1.2f, 2.0f);
    const Vector lhs = (a * b) * p, rhs = a * (b * p);
    ExpectNear(lhs, rhs.x, rhs.y, rhs.z, 1e-5f);

    // The point transform ignores the bottom row and never divides.
    const Matrix projective(1, 0, 0, 1, 0, 1, 0, 2, 0, 0, 1, 3, 4, 5, 6, 7);
    ExpectNear(projective * Vector(1, 1, 1), 2, 3, 4, 0);

    ExpectMatrixNear((a + b) - b, a);
}

TEST(Matrix, DeterminantAdjointAndInverse) {
    const Matrix m(2, 0, 1, 3,  //
                   1, 3, 0, 2,  //
                   0, 1, 4, 1,  //
                   1, 0, 2, 5);
    EXPECT_EQ(m.Det(), 80.0f);
    // Integer entries: m·adj(m) = det·I exactly.
    ExpectSameElements(m * m.Adjoint(), Matrix() * 80.0f);

    ExpectMatrixNear(m * m.Inverse(), Matrix());
    ExpectMatrixNear(m.Inverse() * m, Matrix());

    const Matrix trs = T(3, -4, 5) * Rz(30) * Ry(-50) * S(2, 3, 0.5f);
    EXPECT_NEAR(trs.Det(), 3.0f, 1e-5f);
    ExpectMatrixNear(trs * trs.Inverse(), Matrix());
    ExpectNear(trs.Inverse() * (trs * Vector(1, 2, 3)), 1, 2, 3);

    // A mirror has a negative determinant and an inverse all the same.
    const Matrix mirror = T(1, 2, 3) * S(-1, 2, 1);
    EXPECT_EQ(mirror.Det(), -2.0f);
    ExpectMatrixNear(mirror * mirror.Inverse(), Matrix());
}

TEST(Matrix, InverseOfASingularMatrixIsACopy) {
    const Matrix flat(1, 2, 3, 4,  //
                      2, 4, 6, 8,  //
                      0, 1, 0, 1,  //
                      0, 0, 0, 1);
    EXPECT_EQ(flat.Det(), 0.0f);
    ExpectSameElements(flat.Inverse(), flat);

    // Determinant 1e-9: invertible in exact arithmetic, but below the limit.
    const Matrix tiny = T(1, 2, 3) * S(1e-3f, 1e-3f, 1e-3f);
    EXPECT_GT(tiny.Det(), 0.0f);
    ExpectSameElements(tiny.Inverse(), tiny);
}

TEST(Matrix, ScaleRemovalAndLocalCoordinates) {
    const Matrix rot = Rz(25) * Rx(-60);
    const Matrix m = T(4, 5, 6) * rot * S(2, 3, 4);

    ExpectNear(m.GetScale(), 2, 3, 4);
    Matrix unscaled = m;
    unscaled.Desescala();
    ExpectMatrixNear(unscaled, T(4, 5, 6) * rot);

    // Directions turn with the rotation alone.
    const Vector dir(1, -2, 0.5f);
    const Vector turned = rot * dir;
    ExpectNear(TransformaEje(m, dir), turned.x, turned.y, turned.z);

    // Frame coordinates ignore scale: the local point (1, 2, 3) lies at (2, 6, 12) along the
    // unit axes.
    ExpectNear(m.GetComp(m * Vector(1, 2, 3)), 2, 6, 12, 2e-5f);
}

TEST(Matrix, EulerAnglesInDegreesForEveryAxisMode) {
    for (int mode = 1; mode <= 3; ++mode) ExpectNear(Rx(30).GetEuler(mode), 30, 0, 0, 1e-4f);

    const Matrix combined = Rz(40) * Ry(-25) * Rx(70);
    const Vector e1 = combined.GetEuler(1);
    ExpectNear(e1, 70, -25, 40, 1e-4f);
    for (int mode = 2; mode <= 3; ++mode) ExpectNear(combined.GetEuler(mode), e1.x, e1.y, e1.z, 0);

    for (int mode : {0, 4, -1}) ExpectNear(combined.GetEuler(mode), 0, 0, 0, 0);

    // Looking straight along y, x and z coincide: all of the turn is reported about x.
    ExpectNear((Ry(90) * Rx(30)).GetEuler(1), 30, 90, 0, 1e-3f);
}

TEST(InterpolateMatrix, EndsReproduceTheInputs) {
    const Matrix rotations[] = {
        Rz(35) * Rx(10),  // positive trace
        Rx(180),          // largest diagonal: x
        Ry(160),          // largest diagonal: y
        Rz(170),          // largest diagonal: z
        Matrix().MatrixAroundAxis(Vector(0.267261f, 0.534522f, 0.801784f), Rad(200)),
    };
    const Matrix other = T(-1, 0, 9) * Ry(20) * S(1, 1, 3);
    for (const Matrix& r : rotations) {
        const Matrix a = T(1, 2, 3) * r * S(2, 0.5f, 1.5f);
        Matrix out;
        InterpolateMatrix(a, other, &out, 0.0f);
        ExpectMatrixNear(out, a);
        out = Matrix();
        InterpolateMatrix(other, a, &out, 1.0f);
        ExpectMatrixNear(out, a);
    }
}

TEST(InterpolateMatrix, HalfwayBlendsWithoutRenormalising) {
    const Matrix a = S(1, 1, 1);
    const Matrix b = T(10, -4, 2) * Rz(90) * S(1, 1, 3);
    Matrix out;
    InterpolateMatrix(a, b, &out, 0.5f);

    // The quaternions (0,0,0,1) and (0,0,-sin 45°,cos 45°) average to one of length² 0.85.
    // Read back without renormalising, that is a rotation by 38.8° (not 45°) in the same
    // sense as b, shrunk uniformly to 0.963 in the plane of the turn.
    const double w = (1 + std::cos(kPi / 4)) / 2, z = -std::sin(kPi / 4) / 2;
    const double c = 1 - 2 * z * z, s = -2 * w * z;
    EXPECT_NEAR(At(out, 0, 0), c, 1e-6);
    EXPECT_NEAR(At(out, 1, 0), s, 1e-6);
    EXPECT_NEAR(At(out, 0, 1), -s, 1e-6);
    EXPECT_NEAR(At(out, 1, 1), c, 1e-6);
    EXPECT_NEAR(out.GetScale().x, 0.9626924f, 1e-6f);

    Matrix turn = out;
    turn.Desescala();
    EXPECT_NEAR(turn.GetEuler(1).z, 38.82495f, 1e-4f);

    // Scales and translations blend linearly.
    EXPECT_NEAR(At(out, 2, 2), 2.0f, 1e-6f);
    ExpectNear(out.GetTranslation(), 5, -2, 1, 1e-6f);
    EXPECT_EQ(At(out, 3, 3), 1.0f);
}

TEST(MinDist, MeasuresToTheNearestPointOfTheSegment) {
    // Before the a end, past the b end, beside the middle; a point segment (0/0) takes the a
    // end instead of spreading NaN. The double version walks the same cases along z.
    const Vector a(0, 0, 0), b(10, 0, 0), point(1, 1, 1);
    const struct {
        Vector p, a, b;
        float dist;
        Vector nearest;
    } cases[] = {{{-3, 4, 0}, a, b, 5, {0, 0, 0}},
                 {{13, 0, -4}, a, b, 5, {10, 0, 0}},
                 {{4, 3, 0}, a, b, 3, {4, 0, 0}},
                 {{1, 4, 5}, point, point, 5, {1, 1, 1}}};
    for (const auto& c : cases) {
        Vector nearest(-99, -99, -99);
        EXPECT_FLOAT_EQ(minDist(c.p, c.a, c.b, &nearest), c.dist);
        EXPECT_FLOAT_EQ(minDist(c.p, c.a, c.b), c.dist);
        ExpectNear(nearest, c.nearest.x, c.nearest.y, c.nearest.z, 0);
        const DVector da(c.a.z, c.a.y, c.a.x), db(c.b.z, c.b.y, c.b.x);
        DVector dn(-99, -99, -99);
        EXPECT_DOUBLE_EQ(D_minDist(DVector(c.p.z, c.p.y, c.p.x), da, db, &dn), c.dist);
        EXPECT_EQ(dn.z, c.nearest.x);
        EXPECT_FALSE(std::isnan(dn.y));
    }
}

}  // namespace
