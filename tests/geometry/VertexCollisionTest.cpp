#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <iomanip>
#include <iostream>
#include <string>

#include "geometry/Triangle.h"
#include "support/CornerScene.h"
#include "support/FloatBits.h"
#include "support/StreamCapture.h"

// The vertex test: the ball's swept sphere against one point, and the root
// it writes for every real solution.

namespace {

struct VertexCase {
    const char* name;
    Tuple start;
    Tuple end;
    Tuple vert;
    float radius;
    float expected;  // compared bit for bit
    // With the sign of every NaN dropped.
    const char* transcript;
};

class VertexCollision : public testing::TestWithParam<VertexCase> {};

TEST_P(VertexCollision, ReturnsTheParameterAndWritesTheRoot) {
    const VertexCase& c = GetParam();
    Triangle triangle = floorTriangle();
    Path path(c.start, c.end);

    float result;
    std::string transcript;
    {
        ScopedOutputCapture capture;
        result = triangle.collideVertex(path, c.vert, c.radius);
        transcript = capture.text();
    }

    EXPECT_EQ(bitsOf(result), bitsOf(c.expected)) << result << " vs " << c.expected;
    EXPECT_EQ(withUnsignedNaNs(transcript), c.transcript);
    expectSameBits(path.start, c.start, "start");
    expectSameBits(path.end, c.end, "end");
}

const Tuple origin(0, 0, 0);

INSTANTIATE_TEST_SUITE_P(
    Table, VertexCollision,
    testing::Values(
        // a = 4, b = -12, c = 6.75: roots 0.75 and 2.25.
        VertexCase{"ContactAtThreeQuarters", Tuple(0, 3, 0), Tuple(0, 1, 0), origin, 1.5f, 0.75f,
                   "0.75\n"},
        VertexCase{"RootExactlyOneIsWrittenButOutside", Tuple(0, 3, 0), Tuple(0, 1, 0), origin,
                   1.0f, 2.0f, "1\n"},
        VertexCase{"NoRealRootWritesNothing", Tuple(0, 3, 0), Tuple(0, 1, 0), Tuple(5, 0, 0), 1.0f,
                   2.0f, ""},
        // The same approach to a point away from the origin, along each axis.
        VertexCase{"ContactAlongY", Tuple(4, 8, 6), Tuple(4, 6, 6), Tuple(4, 5, 6), 1.5f, 0.75f,
                   "0.75\n"},
        VertexCase{"ContactAlongX", Tuple(-2, 2, 3), Tuple(0, 2, 3), Tuple(1, 2, 3), 1.5f, 0.75f,
                   "0.75\n"},
        VertexCase{"ContactAlongZ", Tuple(1, 2, 6), Tuple(1, 2, 4), Tuple(1, 2, 3), 1.5f, 0.75f,
                   "0.75\n"},
        // a = 9, b = -18, c = 5: root 1/3, written with six significant digits.
        VertexCase{"RootIsWrittenWithSixDigits", Tuple(0, 3, 0), Tuple(0, 0, 0), origin, 2.0f,
                   1.0f / 3.0f, "0.333333\n"},
        // a = b = 0: the root is the NaN of 0/0, written as such.
        VertexCase{"ZeroLengthPath", Tuple(1, 2, 3), Tuple(1, 2, 3), origin, 0.5f, 2.0f, "nan\n"},
        VertexCase{"ZeroLengthPathOverlappingThePoint", Tuple(0, 0.25f, 0), Tuple(0, 0.25f, 0),
                   origin, 0.5f, 2.0f, "nan\n"},
        // Starting inside the sphere around the point: c < 0, root -0.5.
        VertexCase{"OverlapAtTheStartIsNotAContact", Tuple(0, 1, 0), Tuple(0, 0, 0), origin, 1.5f,
                   2.0f, "-0.5\n"},
        VertexCase{"RootExactlyZeroIsAContactAtTheStart", Tuple(0, 1, 0), Tuple(0, 0, 0), origin,
                   1.0f, 0.0f, "0\n"},
        // Passing the point at exactly the radius: b^2 - 4ac = 0.
        VertexCase{"DoubleRootInRange", Tuple(-1, 1, 0), Tuple(1, 1, 0), origin, 1.0f, 0.5f,
                   "0.5\n"},
        VertexCase{"DoubleRootOutsideIsWrittenToo", Tuple(-3, 1, 0), Tuple(-1, 1, 0), origin, 1.0f,
                   2.0f, "1.5\n"},
        // Both roots negative: the smaller one, -3, is written.
        VertexCase{"MovingAway", Tuple(0, 2, 0), Tuple(0, 3, 0), origin, 1.0f, 2.0f, "-3\n"},
        // Only the square of the radius is used.
        VertexCase{"NegativeRadiusContact", Tuple(0, 3, 0), Tuple(0, 1, 0), origin, -1.5f, 0.75f,
                   "0.75\n"},
        VertexCase{"NegativeRadiusOverlap", Tuple(0, 1, 0), Tuple(0, 0, 0), origin, -1.5f, 2.0f,
                   "-0.5\n"}),
    [](const testing::TestParamInfo<VertexCase>& info) { return info.param.name; });

TEST(VertexCollisionTest, LeavesThePointUnchanged) {
    Triangle triangle = floorTriangle();
    Path path(Tuple(0, 3, 0), Tuple(0, 1, 0));
    const Tuple vert(-0.0f, 0, 0);
    ScopedOutputCapture capture;
    EXPECT_EQ(triangle.collideVertex(path, vert, 1.5f), 0.75f);
    expectSameBits(vert, Tuple(-0.0f, 0, 0), "vert");
}

TEST(VertexCollisionTest, UsesNoneOfTheTrianglesOwnCorners) {
    // The triangle's corner v1 sits on the path; only vert counts.
    Triangle triangle(Tuple(0, 2, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), 0, 0, 0);
    Path path(Tuple(0, 3, 0), Tuple(0, 1, 0));
    ScopedOutputCapture capture;
    EXPECT_EQ(triangle.collideVertex(path, Tuple(0, 0, 0), 1.5f), 0.75f);
    EXPECT_EQ(capture.text(), "0.75\n");
}

// Restores std::cout's format when a test is done with it.
class CoutFormatGuard {
public:
    CoutFormatGuard() : flags(std::cout.flags()), precision(std::cout.precision()) {}
    ~CoutFormatGuard() {
        std::cout.flags(flags);
        std::cout.precision(precision);
    }
    CoutFormatGuard(const CoutFormatGuard&) = delete;
    CoutFormatGuard& operator=(const CoutFormatGuard&) = delete;

private:
    std::ios_base::fmtflags flags;
    std::streamsize precision;
};

TEST(VertexCollisionTest, RootIgnoresAndKeepsTheCallersStreamFormat) {
    CoutFormatGuard guard;
    Triangle triangle = floorTriangle();
    Path path(Tuple(0, 3, 0), Tuple(0, 0, 0));
    ScopedOutputCapture capture;
    std::cout << std::fixed << std::showpos << std::setprecision(2);
    const std::ios_base::fmtflags callerFlags = std::cout.flags();

    EXPECT_EQ(triangle.collideVertex(path, Tuple(0, 0, 0), 2.0f), 1.0f / 3.0f);
    EXPECT_EQ(capture.text(), "0.333333\n");
    EXPECT_EQ(std::cout.flags(), callerFlags);
    EXPECT_EQ(std::cout.precision(), 2);
}

}  // namespace
