#include "math/matrix.h"

#include <cmath>

namespace {

float& At(Matrix& a, int r, int c) {
    return a.m[4 * c + r];
}
float At(const Matrix& a, int r, int c) {
    return a.m[4 * c + r];
}

float F(double v) {
    return static_cast<float>(v);
}

struct D3 {
    double x, y, z;
};

// a · (b × c), the determinant of the 3×3 with rows a, b, c.
double Triple(const D3& a, const D3& b, const D3& c) {
    return a.x * (b.y * c.z - b.z * c.y) + a.y * (b.z * c.x - b.x * c.z) +
           a.z * (b.x * c.y - b.y * c.x);
}

// Determinant of the 3×3 left when row `row` and column `col` are struck out.
double Minor(const Matrix& a, int row, int col) {
    D3 rows[3];
    int n = 0;
    for (int r = 0; r < 4; ++r) {
        if (r == row) continue;
        double v[3];
        int k = 0;
        for (int c = 0; c < 4; ++c)
            if (c != col) v[k++] = At(a, r, c);
        rows[n++] = {v[0], v[1], v[2]};
    }
    return Triple(rows[0], rows[1], rows[2]);
}

// 16 · the single-precision epsilon: below this cos(y) the x and z axes coincide.
constexpr double kGimbalLimit = 1.9073486328125e-6;
constexpr double kDegrees = 57.29578;

struct Quat {
    double x, y, z, w;
};

// Trace method. The component signs describe the transpose of r; FromQuat reads them back
// the same way, so a rotation survives the round trip unchanged.
Quat ToQuat(const Matrix& r) {
    double R[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] = At(r, i, j);

    double q[3];
    double w;
    const double trace = R[0][0] + R[1][1] + R[2][2];
    if (trace > 0.0) {
        double s = std::sqrt(trace + 1.0);
        w = s / 2.0;
        s = 0.5 / s;
        q[0] = (R[1][2] - R[2][1]) * s;
        q[1] = (R[2][0] - R[0][2]) * s;
        q[2] = (R[0][1] - R[1][0]) * s;
    } else {
        // Build from the largest diagonal element, where the square root is well away from 0.
        static constexpr int kNext[3] = {1, 2, 0};
        int i = 0;
        if (R[1][1] > R[0][0]) i = 1;
        if (R[2][2] > R[i][i]) i = 2;
        const int j = kNext[i];
        const int k = kNext[j];
        double s = std::sqrt(R[i][i] - (R[j][j] + R[k][k]) + 1.0);
        q[i] = s / 2.0;
        if (s != 0.0) s = 0.5 / s;
        w = (R[j][k] - R[k][j]) * s;
        q[j] = (R[i][j] + R[j][i]) * s;
        q[k] = (R[i][k] + R[k][i]) * s;
    }
    return {q[0], q[1], q[2], w};
}

// Writes only the upper-left 3×3.
void FromQuat(const Quat& q, Matrix* out) {
    const double x = q.x, y = q.y, z = q.z, w = q.w;
    At(*out, 0, 0) = F(1.0 - 2.0 * (y * y + z * z));
    At(*out, 1, 0) = F(2.0 * (x * y - w * z));
    At(*out, 2, 0) = F(2.0 * (x * z + w * y));
    At(*out, 0, 1) = F(2.0 * (x * y + w * z));
    At(*out, 1, 1) = F(1.0 - 2.0 * (x * x + z * z));
    At(*out, 2, 1) = F(2.0 * (y * z - w * x));
    At(*out, 0, 2) = F(2.0 * (x * z - w * y));
    At(*out, 1, 2) = F(2.0 * (y * z + w * x));
    At(*out, 2, 2) = F(1.0 - 2.0 * (x * x + y * y));
}

}  // namespace

Matrix::Matrix() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

Matrix::Matrix(float a1, float a2, float a3, float a4, float a5, float a6, float a7, float a8,
               float a9, float a10, float a11, float a12, float a13, float a14, float a15,
               float a16)
    : m{a1, a5, a9, a13, a2, a6, a10, a14, a3, a7, a11, a15, a4, a8, a12, a16} {}

Matrix Matrix::MatrixIdentity() {
    *this = Matrix();
    return *this;
}

void Matrix::SetZero() {
    for (float& e : m) e = 0.0f;
}

void Matrix::SetTranslation(const Vector& v) {
    m[12] = v.x;
    m[13] = v.y;
    m[14] = v.z;
}

