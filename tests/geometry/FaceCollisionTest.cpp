#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "geometry/Triangle.h"
#include "support/CornerScene.h"
#include "support/FloatBits.h"
#include "support/StreamCapture.h"

// The face test: the sphere coming down onto the plane y = 0, with the
// triangle read as if it were in its standard position.

namespace {

const float nan = std::numeric_limits<float>::quiet_NaN();
const float tiny = std::numeric_limits<float>::denorm_min();

struct FaceCase {
    const char* name;
    Tuple v2;
    Tuple v3;
    Tuple start;
    Tuple end;
    double radius;
    float expected;  // compared bit for bit: -0 and 0 differ; NaN means "some NaN"
};

class FaceCollision : public testing::TestWithParam<FaceCase> {};

TEST_P(FaceCollision, ReturnsTheParameterSilently) {
    const FaceCase& c = GetParam();
    Triangle triangle(Tuple(0, 0, 0), c.v2, c.v3, 0.9, 0, 0);
    Path path(c.start, c.end);

    float result;
    {
        ScopedOutputCapture capture;
        result = triangle.collideFace(path, c.radius);
        EXPECT_EQ(capture.text(), "");
    }
    if (std::isnan(c.expected)) {
        EXPECT_TRUE(std::isnan(result)) << result;
    } else {
        EXPECT_EQ(bitsOf(result), bitsOf(c.expected)) << result << " vs " << c.expected;
    }
    expectSameBits(path.start, c.start, "start");
    expectSameBits(path.end, c.end, "end");
}

const Tuple floorV2(0, 0, 7);
const Tuple floorV3(7, 0, 0);

// The floor of the scene, radius 0.5: a drop from height 2 to 0 touches the
// plane at t = 0.75 with the contact point straight below the start.
INSTANTIATE_TEST_SUITE_P(
    Floor, FaceCollision,
    testing::Values(
        FaceCase{"DropOntoTheInside", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, 0, 1), 0.5, 0.75f},
        FaceCase{"BeyondTheFarEdge", floorV2, floorV3, Tuple(5, 2, 5), Tuple(5, 0, 5), 0.5, 2.0f},
        FaceCase{"TouchExactlyAtTheEndIsOne", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, 0.5f, 1),
                 0.5, 1.0f},
        FaceCase{"TouchAfterTheStep", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, 1, 1), 0.5, 2.0f},
        FaceCase{"StartBelowTheTouchingHeight", floorV2, floorV3, Tuple(1, 0.4f, 1), Tuple(1, 0, 1),
                 0.5, 2.0f},
        FaceCase{"Horizontal", floorV2, floorV3, Tuple(1, 2, 1), Tuple(3, 2, 1), 0.5, 2.0f},
        FaceCase{"HorizontalAtTheTouchingHeight", floorV2, floorV3, Tuple(1, 0.5f, 1),
                 Tuple(3, 0.5f, 1), 0.5, 2.0f},
        // Points exactly on an edge are outside.
        FaceCase{"OnEdgeV1V2", floorV2, floorV3, Tuple(0, 2, 1), Tuple(0, 0, 1), 0.5, 2.0f},
        FaceCase{"OnEdgeV1V3", floorV2, floorV3, Tuple(1, 2, 0), Tuple(1, 0, 0), 0.5, 2.0f},
        FaceCase{"OnEdgeV2V3", floorV2, floorV3, Tuple(3.5f, 2, 3.5f), Tuple(3.5f, 0, 3.5f), 0.5,
                 2.0f},
        FaceCase{"OnCornerV1", floorV2, floorV3, Tuple(0, 2, 0), Tuple(0, 0, 0), 0.5, 2.0f},
        // The smallest step inside each edge is inside.
        FaceCase{"JustInsideEdgeV1V2", floorV2, floorV3, Tuple(tiny, 2, 1), Tuple(tiny, 0, 1), 0.5,
                 0.75f},
        FaceCase{"JustInsideEdgeV1V3", floorV2, floorV3, Tuple(1, 2, tiny), Tuple(1, 0, tiny), 0.5,
                 0.75f},
        FaceCase{"JustInsideEdgeV2V3", floorV2, floorV3, Tuple(3.4999998f, 2, 3.5f),
                 Tuple(3.4999998f, 0, 3.5f), 0.5, 0.75f},
        // The contact point at t decides: the start lies on an edge and the
        // end beyond the far edge, the contact (3, 0, 3) inside.
        FaceCase{"SlopedPathUsesTheContactPoint", floorV2, floorV3, Tuple(0, 2, 0), Tuple(4, 0, 4),
                 0.5, 0.75f},
        FaceCase{"SlopedPathContactBeyondTheFarEdge", floorV2, floorV3, Tuple(2, 2, 2),
                 Tuple(6, 0, 6), 0.5, 2.0f},
        // (rho - sy) / (ey - sy) at the touching height: 0 / 1.5 and 0 / -0.5.
        // Either way the direction of travel is not examined.
        FaceCase{"StartAtTouchingHeightMovingUpIsPlusZero", floorV2, floorV3, Tuple(1, 0.5f, 1),
                 Tuple(1, 2, 1), 0.5, 0.0f},
        FaceCase{"StartAtTouchingHeightMovingDownIsMinusZero", floorV2, floorV3, Tuple(1, 0.5f, 1),
                 Tuple(1, 0, 1), 0.5, -0.0f},
        // Moving up from higher up: t = (0.5 - 2) / 1 is negative.
        FaceCase{"MovingUpFromAbove", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, 3, 1), 0.5, 2.0f},
        // The radius is narrowed to float first: a start at 0.1f is exactly at
        // the touching height (in double it would lie above it and give t < 0).
        FaceCase{"RadiusIsNarrowedBeforeUse", floorV2, floorV3, Tuple(1, 0.1f, 1), Tuple(1, 0, 1),
                 0.1, -0.0f},
        FaceCase{"ZeroRadiusTouchesAtThePlane", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, -2, 1),
                 0.0, 0.5f},
        // A NaN height passes every ordered comparison: t is NaN and comes
        // back as it is (the dispatcher never takes it as a contact).
        FaceCase{"NaNStartHeightGivesNaN", floorV2, floorV3, Tuple(1, nan, 1), Tuple(1, 0, 1), 0.5,
                 nan},
        FaceCase{"NaNRadiusGivesNaN", floorV2, floorV3, Tuple(1, 2, 1), Tuple(1, 0, 1), nan, nan},
        FaceCase{"InfiniteRadiusIsAboveEveryStart", floorV2, floorV3, Tuple(1, 2, 1),
                 Tuple(1, 0, 1), std::numeric_limits<double>::infinity(), 2.0f}),
    [](const testing::TestParamInfo<FaceCase>& info) { return info.param.name; });

