#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <stdexcept>
#include <string>

#include "geometry/Triangle.h"

namespace {

constexpr double pi = 3.14159265358979323846;

std::array<float, 16> bufferOf(const Triangle& t) {
    std::array<float, 16> values{};
    std::copy(t.getMatrix(), t.getMatrix() + 16, values.begin());
    return values;
}

std::array<float, 16> identityWith(std::initializer_list<std::pair<int, float>> entries) {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (const auto& [index, value] : entries) {
        m[index] = value;
    }
    return m;
}

// The rotation about +x by `degrees` (degrees as the float the code passes
// on), with sine and cosine taken in double and rounded.
std::array<float, 16> rotationAboutX(double degrees) {
    const float c = static_cast<float>(std::cos(degrees * pi / 180.0));
    const float s = static_cast<float>(std::sin(degrees * pi / 180.0));
    return identityWith({{5, c}, {6, s}, {9, -s}, {10, c}});
}

Triangle make(Tuple v1, Tuple v2, Tuple v3) { return Triangle(v1, v2, v3, 0.9, 0.0, 0.0); }

struct ExactCase {
    const char* name;
    Tuple v1, v2, v3;
    std::array<float, 16> expected;
};

class StandardizeExact : public testing::TestWithParam<ExactCase> {};

TEST_P(StandardizeExact, StoresTheExpectedMatrix) {
    const ExactCase& c = GetParam();
    const Triangle t = make(c.v1, c.v2, c.v3);
    t.standardize();
    EXPECT_EQ(bufferOf(t), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StandardizeExact,
    testing::Values(
        // Already in standard position.
        ExactCase{"floor", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), identityWith({})},
        // The same, moved by (1, 2, 3): only the translation back.
        ExactCase{"movedFloor", Tuple(1, 2, 3), Tuple(1, 2, 10), Tuple(8, 2, 3),
                  identityWith({{12, -1}, {13, -2}, {14, -3}})},
        // v2 straight up: a right angle about +x, converted to 90.000076
        // degrees by the float constant, not 90.
        ExactCase{"wall", Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0),
                  rotationAboutX(90.00007629394531)},
        // A length that normalises to 0.99999994 rather than 1 along x still
        // takes the axis-aligned branch instead of a NaN axis.
        ExactCase{"nearlyUnitAlongX", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(6.9486747f, 0, 0),
                  identityWith({})},
        // Tilted off x by less than the float squares can see: the cross
        // product with x is not zero, but its length is.
        ExactCase{"tiltTooSmallToMeasure", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 1e-22f, 0),
                  identityWith({})}),
    [](const testing::TestParamInfo<ExactCase>& info) { return std::string(info.param.name); });

TEST(StandardizeTest, ConvertedRightAngleLeavesV2JustOffThePlane) {
    const Triangle wall = make(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0));
    wall.standardize();
    const Tuple v2 = wall.getV2().matrixMultiply(wall.getMatrix());
    EXPECT_NEAR(v2.y, -0.0000093, 0.0000005);
    EXPECT_NEAR(v2.z, 7.0, 1e-5);
}

struct PlacementCase {
    const char* name;
    Tuple v1, v2, v3;
};

class StandardizePlacement : public testing::TestWithParam<PlacementCase> {};

// v1 goes to the origin, v3 onto +x and v2 into y = 0 at positive z (up to
// the rounding of the converted angles).
TEST_P(StandardizePlacement, CarriesTheTriangleIntoStandardPosition) {
    const PlacementCase& c = GetParam();
    const Triangle t = make(c.v1, c.v2, c.v3);
    t.standardize();
    const float* m = t.getMatrix();
    const Tuple p1 = c.v1.matrixMultiply(m);
    const Tuple p2 = c.v2.matrixMultiply(m);
    const Tuple p3 = c.v3.matrixMultiply(m);
    const float scale = (c.v3 - c.v1).length() + (c.v2 - c.v1).length();
    const float tolerance = 2e-5f * scale;
    EXPECT_NEAR(p1.length(), 0.0f, tolerance);
    EXPECT_GT(p3.x, 0.0f);
    EXPECT_NEAR(p3.y, 0.0f, tolerance);
    EXPECT_NEAR(p3.z, 0.0f, tolerance);
    EXPECT_NEAR(p2.y, 0.0f, tolerance);
    EXPECT_GT(p2.z, 0.0f);
}

