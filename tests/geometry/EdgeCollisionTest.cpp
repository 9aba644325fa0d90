#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <iostream>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/Triangle.h"
#include "support/CornerScene.h"
#include "support/FloatBits.h"
#include "support/StreamCapture.h"

// The edge test: the ball's swept sphere against the segment of the x axis
// from 0 to edgeEnd.x, with the diagnostic lines it writes for the outcomes
// without contact.

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();
const float belowZero = -std::numeric_limits<float>::denorm_min();

struct EdgeCase {
    const char* name;
    Tuple start;
    Tuple end;
    float radius;
    Tuple edgeEnd;
    Tuple vel;
    float expected;  // compared bit for bit; NaN means "some NaN"
    const char* transcript;
};

class EdgeCollision : public testing::TestWithParam<EdgeCase> {};

TEST_P(EdgeCollision, ReturnsTheParameterAndWritesTheTranscript) {
    const EdgeCase& c = GetParam();
    Triangle triangle = floorTriangle();
    Path path(c.start, c.end);
    Tuple edgeEnd = c.edgeEnd;
    Tuple vel = c.vel;

    float result;
    std::string transcript;
    {
        ScopedOutputCapture capture;
        result = triangle.collideEdges(path, c.radius, edgeEnd, vel);
        transcript = capture.text();
    }

    if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(result)) << result;
    } else {
        EXPECT_EQ(bitsOf(result), bitsOf(c.expected)) << result << " vs " << c.expected;
    }
    EXPECT_EQ(transcript, c.transcript);

    // Only read, never written.
    expectSameBits(path.start, c.start, "start");
    expectSameBits(path.end, c.end, "end");
    expectSameBits(edgeEnd, c.edgeEnd, "edgeEnd");
    expectSameBits(vel, c.vel, "vel");
}

const Tuple fromAxis7(7, 0, 0);
const Tuple down2(0, -2, 0);
const Tuple down1(0, -1, 0);

