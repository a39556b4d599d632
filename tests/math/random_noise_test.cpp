#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <thread>

#include "math/noise.h"
#include "math/random.h"

namespace {

// An independent model of the generator, for expected values.
struct Sequence {
    std::uint32_t state;
    int Next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

// The state whose next draw is `output`: runs one step of the generator backwards.
unsigned StateBefore(int output) {
    std::uint32_t inverse = 214013u;  // Newton's iteration for 214013⁻¹ mod 2³²
    for (int i = 0; i < 5; ++i) inverse *= 2u - 214013u * inverse;
    const std::uint32_t after = static_cast<std::uint32_t>(output) << 16;
    return (after - 2531011u) * inverse;
}

TEST(Random, EveryThreadStartsTheSequenceAfresh) {
    RandomSeed(1);
    EXPECT_EQ(RandomNext(), 41);

    int drawn[3] = {};
    std::thread([&] {
        for (int& d : drawn) d = RandomNext();
    }).join();
    EXPECT_EQ((std::vector<int>(drawn, drawn + 3)), (std::vector<int>{41, 18467, 6334}));

    // The other thread's draws did not advance this one.
    EXPECT_EQ(RandomNext(), 18467);
}

TEST(Random, UnitValuesReachBothEndsExactly) {
    RandomSeed(StateBefore(32767));
    EXPECT_EQ(DameRandom(), 1.0f);
    RandomSeed(StateBefore(0));
    EXPECT_EQ(DameRandom(), 0.0f);
    RandomSeed(StateBefore(32767));
    EXPECT_EQ(DameRandom11(), 1.0f);
    RandomSeed(StateBefore(0));
    EXPECT_EQ(DameRandom11(), -1.0f);

    RandomSeed(StateBefore(16384));
    EXPECT_NEAR(DameRandom11(), 0.0f, 1e-4f);

    RandomSeed(1);
    EXPECT_EQ(DameRandom(), 41 * 3.0518509e-05f);
}

TEST(Redondea, HalvesGoUpAndNegativesFollowTheTwoStepRule) {
    const double cases[][2] = {
        {2.5, 3},  {2.4999, 2}, {0.0, 0},   {0.5, 1},  {7.0, 7},
        {-1.7, 0}, {-1.5, 0},   {-1.2, -1}, {-0.4, 0}, {-3.0, -3},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Redondea(c[0]), static_cast<int>(c[1])) << c[0];
        EXPECT_EQ(Redondea(static_cast<float>(c[0])), static_cast<int>(c[1])) << c[0];
    }

    // 0.99999994 + 1 rounds to 2 in single precision; the sum must be formed wider.
    EXPECT_EQ(Redondea(0.99999994f), 1);

    // Out of the int range: saturated, not undefined.
    EXPECT_EQ(Redondea(1e10), INT_MAX);
    EXPECT_EQ(Redondea(-1e10f), INT_MIN);
    EXPECT_EQ(Redondea(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(Noise3, IsZeroAtEveryLatticePoint) {
    for (int x = -3; x <= 3; x += 2)
        for (int y = -258; y <= 258; y += 129)
            for (int z : {-1, 0, 1, 1000})
                EXPECT_EQ(Noise3(Vector(x, y, z)), 0.0f) << x << " " << y << " " << z;
}

TEST(Noise3, RepeatsEvery256UnitsAlongEachAxis) {
    // Fractions exact in float, so p + 256 has the same offsets inside its cell.
    const Vector points[] = {{0.25f, -0.75f, 1.375f}, {-7.5f, 3.125f, -0.0625f}};
    for (const Vector& p : points) {
        const float value = Noise3(p);
        EXPECT_NE(value, 0.0f);
        for (int axis = 0; axis < 3; ++axis) {
            for (float shift : {256.0f, -256.0f, 512.0f}) {
                Vector q = p;
                q[axis] += shift;
                EXPECT_EQ(Noise3(q), value) << "axis " << axis << " shift " << shift;
            }
        }
    }
}

// The gradient table entry i, as filled from the generator seeded with 665.
Vector TableGradient(int i) {
    Sequence s{665};
    for (int k = 0; k < 2 * i; ++k) s.Next();
    const float u1 = s.Next() * 3.0518509e-05f, u2 = s.Next() * 3.0518509e-05f;
    const double z = 1.0 - 2.0 * u1, rho = std::sqrt(1.0 - z * z);
    const double theta = 6.2831855 * u2;
    return Vector(rho * std::cos(theta), rho * std::sin(theta), z);
}

TEST(Noise3, SlopeAtALatticePointIsThatPointsGradient) {
    // Lattice points and their table entries, hashed by hand through the permutation table.
    struct Case {
        Vector point;
        int entry;
    };
    const Case cases[] = {
        {{0, 0, 0}, 218}, {{1, 0, 0}, 170}, {{0, 0, 1}, 158}, {{0, 1, 0}, 140}, {{-3, 2, -1}, 147}};
    const float h = 1.0f / 16384;  // exact offsets from small integers
    for (const Case& c : cases) {
        const Vector g = TableGradient(c.entry);
        Vector slope;
        for (int axis = 0; axis < 3; ++axis) {
            Vector ahead = c.point, behind = c.point;
            ahead[axis] += h;
            behind[axis] -= h;
            slope[axis] = (Noise3(ahead) - Noise3(behind)) / (2 * h);
        }
        EXPECT_NEAR(slope.x, g.x, 1e-3f) << c.entry;
        EXPECT_NEAR(slope.y, g.y, 1e-3f) << c.entry;
        EXPECT_NEAR(slope.z, g.z, 1e-3f) << c.entry;
    }
}

TEST(Noise3, VectorNoiseSamplesAtFixedOffsets) {
    const Vector p(0.3f, -1.6f, 12.2f);
    const Vector v = VNoise3(p);
    EXPECT_EQ(v.x, Noise3(p));
    EXPECT_EQ(v.y, Noise3(p + Vector(2, 2, 2)));
    EXPECT_EQ(v.z, Noise3(p + Vector(5, 5, 5)));
    EXPECT_NE(v.x, v.y);
}

// Needs a process where noise has not been used yet, hence a fresh child process.
TEST(NoiseDeathTest, FirstCallFillsTheTableFromSeed665InTheCallingThread) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Sequence after_fill{665};
    for (int i = 0; i < 512; ++i) after_fill.Next();
    const int expected = after_fill.Next();

    EXPECT_EXIT(
        {
            RandomSeed(1);
            Noise3(Vector(0.5f, 0.5f, 0.5f));
            const bool continues_from_fill = RandomNext() == expected;
            int other = -1;
            std::thread([&] {
                Noise3(Vector(0.1f, 0.2f, 0.3f));  // already filled: no reseed here
                other = RandomNext();
            }).join();
            std::exit(continues_from_fill && other == 41 ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