INSTANTIATE_TEST_SUITE_P(
    Table, StandardizePlacement,
    testing::Values(
        // v3 - v1 along -x: a straight 180 about +y, then v2 (turned to -z)
        // comes back by the converted straight angle 180.00015.
        PlacementCase{"alongMinusX", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(-7, 0, 0)},
        PlacementCase{"nearlyUnitAlongMinusX", Tuple(0, 0, 0), Tuple(0, 0, 7),
                      Tuple(-6.9486747f, 0, 0)},
        // After the first rotation v2 has negative y: the second rotation
        // turns about -x.
        PlacementCase{"negativeYAfterFirstRotation", Tuple(0, 0, 0), Tuple(0, -7, 0),
                      Tuple(7, 0, 0)},
        PlacementCase{"sideWall", Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7)},
        PlacementCase{"tilted", Tuple(1, -2, 0.5f), Tuple(-3, 4, 2), Tuple(2, 2, -6)}),
    [](const testing::TestParamInfo<PlacementCase>& info) { return std::string(info.param.name); });

TEST(StandardizeTest, AlongMinusXUsesTheLiteralStraightAngleThenTheConvertedOne) {
    const Triangle t = make(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(-7, 0, 0));
    t.standardize();
    // R2 (180.00015 about x) * R1 (exactly 180 about y, whose sine is
    // exactly 0): the converted angle's sine shows, the literal one's not.
    const float c2 = static_cast<float>(std::cos(180.00015258789062 * pi / 180.0));
    const float s2 = static_cast<float>(std::sin(180.00015258789062 * pi / 180.0));
    const float* m = t.getMatrix();
    EXPECT_EQ(m[0], -1.0f);
    EXPECT_EQ(m[5], c2);
    EXPECT_EQ(m[6], s2);
    for (const int zero : {1, 2, 8}) {
        EXPECT_EQ(m[zero], 0.0f) << zero;
    }
}

TEST(StandardizeTest, LeavesCornersAndColourAlone) {
    const Triangle t(Tuple(1, -2, 0.5f), Tuple(-3, 4, 2), Tuple(2, 2, -6), 0.25, 0.5, 0.75);
    t.standardize();
    EXPECT_EQ(t.getV1(), Tuple(1, -2, 0.5f));
    EXPECT_EQ(t.getV2(), Tuple(-3, 4, 2));
    EXPECT_EQ(t.getV3(), Tuple(2, 2, -6));
    EXPECT_EQ(t.getRed(), 0.25);
    EXPECT_EQ(t.getGreen(), 0.5);
    EXPECT_EQ(t.getBlue(), 0.75);
}

struct DegenerateCase {
    const char* name;
    Tuple v1, v2, v3;
    const char* reason;
};

class StandardizeDegenerate : public testing::TestWithParam<DegenerateCase> {};

TEST_P(StandardizeDegenerate, ThrowsAndKeepsTheBuffer) {
    const DegenerateCase& c = GetParam();
    Triangle t = make(Tuple(1, 2, 3), Tuple(1, 2, 10), Tuple(8, 2, 3));
    t.standardize();
    const std::array<float, 16> before = bufferOf(t);
    t.setV1(c.v1);
    t.setV2(c.v2);
    t.setV3(c.v3);
    try {
        t.standardize();
        FAIL() << "no exception";
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
    }
    EXPECT_EQ(bufferOf(t), before);
}

const float inf = std::numeric_limits<float>::infinity();
const float nan = std::numeric_limits<float>::quiet_NaN();
const char* const big = "too large for single precision";

