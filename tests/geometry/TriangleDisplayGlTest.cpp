#include <gtest/gtest.h>

#include <cmath>

#include "geometry/Triangle.h"
#include "support/GlDrawingTest.h"

namespace {

using TriangleDisplayTest = GlDrawingTest;

TEST_F(TriangleDisplayTest, FillsTheTriangleInItsNarrowedColour) {
    const Triangle t(Tuple(1, 1, 0), Tuple(9, 1, 0), Tuple(1, 9, 0), 0.9, 0.5, 0.25);
    t.display();

    const auto inside = pixelAt(2, 2);
    EXPECT_NEAR(inside[0], 0.9f * 255, 1);
    EXPECT_NEAR(inside[1], 0.5f * 255, 1);
    EXPECT_NEAR(inside[2], 0.25f * 255, 1);
    const auto beyondHypotenuse = pixelAt(8, 8);
    EXPECT_EQ(beyondHypotenuse[0] + beyondHypotenuse[1] + beyondHypotenuse[2], 0);
}

TEST_F(TriangleDisplayTest, LeavesItsColourCurrentAndTheMatrixAsItWas) {
    glTranslatef(0.5f, 0.25f, 0.0f);
    const auto before = readMatrix(GL_MODELVIEW_MATRIX);
    Triangle t(Tuple(1, 1, 0), Tuple(9, 1, 0), Tuple(1, 9, 0), 0.0, 0.0, 0.0);
    t.setColor(0.8f, 0.0f, 0.4f);
    t.display();

    EXPECT_EQ(readMatrix(GL_MODELVIEW_MATRIX), before);
    const auto colour = readCurrentColor();
    EXPECT_EQ(colour[0], 0.8f);
    EXPECT_EQ(colour[1], 0.0f);
    EXPECT_EQ(colour[2], 0.4f);
    // Drawn in the caller's transform: shifted by half a unit in x.
    EXPECT_NEAR(pixelAt(1.75f, 2.0f)[0], 0.8f * 255, 1);
    EXPECT_EQ(pixelAt(1.25f, 2.0f)[0], 0);
}

TEST_F(TriangleDisplayTest, DrawsCornersChangedThroughTheIndex) {
    Triangle t(Tuple(1, 1, 0), Tuple(9, 1, 0), Tuple(1, 9, 0), 1.0, 0.0, 0.0);
    t[1] = Tuple(9, 9, 0);
    t.display();
    EXPECT_EQ(pixelAt(5, 8)[0], 255);
    EXPECT_EQ(pixelAt(8, 2)[0], 0);
}

}  // namespace