// Most rows drop the ball straight down onto the x axis; the roots are exact
// in float so the results can be compared exactly.
INSTANTIATE_TEST_SUITE_P(
    Table, EdgeCollision,
    testing::Values(
        // a = 4, b = -8, c = 3.75: roots 0.75 and 1.25, contact centre (3, 0.5, 0).
        EdgeCase{"ContactAtThreeQuarters", Tuple(3, 2, 0), Tuple(3, 0, 0), 0.5f, fromAxis7, down2,
                 0.75f, ""},
        EdgeCase{"ContactBeyondAShortEdgeIsSilent", Tuple(3, 2, 0), Tuple(3, 0, 0), 0.5f,
                 Tuple(2, 0, 0), down2, 2.0f, ""},
        // Roots 1.5 and 2.5: the first touch lies after the step.
        EdgeCase{"RootAfterTheStep", Tuple(3, 2, 0), Tuple(3, 1, 0), 0.5f, fromAxis7, down1, 2.0f,
                 "3\nRoot: 1.5\n"},
        // The root 1.33333337 is written with six significant digits.
        EdgeCase{"RootIsWrittenWithSixDigits", Tuple(3, 2, 0), Tuple(3, 0.875f, 0), 0.5f, fromAxis7,
                 down1, 2.0f, "3\nRoot: 1.33333\n"},
        // Only vel decides "no motion across the axis", even when touching.
        EdgeCase{"BallAtRestTouchingTheEdge", Tuple(3, 0.5f, 0), Tuple(3, 0.5f, 0), 0.5f, fromAxis7,
                 Tuple(0, 0, 0), 2.0f, "1\n"},
        EdgeCase{"MotionAlongTheAxisWithNegativeZeros", Tuple(1, 0.25f, 0), Tuple(4, 0.25f, 0),
                 0.5f, fromAxis7, Tuple(5, -0.0f, -0.0f), 2.0f, "1\n"},
        // vel says "at rest", the path says otherwise: vel wins.
        EdgeCase{"ZeroVelocityHidesARealContact", Tuple(3, 2, 0), Tuple(3, 0, 0), 0.5f, fromAxis7,
                 Tuple(9, 0, 0), 2.0f, "1\n"},
        // The line x = 3, z = 1 passes the axis at distance 1 > 0.5.
        EdgeCase{"NoRealRoot", Tuple(3, 2, 1), Tuple(3, 0, 1), 0.5f, fromAxis7, down2, 2.0f, "2\n"},
        // Starting inside the cylinder: c < 0, the smaller root is -0.25.
        EdgeCase{"OverlapAtTheStartIsNotAContact", Tuple(3, 0.25f, 0), Tuple(3, -0.75f, 0), 0.5f,
                 fromAxis7, down1, 2.0f, "3\nRoot: -0.25\n"},
        EdgeCase{"NegativeRootOfMinusPointTwo", Tuple(3, 0.3f, 0), Tuple(3, -0.7f, 0), 0.5f,
                 fromAxis7, down1, 2.0f, "3\nRoot: -0.2\n"},
        EdgeCase{"RootExactlyZeroIsAContactAtTheStart", Tuple(3, 0.5f, 0), Tuple(3, -0.5f, 0), 0.5f,
                 fromAxis7, down1, 0.0f, ""},
        EdgeCase{"RootExactlyOneIsOutsideTheStep", Tuple(3, 1.5f, 0), Tuple(3, 0.5f, 0), 0.5f,
                 fromAxis7, down1, 2.0f, "3\nRoot: 1\n"},
        // The line z = 0.5 grazes the cylinder: b^2 - 4ac = 0, double root 0.5.
        EdgeCase{"DoubleRootInRange", Tuple(3, 1, 0.5f), Tuple(3, -1, 0.5f), 0.5f, fromAxis7, down2,
                 0.5f, ""},
        EdgeCase{"DoubleRootAtOneIsOutside", Tuple(3, 2, 0.5f), Tuple(3, 0, 0.5f), 0.5f, fromAxis7,
                 down2, 2.0f, "3\nRoot: 1\n"},
        // Motion along z alone is motion across the axis too.
        EdgeCase{"MotionAlongZ", Tuple(3, 0, 2), Tuple(3, 0, 0), 0.5f, fromAxis7, Tuple(0, 0, -2),
                 0.75f, ""},
        // Both ends of the segment count.
        EdgeCase{"ContactCentreAtXZero", Tuple(0, 2, 0), Tuple(0, 0, 0), 0.5f, fromAxis7, down2,
                 0.75f, ""},
        EdgeCase{"ContactCentreAtXNegativeZero", Tuple(-0.0f, 2, 0), Tuple(-0.0f, 0, 0), 0.5f,
                 fromAxis7, down2, 0.75f, ""},
        EdgeCase{"ContactCentreAtEdgeEnd", Tuple(7, 2, 0), Tuple(7, 0, 0), 0.5f, fromAxis7, down2,
                 0.75f, ""},
        EdgeCase{"ContactCentreOneUlpBeyondEdgeEnd", Tuple(7.0000005f, 2, 0),
                 Tuple(7.0000005f, 0, 0), 0.5f, fromAxis7, down2, 2.0f, ""},
        EdgeCase{"ContactCentreJustBelowZero", Tuple(belowZero, 2, 0), Tuple(belowZero, 0, 0), 0.5f,
                 fromAxis7, down2, 2.0f, ""},
        // The x of the contact centre decides, not the start's or the end's:
        // -1 + 4 * 0.75 = 2 is on the edge, 6 + 4 * 0.75 = 9 is not.
        EdgeCase{"SlopedPathEntersOverTheEdge", Tuple(-1, 2, 0), Tuple(3, 0, 0), 0.5f, fromAxis7,
                 Tuple(4, -2, 0), 0.75f, ""},
        EdgeCase{"SlopedPathLeavesTheEdgeBeforeContact", Tuple(6, 2, 0), Tuple(10, 0, 0), 0.5f,
                 fromAxis7, Tuple(4, -2, 0), 2.0f, ""},
        // An edge with negative x covers no point: 0 > -1, and -0.5 < 0.
        EdgeCase{"NegativeEdgeEndAtXZero", Tuple(0, 2, 0), Tuple(0, 0, 0), 0.5f, Tuple(-1, 0, 0),
                 down2, 2.0f, ""},
        EdgeCase{"NegativeEdgeEndAtXBetween", Tuple(-0.5f, 2, 0), Tuple(-0.5f, 0, 0), 0.5f,
                 Tuple(-1, 0, 0), down2, 2.0f, ""},
        // The y and z of edgeEnd play no part.
        EdgeCase{"OnlyEdgeEndXIsRead", Tuple(3, 2, 0), Tuple(3, 0, 0), 0.5f, Tuple(7, 50, -50),
                 down2, 0.75f, ""},
        // No y or z extent while vel has some: a = b = 0, the root is NaN,
        // returned as it is and without a line.
        EdgeCase{"PathWithoutCrossMotionGivesSilentNaN", Tuple(1, 2, 3), Tuple(5, 2, 3), 0.5f,
                 fromAxis7, Tuple(0, 1, 0), nan, ""},
        EdgeCase{"ZeroLengthPathGivesSilentNaN", Tuple(1, 0.25f, 0), Tuple(1, 0.25f, 0), 0.5f,
                 fromAxis7, Tuple(0, 0, 3), nan, ""},
        // Only the square of the radius is used.
        EdgeCase{"NegativeRadiusContact", Tuple(3, 2, 0), Tuple(3, 0, 0), -0.5f, fromAxis7, down2,
                 0.75f, ""},
        EdgeCase{"NegativeRadiusRootAfterTheStep", Tuple(3, 2, 0), Tuple(3, 1, 0), -0.5f, fromAxis7,
                 down1, 2.0f, "3\nRoot: 1.5\n"}),
    [](const testing::TestParamInfo<EdgeCase>& info) { return info.param.name; });