INSTANTIATE_TEST_SUITE_P(
    Table, StandardizeDegenerate,
    testing::Values(
        DegenerateCase{"v3OnV1", Tuple(1, 1, 1), Tuple(0, 5, 0), Tuple(1, 1, 1), "v3 coincides"},
        DegenerateCase{"allOnePoint", Tuple(0, 0, 0), Tuple(0, 0, 0), Tuple(0, 0, 0),
                       "v3 coincides"},
        DegenerateCase{"v2OnV1", Tuple(0, 0, 0), Tuple(0, 0, 0), Tuple(7, 0, 0), "line through"},
        DegenerateCase{"v2BeyondV3OnTheLine", Tuple(0, 0, 0), Tuple(14, 0, 0), Tuple(7, 0, 0),
                       "line through"},
        DegenerateCase{"nanCorner", Tuple(0, 0, 0), Tuple(nan, 0, 7), Tuple(7, 0, 0), "finite"},
        DegenerateCase{"infiniteCorner", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(inf, 0, 0),
                       "finite"},
        // Squares that overflow or vanish in single precision.
        DegenerateCase{"hugeAlongX", Tuple(0, 0, 0), Tuple(0, 0, 1e20f), Tuple(1e20f, 0, 0), big},
        DegenerateCase{"hugeAlongMinusX", Tuple(0, 0, 0), Tuple(0, 0, 1e20f), Tuple(-1e20f, 0, 0),
                       big},
        DegenerateCase{"hugeV3AlongZ", Tuple(0, 0, 0), Tuple(1e20f, 0, 0), Tuple(0, 0, 1e20f), big},
        DegenerateCase{"hugeP", Tuple(0, 0, 0), Tuple(0, 2e19f, 2e19f), Tuple(7, 0, 0), big},
        DegenerateCase{"tinyOffsetOfV3", Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(1e-30f, 0, 0),
                       "v3 is too close to v1"},
        DegenerateCase{"tinyOffsetOfV2", Tuple(0, 0, 0), Tuple(0, 1e-30f, 0), Tuple(7, 0, 0),
                       "too close to the line"}),
    [](const testing::TestParamInfo<DegenerateCase>& info) {
        return std::string(info.param.name);
    });

TEST(StandardizeTest, CollinearOnlyInExactArithmeticKeepsItsFiniteMatrix) {
    // v3 - v1 along +y: the first rotation's converted angle is not exactly
    // 90 degrees, so v2 - v1, also along +y, keeps a tiny y and a second
    // rotation exists as the arithmetic sees it.
    const Triangle t = make(Tuple(0, 1, 0), Tuple(0, 3, 0), Tuple(0, 5, 0));
    ASSERT_NO_THROW(t.standardize());
    const std::array<float, 16> m = bufferOf(t);
    EXPECT_TRUE(std::all_of(m.begin(), m.end(), [](float v) { return std::isfinite(v); }));
}

TEST(StandardizeTest, RandomTrianglesGetAFiniteTransformOrAreRejected) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<float> coordinate(-50.0f, 50.0f);
    int placed = 0;
    for (int i = 0; i < 2000; ++i) {
        const Tuple v1(coordinate(random), coordinate(random), coordinate(random));
        const Tuple v2(coordinate(random), coordinate(random), coordinate(random));
        // Every fourth triangle is (nearly) collinear.
        const Tuple v3 = i % 4 == 0
                             ? v1 + (v2 - v1) * 0.5f
                             : Tuple(coordinate(random), coordinate(random), coordinate(random));
        const Triangle t = make(v1, v2, v3);
        try {
            t.standardize();
        } catch (const std::invalid_argument&) {
            continue;
        }
        const std::array<float, 16> m = bufferOf(t);
        ASSERT_TRUE(std::all_of(m.begin(), m.end(), [](float v) { return std::isfinite(v); })) << i;
        if (i % 4 != 0) {
            ++placed;
            const Tuple p3 = v3.matrixMultiply(m.data());
            const Tuple p2 = v2.matrixMultiply(m.data());
            EXPECT_NEAR(v1.matrixMultiply(m.data()).length(), 0.0f, 1e-3f) << i;
            EXPECT_GT(p3.x, 0.0f) << i;
            EXPECT_NEAR(p3.y, 0.0f, 1e-3f) << i;
            EXPECT_NEAR(p3.z, 0.0f, 1e-3f) << i;
            EXPECT_NEAR(p2.y, 0.0f, 2e-2f) << i;
            EXPECT_GE(p2.z, 0.0f) << i;
        }
    }
    EXPECT_GT(placed, 1400);
}

}  // namespace
