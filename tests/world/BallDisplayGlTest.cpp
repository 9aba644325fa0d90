#include <gtest/gtest.h>

#include "support/GlDrawingTest.h"
#include "world/Ball.h"

namespace {

using BallDisplayTest = GlDrawingTest;

TEST_F(BallDisplayTest, DrawsAGreenDiscAtItsCentreAndStaysGreen) {
    const auto before = readMatrix(GL_MODELVIEW_MATRIX);
    const Ball ball(Tuple(3, 6, 0), Tuple(1, 1, 1), 1.0);
    ball.display();

    const auto centre = pixelAt(3, 6);
    EXPECT_EQ(centre[0], 0);
    EXPECT_EQ(centre[1], 255);
    EXPECT_EQ(centre[2], 0);
    // Radius 1: a point 0.75 away is inside, one 1.25 away is not.
    EXPECT_EQ(pixelAt(3.75f, 6)[1], 255);
    EXPECT_EQ(pixelAt(4.25f, 6)[1], 0);
    EXPECT_EQ(pixelAt(3, 7.25f)[1], 0);

    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), before);
    const auto colour = readCurrentColor();
    EXPECT_EQ(colour[0], 0.0f);
    EXPECT_EQ(colour[1], 1.0f);
    EXPECT_EQ(colour[2], 0.0f);
}

}  // namespace