// A buffer that remembers how much text it held at every flush.
class FlushRecorder : public std::stringbuf {
public:
    std::vector<std::string> flushedTexts;

protected:
    int sync() override {
        flushedTexts.push_back(str());
        return std::stringbuf::sync();
    }
};

class CoutRedirect {
public:
    explicit CoutRedirect(std::streambuf* buffer) : previous(std::cout.rdbuf(buffer)) {}
    ~CoutRedirect() { std::cout.rdbuf(previous); }
    CoutRedirect(const CoutRedirect&) = delete;
    CoutRedirect& operator=(const CoutRedirect&) = delete;

private:
    std::streambuf* previous;
};

TEST(EdgeCollisionTest, EveryDiagnosticLineIsFlushedOnItsOwn) {
    Triangle triangle = floorTriangle();
    Path path(Tuple(3, 2, 0), Tuple(3, 1, 0));
    Tuple edgeEnd(7, 0, 0);
    Tuple vel(0, -1, 0);
    FlushRecorder recorder;
    {
        CoutRedirect redirect(&recorder);
        EXPECT_EQ(triangle.collideEdges(path, 0.5f, edgeEnd, vel), 2.0f);
    }
    EXPECT_EQ(recorder.flushedTexts, (std::vector<std::string>{"3\n", "3\nRoot: 1.5\n"}));
}

TEST(EdgeCollisionTest, UsesNoneOfTheTrianglesOwnCorners) {
    // The same question against two very different triangles.
    Triangle floor = floorTriangle();
    Triangle elsewhere(Tuple(-5, 9, 1), Tuple(1, 1, 1), Tuple(2, -3, 8), 0, 0, 0);
    Path path(Tuple(3, 2, 0), Tuple(3, 0, 0));
    Tuple edgeEnd(7, 0, 0);
    Tuple vel(0, -2, 0);
    EXPECT_EQ(floor.collideEdges(path, 0.5f, edgeEnd, vel), 0.75f);
    EXPECT_EQ(elsewhere.collideEdges(path, 0.5f, edgeEnd, vel), 0.75f);
}

}  // namespace
