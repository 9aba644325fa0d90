#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "geometry/Triangle.h"
#include "support/FloatBits.h"
#include "support/StreamCapture.h"

// The dispatcher: the edge test, the corner tests for v1, v2, v3 and the face
// test on the path as it came in, then the cut at the earliest contact.

namespace {

struct Corners {
    Tuple v1, v2, v3;
};

const Corners floorCorners{Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0)};
const Corners wallXCorners{Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0)};
const Corners wallZCorners{Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7)};
// In standard position with an edge of length 4 along the x axis.
const Corners wideCorners{Tuple(0, 0, 0), Tuple(4, 0, 7), Tuple(7, 0, 0)};

const Tuple zero(0, 0, 0);

struct CollideCase {
    const char* name;
    Corners corners;
    Tuple start;
    Tuple end;
    Tuple vel;
    Tuple expectedEnd;  // bit for bit
    Tuple expectedVel;  // bit for bit: a stopped ball has +0 components
    // With the sign of every NaN dropped.
    const char* transcript;
};

class Collide : public testing::TestWithParam<CollideCase> {};

TEST_P(Collide, CutsThePathAtTheEarliestContact) {
    const CollideCase& c = GetParam();
    Triangle triangle(c.corners.v1, c.corners.v2, c.corners.v3, 0.25, 0.5, 0.75);
    Path path(c.start, c.end);
    Tuple vel = c.vel;

    std::string transcript;
    {
        ScopedOutputCapture capture;
        triangle.collide(path, 0.5, vel);
        transcript = capture.text();
    }

    EXPECT_EQ(withUnsignedNaNs(transcript), c.transcript);
    expectSameBits(path.start, c.start, "start");
    expectSameBits(path.end, c.expectedEnd, "end");
    expectSameBits(vel, c.expectedVel, "vel");
    expectSameBits(triangle.getV1(), c.corners.v1, "v1");
    expectSameBits(triangle.getV2(), c.corners.v2, "v2");
    expectSameBits(triangle.getV3(), c.corners.v3, "v3");
    EXPECT_EQ(triangle.getRed(), 0.25);
    EXPECT_EQ(triangle.getGreen(), 0.5);
    EXPECT_EQ(triangle.getBlue(), 0.75);
}