// Triangles other than the floor: the edge lines are read from v2 and v3.
INSTANTIATE_TEST_SUITE_P(
    OtherTriangles, FaceCollision,
    testing::Values(
        // v2 (2, 0, 6): the line v1-v2 is x / 2 = z / 6; the line v2-v3 is
        // x = -5 z / 6 + 7, that is x = 4.5 at z = 3.
        FaceCase{"InsideASlantedTriangle", Tuple(2, 0, 6), floorV3, Tuple(1.5f, 2, 3),
                 Tuple(1.5f, 0, 3), 0.5, 0.75f},
        FaceCase{"OnTheSlantedEdgeV1V2", Tuple(2, 0, 6), floorV3, Tuple(1, 2, 3), Tuple(1, 0, 3),
                 0.5, 2.0f},
        FaceCase{"BeyondTheSlantedEdgeV1V2", Tuple(2, 0, 6), floorV3, Tuple(0.5f, 2, 3),
                 Tuple(0.5f, 0, 3), 0.5, 2.0f},
        FaceCase{"OnTheSlantedEdgeV2V3", Tuple(2, 0, 6), floorV3, Tuple(4.5f, 2, 3),
                 Tuple(4.5f, 0, 3), 0.5, 2.0f},
        FaceCase{"JustInsideTheSlantedEdgeV2V3", Tuple(2, 0, 6), floorV3, Tuple(4.4999995f, 2, 3),
                 Tuple(4.4999995f, 0, 3), 0.5, 0.75f},
        // v2 (-2, 0, 6): dividing by the negative v2.x turns the v1-v2 test
        // round, so the face admits the side of that edge away from v3 (at
        // z = 3, x < -1) and rejects the triangle itself. The test for
        // px <= 0 applies to a v2 on the z axis only.
        FaceCase{"NegativeV2XAdmitsTheFarSideOfEdgeV1V2", Tuple(-2, 0, 6), floorV3,
                 Tuple(-1.5f, 2, 3), Tuple(-1.5f, 0, 3), 0.5, 0.75f},
        FaceCase{"OnlyV2AndV3XAndZAreRead", Tuple(2, 40, 6), Tuple(7, -40, 0), Tuple(1.5f, 2, 3),
                 Tuple(1.5f, 0, 3), 0.5, 0.75f},
        // A NaN quotient never rejects: with v2.x NaN both edge lines through
        // v2 give NaN and only the x axis is left to reject.
        FaceCase{"NaNQuotientsDoNotReject", Tuple(nan, 0, 7), floorV3, Tuple(1, 2, 1),
                 Tuple(1, 0, 1), 0.5, 0.75f},
        FaceCase{"NaNQuotientsStillLeaveTheXAxis", Tuple(nan, 0, 7), floorV3, Tuple(1, 2, -1),
                 Tuple(1, 0, -1), 0.5, 2.0f},
        // v2.z = v3.z = 2: the v2-v3 line gives (pz - 2) * -6 / 0, which is
        // 0/0 at pz = 2 (no rejection), +inf below it and -inf above it.
        FaceCase{"ZeroOverZeroOnTheFarLineDoesNotReject", Tuple(1, 0, 2), Tuple(7, 0, 2),
                 Tuple(3, 2, 2), Tuple(3, 0, 2), 0.5, 0.75f},
        FaceCase{"PlusInfinityOnTheFarLineDoesNotReject", Tuple(1, 0, 2), Tuple(7, 0, 2),
                 Tuple(3, 2, 1.5f), Tuple(3, 0, 1.5f), 0.5, 0.75f},
        FaceCase{"MinusInfinityOnTheFarLineRejects", Tuple(1, 0, 2), Tuple(7, 0, 2),
                 Tuple(3, 2, 2.5f), Tuple(3, 0, 2.5f), 0.5, 2.0f}),
    [](const testing::TestParamInfo<FaceCase>& info) { return info.param.name; });