void Matrix::AddTranslation(const Vector& v) {
    m[12] += v.x;
    m[13] += v.y;
    m[14] += v.z;
}

void Matrix::SetNoTranslation() {
    SetTranslation(Vector());
}

Vector Matrix::GetTranslation() const {
    return Vector(m[12], m[13], m[14]);
}

Matrix Matrix::MatrixTranslation(const Vector& v) {
    MatrixIdentity();
    SetTranslation(v);
    return *this;
}

void Matrix::SetScale(const Vector& v) {
    m[0] = v.x;
    m[5] = v.y;
    m[10] = v.z;
}

Matrix Matrix::MatrixScale(const Vector& v) {
    SetZero();
    SetScale(v);
    m[15] = 1.0f;
    return *this;
}

void Matrix::SetNoScale() {
    SetScale(Vector());
}

Matrix Matrix::MatrixRotationX(float a) {
    const float c = F(std::cos(double(a))), s = F(std::sin(double(a)));
    *this = Matrix(1, 0, 0, 0,   //
                   0, c, -s, 0,  //
                   0, s, c, 0,   //
                   0, 0, 0, 1);
    return *this;
}

Matrix Matrix::MatrixRotationY(float a) {
    const float c = F(std::cos(double(a))), s = F(std::sin(double(a)));
    *this = Matrix(c, 0, s, 0,   //
                   0, 1, 0, 0,   //
                   -s, 0, c, 0,  //
                   0, 0, 0, 1);
    return *this;
}

Matrix Matrix::MatrixRotationZ(float a) {
    const float c = F(std::cos(double(a))), s = F(std::sin(double(a)));
    *this = Matrix(c, -s, 0, 0,  //
                   s, c, 0, 0,   //
                   0, 0, 1, 0,   //
                   0, 0, 0, 1);
    return *this;
}

Matrix Matrix::MatrixAroundAxis(const Vector& u, float a) {
    const double c = std::cos(double(a)), s = std::sin(double(a)), t = 1.0 - c;
    const double x = u.x, y = u.y, z = u.z;
    *this = Matrix(F(x * x * t + c), F(x * y * t + s * z), F(x * z * t - s * y), 0,  //
                   F(x * y * t - s * z), F(y * y * t + c), F(y * z * t + s * x), 0,  //
                   F(x * z * t + s * y), F(y * z * t - s * x), F(z * z * t + c), 0,  //
                   0, 0, 0, 1);
    return *this;
}

Matrix Matrix::operator*(const Matrix& b) const {
    Matrix r;
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += double(At(*this, row, k)) * At(b, k, col);
            At(r, row, col) = F(sum);
        }
    }
    return r;
}

Matrix Matrix::operator*(float s) const {
    Matrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] * s;
    return r;
}

Matrix Matrix::operator+(const Matrix& b) const {
    Matrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] + b.m[i];
    return r;
}

Matrix Matrix::operator-(const Matrix& b) const {
    Matrix r;
    for (int i = 0; i < 16; ++i) r.m[i] = m[i] - b.m[i];
    return r;
}

Vector Matrix::operator*(const Vector& v) const {
    double out[3];
    for (int row = 0; row < 3; ++row) {
        out[row] = double(At(*this, row, 0)) * v.x + double(At(*this, row, 1)) * v.y +
                   double(At(*this, row, 2)) * v.z + At(*this, row, 3);
    }
    return Vector(F(out[0]), F(out[1]), F(out[2]));
}

Vector Matrix::GetScale() const {
    float len[3];
    for (int c = 0; c < 3; ++c) {
        const double x = At(*this, 0, c), y = At(*this, 1, c), z = At(*this, 2, c);
        len[c] = F(std::sqrt(x * x + y * y + z * z));
    }
    return Vector(len[0], len[1], len[2]);
}

void Matrix::Desescala() {
    for (int c = 0; c < 3; ++c) {
        const double x = At(*this, 0, c), y = At(*this, 1, c), z = At(*this, 2, c);
        const double len = std::sqrt(x * x + y * y + z * z);
        // A collapsed axis has no direction to keep; leave its zeros rather than make NaNs.
        if (len == 0.0) continue;
        for (int r = 0; r < 3; ++r) At(*this, r, c) = F(At(*this, r, c) / len);
    }
}