INSTANTIATE_TEST_SUITE_P(
    Table, Collide,
    testing::Values(
        // The face gives 0.75; the edge line is 1 away ("2"), the corners farther.
        CollideCase{"FloorFaceStopsTheBall", floorCorners, Tuple(1, 2, 1), Tuple(1, 0, 1),
                    Tuple(-3, -600, -0.0f), Tuple(1, 0.5f, 1), zero, "2\n"},
        // The face's exact 1.0 is not a contact: vel stays, the end is recomputed.
        CollideCase{"FaceTouchAtTheEndIsNoContact", floorCorners, Tuple(1, 2, 1), Tuple(1, 0.5f, 1),
                    Tuple(0, -450, 0), Tuple(1, 0.5f, 1), Tuple(0, -450, 0), "2\n"},
        // Without any contact the end is still start + 1 * (end - start):
        // 1e-8 - 1 rounds to -1, so the end moves from x = 1e-8 to x = 0.
        CollideCase{"EndIsRecomputedWithoutContact", floorCorners, Tuple(1, -100, -100),
                    Tuple(1e-8f, -100, -100), Tuple(5, 0, 0), Tuple(0, -100, -100), Tuple(5, 0, 0),
                    "1\n"},
        // The face gives +0 for a start at the touching height moving away:
        // the ball does not move in this step.
        CollideCase{"StartAtTouchingHeightMovingUpStaysAtTheStart", floorCorners, Tuple(1, 0.5f, 1),
                    Tuple(1, 2, 1), Tuple(0, 450, 0), Tuple(1, 0.5f, 1), zero, "2\n"},
        // Edge contact at 0.75 over x = 2 of the edge from 0 to 4; the face
        // rejects the contact point on the x axis.
        CollideCase{"EdgeStopsTheBall", wideCorners, Tuple(2, 2, 0), Tuple(2, 0, 0),
                    Tuple(0, -600, 0), Tuple(2, 0.5f, 0), zero, ""},
        // Edge at 0.375, then v1 at 0.411612: the later, larger contact does
        // not replace the earlier one.
        CollideCase{"EarlierEdgeContactWinsOverALaterCorner", wideCorners, Tuple(2, 2, 0),
                    Tuple(-2, -2, 0), Tuple(-1, -1, 0), Tuple(0.5f, 0.5f, 0), zero, "0.411612\n"},
        // v1 at 0.15, then v3 at 0.85.
        CollideCase{"EarlierCornerContactWinsOverALaterCorner", floorCorners, Tuple(-2, 0, 0),
                    Tuple(8, 0, 0), Tuple(1, 0, 0), Tuple(-0.5f, 0, 0), zero, "1\n0.15\n0.85\n"},
        // v1 at 0.736842, then v3, which the ball touches at the start: 0 wins.
        CollideCase{"LaterSmallerContactReplacesAndZeroKeepsTheBallInPlace", floorCorners,
                    Tuple(7.5f, 0, 0), Tuple(-2, 0, 0), Tuple(-1, 0, 0), Tuple(7.5f, 0, 0), zero,
                    "1\n0.736842\n0\n"},
        // Along the far edge from beyond v3 to beyond v2: the corners are
        // tested v1 (out of reach), v2 (0.849605), v3 (0.0718274), and the
        // ball stops 0.5 short of v3, at (7 + 0.5 / sqrt 2, 0, -0.5 / sqrt 2).
        CollideCase{"CornersAreTestedInOrderAndTheEarliestWins", floorCorners, Tuple(8, 0, -1),
                    Tuple(-1, 0, 8), Tuple(-900, 0, 900),
                    Tuple(fromBits(0x40eb504f), 0, fromBits(0xbeb504f2)), zero,
                    "0.849605\n0.0718274\n"},
        // Edge and v1 give the same root (the floor's edge ends at x = 0);
        // only the value matters. The end is 2 - 2 * 0.80000007.
        CollideCase{"EdgeAndCornerTie", floorCorners, Tuple(0, 2, -0.3f), Tuple(0, 0, -0.3f),
                    Tuple(0, -600, 0), Tuple(0, fromBits(0x3eccccc8), -0.3f), zero, "0.8\n"},
        // The edge test's NaN (no y or z motion, but vel.z != 0) is ignored
        // and v1's 0.75 still counts.
        CollideCase{"EdgeNaNIsIgnored", floorCorners, Tuple(-2, 0, 0), Tuple(0, 0, 0),
                    Tuple(0, 0, 1), Tuple(-0.5f, 0, 0), zero, "0.75\n4.25\n"},
        // Every test sees a zero-length path: the edge test's NaN and the
        // corners' NaN roots; no contact, vel kept.
        CollideCase{"ZeroLengthPathWithVelocity", floorCorners, Tuple(1, 2, 3), Tuple(1, 2, 3),
                    Tuple(0, 1, 0), Tuple(1, 2, 3), Tuple(0, 1, 0), "nan\nnan\nnan\n"},
        CollideCase{"BallAtRest", floorCorners, Tuple(5, 10, 0), Tuple(5, 10, 0), zero,
                    Tuple(5, 10, 0), zero, "1\nnan\nnan\nnan\n"},
        // A wall's face never stops the ball: it passes through the plane z = 0.
        CollideCase{"BallPassesThroughAWallsFace", wallXCorners, Tuple(2, 2, 2), Tuple(2, 2, -1),
                    Tuple(0, 0, -900), Tuple(2, 2, -1), Tuple(0, 0, -900), "2\n"},
        // ... but its corner v2 does, at 0.75; the edge and v1 roots (4.25)
        // are written on the way.
        CollideCase{"WallStopsTheBallAtItsTopCorner", wallXCorners, Tuple(0, 9, 0), Tuple(0, 7, 0),
                    Tuple(0, -600, 0), Tuple(0, 7.5f, 0), zero, "3\nRoot: 4.25\n4.25\n0.75\n"},
        CollideCase{"OtherWallStopsTheBallAtItsTopCorner", wallZCorners, Tuple(0, 9, 0),
                    Tuple(0, 7, 0), Tuple(0, -600, 0), Tuple(0, 7.5f, 0), zero,
                    "3\nRoot: 4.25\n4.25\n0.75\n"}),
    [](const testing::TestParamInfo<CollideCase>& info) { return info.param.name; });