// Drops straight down onto every point of a quarter-unit grid (and a few
// special x and z) and checks which ones the face admits.
std::vector<float> gridCoordinates() {
    std::vector<float> values{-0.0f, tiny, -tiny, 6.9999995f, 7.0000005f};
    for (int quarter = -36; quarter <= 36; ++quarter) {
        values.push_back(static_cast<float>(quarter) * 0.25f);
    }
    return values;
}

TEST(FaceCollisionTest, FloorAdmitsExactlyTheOpenTriangle) {
    Triangle floor = floorTriangle();
    const std::vector<float> grid = gridCoordinates();
    for (float x : grid) {
        for (float z : grid) {
            Path path(Tuple(x, 2, z), Tuple(x, 0, z));
            // On the grid, x < 7 - z is exact in float.
            const bool inside = x > 0 && z > 0 && x < (7 - z);
            EXPECT_EQ(floor.collideFace(path, 0.5), inside ? 0.75f : 2.0f) << x << ", " << z;
        }
    }
}

TEST(FaceCollisionTest, WallsNeverStopTheBallThroughTheirFace) {
    // v2 lies on the y axis: the line v1-v2 has no x or z extent, and every
    // finite contact point is rejected by one of the edge lines.
    Triangle wallX(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0, 0.9, 0);
    Triangle wallZ(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7), 0, 0, 0.9);
    const std::vector<float> grid = gridCoordinates();
    for (Triangle* wall : {&wallX, &wallZ}) {
        for (float x : grid) {
            for (float z : grid) {
                Path down(Tuple(x, 2, z), Tuple(x, 0, z));
                Path sloped(Tuple(x - 1, 2, z + 1), Tuple(x + 1, -2, z - 1));
                EXPECT_EQ(wall->collideFace(down, 0.5), 2.0f) << x << ", " << z;
                EXPECT_EQ(wall->collideFace(sloped, 0.5), 2.0f) << x << ", " << z;
            }
        }
    }
}

TEST(FaceCollisionTest, LeavesTheTriangleUnchanged) {
    Triangle floor = floorTriangle();
    Path path(Tuple(1, 2, 1), Tuple(1, 0, 1));
    ASSERT_EQ(floor.collideFace(path, 0.5), 0.75f);
    expectSameBits(floor.getV1(), Tuple(0, 0, 0), "v1");
    expectSameBits(floor.getV2(), Tuple(0, 0, 7), "v2");
    expectSameBits(floor.getV3(), Tuple(7, 0, 0), "v3");
}

}  // namespace