float Matrix::Det() const {
    double det = 0.0;
    for (int c = 0; c < 4; ++c) {
        const double cofactor = (c % 2 == 0 ? 1.0 : -1.0) * Minor(*this, 0, c);
        det += At(*this, 0, c) * cofactor;
    }
    return F(det);
}

Matrix Matrix::Adjoint() const {
    Matrix r;
    for (int row = 0; row < 4; ++row)
        for (int col = 0; col < 4; ++col)
            At(r, row, col) = F(((row + col) % 2 == 0 ? 1.0 : -1.0) * Minor(*this, col, row));
    return r;
}

Matrix Matrix::Inverse() const {
    const float det = Det();
    if (std::fabs(det) < 1e-8f) return *this;
    Matrix r = Adjoint();
    for (float& e : r.m) e /= det;
    return r;
}

Vector Matrix::GetComp(const Vector& p) const {
    Vector axis[3];
    for (int c = 0; c < 3; ++c) {
        axis[c] = Vector(At(*this, 0, c), At(*this, 1, c), At(*this, 2, c));
        axis[c].Normaliza();
    }
    const Vector d = p - GetTranslation();
    return Vector(d * axis[0], d * axis[1], d * axis[2]);
}

Vector Matrix::GetEuler(int mode) const {
    // Every host axis mode uses the same static x-y-z decomposition.
    if (mode < 1 || mode > 3) return Vector();
    double R[3][3];
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) R[i][j] = At(*this, i, j);

    const double cy = std::sqrt(R[0][0] * R[0][0] + R[1][0] * R[1][0]);
    double x, y, z;
    if (cy > kGimbalLimit) {
        x = std::atan2(R[2][1], R[2][2]);
        y = std::atan2(-R[2][0], cy);
        z = std::atan2(R[1][0], R[0][0]);
    } else {
        x = std::atan2(-R[1][2], R[1][1]);
        y = std::atan2(-R[2][0], cy);
        z = 0.0;
    }
    return Vector(F(x * kDegrees), F(y * kDegrees), F(z * kDegrees));
}

DMatrix::DMatrix() : m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1} {}

DMatrix::DMatrix(double a1, double a2, double a3, double a4, double a5, double a6, double a7,
                 double a8, double a9, double a10, double a11, double a12, double a13, double a14,
                 double a15, double a16)
    : m{a1, a5, a9, a13, a2, a6, a10, a14, a3, a7, a11, a15, a4, a8, a12, a16} {}

Vector TransformaEje(Matrix m, Vector v) {
    m.Desescala();
    return m * v - m.GetTranslation();
}

void InterpolateMatrix(Matrix a, Matrix b, Matrix* out, float t) {
    if (!out) return;
    const Vector sa = a.GetScale(), sb = b.GetScale();
    a.Desescala();
    b.Desescala();
    const Quat qa = ToQuat(a), qb = ToQuat(b);

    // A plain blend: no renormalisation and no alignment of the two signs.
    const double u = 1.0 - t;
    const Quat q = {u * qa.x + t * qb.x, u * qa.y + t * qb.y, u * qa.z + t * qb.z,
                    u * qa.w + t * qb.w};
    FromQuat(q, out);

    Matrix scale;
    scale.MatrixScale(
        Vector(F(u * sa.x + t * sb.x), F(u * sa.y + t * sb.y), F(u * sa.z + t * sb.z)));
    *out = *out * scale;

    const Vector ta = a.GetTranslation(), tb = b.GetTranslation();
    out->SetTranslation(
        Vector(F(u * ta.x + t * tb.x), F(u * ta.y + t * tb.y), F(u * ta.z + t * tb.z)));
}

float minDist(Vector p, Vector a, Vector b, Vector* nearest) {
    const Vector d = b - a;
    float u = ((p - a) * d) / d.CuadModulo();
    // Written so that 0/0 from a zero-length segment also takes the a end.
    if (!(u >= 0.0f))
        u = 0.0f;
    else if (u > 1.0f)
        u = 1.0f;
    const Vector q = a + d * u;
    if (nearest) *nearest = q;
    return (p - q).Modulo();
}

double D_minDist(DVector p, DVector a, DVector b, DVector* nearest) {
    const DVector d = b - a;
    double u = ((p - a) * d) / d.CuadModulo();
    if (!(u >= 0.0))
        u = 0.0;
    else if (u > 1.0)
        u = 1.0;
    const DVector q = a + d * u;
    if (nearest) *nearest = q;
    return (p - q).Modulo();
}