TEST(CollideTest, SceneFloorShortensThePathThatTheWallsThenSee) {
    // The scene's triangles in array order, one path and one velocity passed
    // through all three, as one simulation step does.
    Triangle triangles[] = {Triangle(floorCorners.v1, floorCorners.v2, floorCorners.v3, 0.9, 0, 0),
                            Triangle(wallXCorners.v1, wallXCorners.v2, wallXCorners.v3, 0, 0.9, 0),
                            Triangle(wallZCorners.v1, wallZCorners.v2, wallZCorners.v3, 0, 0, 0.9)};
    Path path(Tuple(2, 1, 2), Tuple(2, 0, 2));
    Tuple vel(0, -300, 0);

    ScopedOutputCapture capture;
    triangles[0].collide(path, 0.5, vel);
    expectSameBits(path.end, Tuple(2, 0.5f, 2), "end after the floor");
    expectSameBits(vel, zero, "vel after the floor");
    for (int wall = 1; wall <= 2; ++wall) {
        triangles[wall].collide(path, 0.5, vel);
    }

    // Floor: the edge line is 2 away ("2"), face contact at 0.5. Walls: the
    // zero velocity makes their edge tests write "1"; their corners are out
    // of reach and their faces reject the point (2, 2).
    EXPECT_EQ(capture.text(), "2\n1\n1\n");
    expectSameBits(path.start, Tuple(2, 1, 2), "start");
    expectSameBits(path.end, Tuple(2, 0.5f, 2), "end");
    expectSameBits(vel, zero, "vel");
}

TEST(CollideTest, EveryTestSeesThePathAsItCameIn) {
    // v1 reaches the ball at 0.15 and v3 at 0.85 of the path as it came in.
    // Had the path been cut after v1, v3's root would have been written
    // relative to the shorter path.
    Triangle floor(floorCorners.v1, floorCorners.v2, floorCorners.v3, 0.9, 0, 0);
    Path path(Tuple(-2, 0, 0), Tuple(8, 0, 0));
    Tuple vel(600, 0, 0);
    ScopedOutputCapture capture;
    floor.collide(path, 0.5, vel);
    EXPECT_EQ(capture.text(), "1\n0.15\n0.85\n");
}

TEST(CollideTest, RadiusIsNarrowedForTheEdgeAndCornerTests) {
    // 0.5 + 2^-30 narrows to 0.5f. A ball starting 0.5 above v1 then touches
    // the edge and v1 right at the start (c = 0, root 0); with the wider
    // double radius it would already overlap them and get a negative root.
    Triangle floor(floorCorners.v1, floorCorners.v2, floorCorners.v3, 0.9, 0, 0);
    Path path(Tuple(0, 0.5f, 0), Tuple(0, -0.5f, 0));
    Tuple vel(0, -300, 0);
    ScopedOutputCapture capture;
    floor.collide(path, 0.5 + 0x1p-30, vel);
    EXPECT_EQ(capture.text(), "0\n");
    expectSameBits(path.end, Tuple(0, 0.5f, 0), "end");
    expectSameBits(vel, zero, "vel");
}

}  // namespace
