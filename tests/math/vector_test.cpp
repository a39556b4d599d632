#include "math/vector.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/message_box.h"

namespace {

void ExpectVec(const Vector& v, float x, float y, float z) {
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

TEST(Vector, ComponentsAndArithmetic) {
    Vector v;
    v.Set(1, 2, 3);  // the int form
    v[1] = 7.5f;
    ExpectVec(v, 1, 7.5f, 3);
    // Compo answers 0 outside 0..2 instead of reading past the components.
    EXPECT_EQ((std::vector<float>{v.Compo(1), v.Compo(3), v.Compo(-1)}), (std::vector<float>{7.5f, 0, 0}));
    const DVector d(4.0, 5.0, 6.0);
    EXPECT_EQ((std::vector<double>{d.Compo(2), d.Compo(3), d.Compo(-1)}), (std::vector<double>{6, 0, 0}));

    const Vector a(1, 2, 3), b(4, -5, 6);
    ExpectVec(a + b * 2.0f - (-a), 10, -6, 18);
    EXPECT_EQ(a * b, 12.0f);
    Vector c = a;
    c *= -0.5f;
    ExpectVec(c, -0.5f, -1.0f, -1.5f);
    EXPECT_EQ(DVector(1, 2, 3) * DVector(4, -5, 6), 12.0);
}

// Division multiplies by one reciprocal; 5/3 and 5·(1/3) differ in the last bit, and
// scenes saved with the reciprocal form must replay identically.
TEST(Vector, DivisionMultipliesByTheReciprocal) {
    const float r = 1.0f / 3.0f;
    ASSERT_NE(5.0f / 3.0f, 5.0f * r);

    const Vector v(5, 5, 5);
    EXPECT_EQ((v / 3.0f).x, 5.0f * r);
    Vector w = v;
    w /= 3.0f;
    EXPECT_EQ(w.z, 5.0f * r);

    const double dr = 1.0 / 3.0;
    ASSERT_NE(5.0 / 3.0, 5.0 * dr);
    EXPECT_EQ((DVector(5, 5, 5) / 3.0).y, 5.0 * dr);
    DVector dw(5, 5, 5);
    dw /= 3.0;
    EXPECT_EQ(dw.x, 5.0 * dr);
}

TEST(Vector, CrossProductIsBTimesA) {
    ExpectVec(Vector(1, 0, 0) ^ Vector(0, 1, 0), 0, 0, -1);
    ExpectVec(Vector(0, 1, 0) ^ Vector(0, 0, 1), -1, 0, 0);

    const Vector a(1, 2, 3), b(-2, 0.5f, 4);
    ExpectVec(a ^ b, -6.5f, 10, -4.5f);
    ExpectVec(b ^ a, 6.5f, -10, 4.5f);

    // Nearly parallel: 1 - (1 + e)(1 - e) = e² survives only if the products are not rounded
    // to float before the difference.
    const float e = 1.0f / 8192;
    EXPECT_EQ((Vector(1 + e, 1, 0) ^ Vector(1, 1 - e, 0)).z, e * e);

    const DVector dc = DVector(1, 0, 0) ^ DVector(0, 1, 0);
    EXPECT_EQ(dc.z, -1.0);
    EXPECT_EQ(dc.x, 0.0);
}

TEST(Vector, LengthsAreFormedInDouble) {
    EXPECT_EQ(Vector(3, 4, 12).Modulo(), 13.0f);
    EXPECT_EQ(Vector(3, 4, 12).CuadModulo(), 169.0f);
    EXPECT_EQ(DVector(2, 3, 6).Modulo(), 7.0);

    // Squares of these overflow single precision; the length must not.
    Vector big(3e20f, 4e20f, 0);
    EXPECT_FLOAT_EQ(big.Modulo(), 5e20f);
    big.Normaliza();
    EXPECT_FLOAT_EQ(big.x, 0.6f);
    EXPECT_FLOAT_EQ(big.y, 0.8f);
}

// Below a length of 1e-8 there is no direction to keep: the vector becomes zero.
TEST(Vector, NormalizaZeroesVectorsWithoutDirection) {
    const struct {
        Vector in, out;
    } cases[] = {{{0, 0, 0}, {0, 0, 0}}, {{5e-9f, -5e-9f, 0}, {0, 0, 0}}, {{0, 2e-8f, 0}, {0, 1, 0}},
                 {{0, 3, -4}, {0, 0.6f, -0.8f}}};
    for (const auto& c : cases) {
        Vector v = c.in;
        v.Normaliza();
        EXPECT_FLOAT_EQ(v.y, c.out.y) << c.in.y;
        EXPECT_FLOAT_EQ(v.z, c.out.z) << c.in.y;
        EXPECT_EQ(v.x, 0.0f);
    }
    for (double len : {1e-9, 2e-8}) {
        DVector d(len, 0, 0);
        d.Normaliza();
        EXPECT_EQ(d.x, len > 1e-8 ? 1.0 : 0.0) << len;
    }
}

struct ShownBox {
    std::string text, title;
    int icon = -1, buttons = -1;
};
ShownBox g_shown;

int CaptureBox(const char* text, const char* title, int icon, int buttons) {
    g_shown = {text, title, icon, buttons};
    return platform::kAnswerOk;
}

TEST(Vector, PrintShowsLabelAndComponentsInAWarningBox) {
    platform::SetMessageBoxHandler(CaptureBox);
    Vector(1, -2.5f, 3).Print("Gravity");
    const ShownBox single = g_shown;
    DVector(0.125, 0, -7).Print("Centre");
    platform::SetMessageBoxHandler(nullptr);

    EXPECT_EQ(single.text, "Gravity (1.000000 -2.500000 3.000000)");
    EXPECT_EQ(single.title, "Undaline");
    EXPECT_EQ((std::vector<int>{single.icon, single.buttons}),
              (std::vector<int>{platform::kIconExclamation, platform::kButtonsOk}));
    EXPECT_EQ(g_shown.text, "Centre (0.125000 0.000000 -7.000000)");
}

}  // namespace
