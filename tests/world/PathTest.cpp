#include "world/Path.h"

#include <gtest/gtest.h>

#include "world/Ball.h"

namespace {

TEST(PathTest, SpanInterpolatesAndExtrapolatesWithoutClamping) {
    const Path path(Tuple(0, 0, 0), Tuple(2, 4, 6));
    EXPECT_EQ(path.span(0.5), Tuple(1, 2, 3));
    EXPECT_EQ(path.span(0.0), path.start);
    EXPECT_EQ(path.span(-1.0), Tuple(-2, -4, -6));
    EXPECT_EQ(path.span(2.0), Tuple(4, 8, 12));
}

TEST(PathTest, SpanRoundsItsArgumentToFloatFirst) {
    const Path path(Tuple(0, 0, 0), Tuple(1, 0, 0));
    EXPECT_EQ(static_cast<double>(path.span(0.1).x), 0.10000000149011612);
}

TEST(PathTest, SpanOfOneIsComputedNotCopied) {
    // end - start rounds to -1e8 in float, so the far end comes out at 0.
    const Path path(Tuple(1.0e8f, 0, 0), Tuple(0.1f, 0, 0));
    EXPECT_EQ(path.span(1.0), Tuple(0, 0, 0));
}

TEST(BallTest, PathOfABallAtRestHasZeroLength) {
    const Ball ball(Tuple(5, 10, 0), Tuple(0, 0, 0), 0.5);
    const Path path = ball.getPath();
    EXPECT_EQ(path.start, Tuple(5, 10, 0));
    EXPECT_EQ(path.end, Tuple(5, 10, 0));
}

struct StepCase {
    Tuple velocity;
    double endX, endY, endZ;
};

class BallStep : public testing::TestWithParam<StepCase> {};

TEST_P(BallStep, EndsAtCenterPlusVelocityTimesTheFloatStepFactor) {
    const Ball ball(Tuple(5, 10, 0), GetParam().velocity, 0.5);
    const Path path = ball.getPath();
    EXPECT_EQ(path.start, Tuple(5, 10, 0));
    EXPECT_EQ(static_cast<double>(path.end.x), GetParam().endX);
    EXPECT_EQ(static_cast<double>(path.end.y), GetParam().endY);
    EXPECT_EQ(static_cast<double>(path.end.z), GetParam().endZ);
    EXPECT_EQ(ball.getCenter(), Tuple(5, 10, 0));
}

INSTANTIATE_TEST_SUITE_P(Table, BallStep,
                         testing::Values(StepCase{Tuple(300, -600, 0), 6, 8, 0},
                                         StepCase{Tuple(3, 0, -6), 5.010000228881836, 10,
                                                  -0.019999999552965164}));

TEST(BallTest, StepFactorIsOneThreeHundredthInFloat) {
    EXPECT_EQ(static_cast<double>(Ball::stepFactor), 0.0033333334140479565);
}

TEST(BallTest, VelocityReferenceIsTheBallsOwn) {
    Ball ball(Tuple(1, 2, 3), Tuple(30, 0, 0), 0.5);
    ball.getVelocity() = Tuple(0, 0, 0);
    const Path path = ball.getPath();
    EXPECT_EQ(path.start, path.end);
}

TEST(BallTest, MoveAndSetVelocityChangeOnlyTheirField) {
    Ball ball(Tuple(1, 2, 3), Tuple(4, 5, 6), 0.25);
    ball.move(Tuple(7, 8, 9));
    EXPECT_EQ(ball.getCenter(), Tuple(7, 8, 9));
    EXPECT_EQ(ball.getVelocity(), Tuple(4, 5, 6));
    EXPECT_EQ(ball.getRadius(), 0.25);
    ball.setVelocity(Tuple(-1, 0, 1));
    EXPECT_EQ(ball.getCenter(), Tuple(7, 8, 9));
    EXPECT_EQ(ball.getVelocity(), Tuple(-1, 0, 1));
}

}  // namespace
