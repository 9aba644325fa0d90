#include "app/View.h"

#include <GL/freeglut.h>
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "support/CornerScene.h"
#include "support/GlWindow.h"
#include "support/StreamCapture.h"
#include "world/Room.h"

namespace {

using Rgb = std::array<std::uint8_t, 3>;

// The shared window with the view set up as the program does it, the startup
// scene published through the global room pointer and the camera angle at
// its start value; both globals are reset afterwards.
class ViewTest : public testing::Test {
protected:
    void SetUp() override {
        ensureGlWindow();
        init();
        reshape(glWindowSize, glWindowSize);
        clicks = 0.0;
        orbiquel = &scene.room;
    }
    void TearDown() override {
        orbiquel = nullptr;
        clicks = 0.0;
    }

    CornerScene scene;
    // Every simulation step writes the collision tests' diagnostics.
    ScopedOutputCapture diagnostics{std::cout};
};

// --- init and reshape --------------------------------------------------------

TEST_F(ViewTest, InitSetsPerspectiveBlueClearColourDepthTestAndModelView) {
    // Spoil everything init is responsible for first.
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(1.0f, 2.0f, 3.0f);
    glMatrixMode(GL_PROJECTION);
    glOrtho(-1, 1, -1, 1, -1, 1);
    glClearColor(1.0f, 1.0f, 0.0f, 1.0f);
    glDisable(GL_DEPTH_TEST);

    init();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    std::array<float, 4> clear{};
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clear.data());
    EXPECT_EQ(clear, (std::array<float, 4>{0.0f, 0.0f, 1.0f, 0.0f}));

    const auto modelView = readMatrix(GL_MODELVIEW_MATRIX);
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(modelView[i], i % 5 == 0 ? 1.0f : 0.0f) << i;
    }

    // 45 degrees vertical field of view, aspect 1, near 1, far 100, in
    // closed form (column-major).
    const double f = 1.0 / std::tan(22.5 * M_PI / 180.0);
    const double expected[16] = {
        f, 0, 0, 0, 0, f, 0, 0, 0, 0, -101.0 / 99.0, -1, 0, 0, -200.0 / 99.0, 0};
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    for (int i = 0; i < 16; ++i) {
        EXPECT_NEAR(projection[i], expected[i], 1e-6) << i;
    }
}

struct ReshapeCase {
    int width;
    int height;
    int side;
};

void PrintTo(const ReshapeCase& c, std::ostream* os) { *os << c.width << " x " << c.height; }

class ViewReshape : public ViewTest, public testing::WithParamInterface<ReshapeCase> {};

TEST_P(ViewReshape, GivesTheLargestLowerLeftSquareAndLeavesTheProjection) {
    const auto projection = readMatrix(GL_PROJECTION_MATRIX);
    reshape(GetParam().width, GetParam().height);
    std::array<GLint, 4> viewport{};
    glGetIntegerv(GL_VIEWPORT, viewport.data());
    const int side = GetParam().side;
    EXPECT_EQ(viewport, (std::array<GLint, 4>{0, 0, side, side}));
    EXPECT_EQ(readMatrix(GL_PROJECTION_MATRIX), projection);
}

INSTANTIATE_TEST_SUITE_P(Sizes, ViewReshape,
                         testing::Values(ReshapeCase{600, 400, 400}, ReshapeCase{400, 600, 400},
                                         ReshapeCase{300, 300, 300}, ReshapeCase{1, 1000, 1},
                                         ReshapeCase{401, 400, 400}));

// --- idle ------------------------------------------------------------------

TEST_F(ViewTest, IdleTurnsTheCameraByOneStepAndStepsTheRoomOnce) {
    // Two identical worlds with a moving ball: the one idle drives and a
    // reference stepped by hand.
    CornerScene driven(Tuple(5, 10, 0), Tuple(3, -600, 9));
    CornerScene reference(Tuple(5, 10, 0), Tuple(3, -600, 9));
    orbiquel = &driven.room;
    for (int call = 0; call < 5; ++call) {
        const double before = clicks;
        idle();
        reference.room.update();
        EXPECT_EQ(clicks, before + 3.14 / 900.0);
        EXPECT_EQ(driven.room.getBall()->getCenter(), reference.room.getBall()->getCenter());
        EXPECT_EQ(driven.room.getBall()->getVelocity(), reference.room.getBall()->getVelocity());
    }
    // The ball did fall and came to rest on the floor in the fifth step.
    EXPECT_EQ(driven.room.getBall()->getCenter().y, 0.5f);
    EXPECT_EQ(driven.room.getBall()->getVelocity(), Tuple(0, 0, 0));
}

TEST_F(ViewTest, IdleAddsUpToHalfAndFullTurnsOfThePrototypeAngle) {
    for (int call = 0; call < 450; ++call) {
        idle();
    }
    EXPECT_NEAR(clicks, 1.57, 1e-12);
    for (int call = 0; call < 450; ++call) {
        idle();
    }
    EXPECT_NEAR(clicks, 3.14, 1e-12);
    // Never reduced: a full turn is first passed at the 1801st call.
    for (int call = 0; call < 900; ++call) {
        idle();
    }
    EXPECT_LT(clicks, 2 * M_PI);
    idle();
    EXPECT_GT(clicks, 2 * M_PI);
}

// --- display ---------------------------------------------------------------

// Reads the picture that display() leaves. The window is double-buffered and
// display() ends with the buffer swap; Mesa's software rasteriser under Xvfb
// copies the back buffer to the window on a swap and leaves the back buffer
// as it was, so the back buffer still holds the picture afterwards. The
// tests make sure the pixels are this display()'s own by filling the buffer
// with magenta, a colour the scene never uses, beforehand.
class ViewPictureTest : public ViewTest {
protected:
    void fillWithMagenta() {
        glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    }

    std::vector<std::uint8_t> drawAndReadPicture() {
        fillWithMagenta();
        display();
        std::vector<std::uint8_t> rgb(glWindowSize * glWindowSize * 3);
        glFinish();
        glReadBuffer(GL_BACK);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, glWindowSize, glWindowSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        return rgb;
    }

    // The window pixel that shows the world point p, through the matrices
    // display() left behind.
    static std::array<int, 2> pixelOf(double x, double y, double z) {
        std::array<double, 16> modelView{};
        std::array<double, 16> projection{};
        std::array<GLint, 4> viewport{};
        glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
        glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
        glGetIntegerv(GL_VIEWPORT, viewport.data());
        double wx = 0;
        double wy = 0;
        double wz = 0;
        EXPECT_EQ(gluProject(x, y, z, modelView.data(), projection.data(), viewport.data(), &wx,
                             &wy, &wz),
                  GL_TRUE);
        EXPECT_GE(wx, 0.0);
        EXPECT_LT(wx, glWindowSize);
        EXPECT_GE(wy, 0.0);
        EXPECT_LT(wy, glWindowSize);
        return {static_cast<int>(wx), static_cast<int>(wy)};
    }

    static Rgb pixel(const std::vector<std::uint8_t>& picture, std::array<int, 2> at) {
        if (at[0] < 0 || at[0] >= glWindowSize || at[1] < 0 || at[1] >= glWindowSize) {
            ADD_FAILURE() << "pixel " << at[0] << ", " << at[1] << " is outside the window";
            return {};
        }
        const std::size_t i = (static_cast<std::size_t>(at[1]) * glWindowSize + at[0]) * 3;
        return {picture[i], picture[i + 1], picture[i + 2]};
    }
};

// A colour written from floats in [0, 1], up to the rounding of the
// conversion to 8 bits.
testing::AssertionResult hasColour(const Rgb& rgb, float r, float g, float b) {
    const float expected[3] = {r, g, b};
    for (int k = 0; k < 3; ++k) {
        const long exact = std::lround(expected[k] * 255.0f);
        if (std::labs(rgb[k] - exact) > 1) {
            return testing::AssertionFailure()
                   << "colour " << int{rgb[0]} << ", " << int{rgb[1]} << ", " << int{rgb[2]}
                   << " is not " << r << ", " << g << ", " << b;
        }
    }
    return testing::AssertionSuccess();
}

TEST_F(ViewPictureTest, CameraLooksFromTheOrbitAtTheFixedPoint) {
    for (const double angle : {0.0, 0.785, 2.0, 3.14}) {
        clicks = angle;
        drawAndReadPicture();
        const auto m = readMatrix(GL_MODELVIEW_MATRIX);
        const auto eyeSpace = [&m](double x, double y, double z) {
            return std::array<double, 3>{m[0] * x + m[4] * y + m[8] * z + m[12],
                                         m[1] * x + m[5] * y + m[9] * z + m[13],
                                         m[2] * x + m[6] * y + m[10] * z + m[14]};
        };
        // The eye goes to the origin, the point looked at onto the -z axis.
        const auto eye = eyeSpace(20 * std::cos(angle), 5, 20 * std::sin(angle));
        const auto target = eyeSpace(5, 5, 0);
        const double distance = std::hypot(20 * std::cos(angle) - 5, 20 * std::sin(angle));
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(eye[k], 0.0, 1e-5) << angle;
        }
        EXPECT_NEAR(target[0], 0.0, 1e-5) << angle;
        EXPECT_NEAR(target[1], 0.0, 1e-5) << angle;
        EXPECT_NEAR(target[2], -distance, 1e-5) << angle;
        // Up stays up: the world's y axis keeps its screen direction.
        EXPECT_NEAR(m[5], 1.0, 1e-6) << angle;
    }
}

struct PictureCase {
    const char* name;
    double clicks;
    double point[3];
    float r, g, b;
};

void PrintTo(const PictureCase& c, std::ostream* os) { *os << c.name; }

class ViewPicture : public ViewPictureTest, public testing::WithParamInterface<PictureCase> {};

TEST_P(ViewPicture, ShowsTheExpectedColourWhereTheWorldPointIsProjected) {
    const PictureCase& c = GetParam();
    clicks = c.clicks;
    const auto picture = drawAndReadPicture();
    const auto at = pixelOf(c.point[0], c.point[1], c.point[2]);
    EXPECT_TRUE(hasColour(pixel(picture, at), c.r, c.g, c.b)) << "pixel " << at[0] << ", " << at[1];
}

// At clicks 0 the eye is at (20, 5, 0) and sees the wall in z = 0 edge on; at
// 0.785 (about an eighth of a turn) it sees all three triangles. The points
// lie well inside their triangles, away from the lattice lines, which run
// where two coordinates are each -20, 0 or 20.
INSTANTIATE_TEST_SUITE_P(
    Points, ViewPicture,
    testing::Values(PictureCase{"FloorFromTheFront", 0.0, {3, 0, 2}, 0.9f, 0, 0},
                    PictureCase{"WallXFromTheFront", 0.0, {0, 2, 2}, 0.7f, 0, 0},
                    PictureCase{"BallFromTheFront", 0.0, {5, 10, 0}, 0, 1, 0},
                    PictureCase{"SkyBetweenTheLattice", 0.0, {-20, 10, -10}, 0, 0, 1},
                    PictureCase{"FloorFromTheSide", 0.785, {2, 0, 3}, 0.9f, 0, 0},
                    PictureCase{"WallZFromTheSide", 0.785, {2, 2, 0}, 0.8f, 0, 0},
                    PictureCase{"WallXFromTheSide", 0.785, {0, 2, 2}, 0.7f, 0, 0},
                    PictureCase{"BallFromTheSide", 0.785, {5, 10, 0}, 0, 1, 0}),
    [](const testing::TestParamInfo<PictureCase>& info) { return info.param.name; });

TEST_F(ViewPictureTest, DrawsTheLatticeInBlack) {
    const auto picture = drawAndReadPicture();
    // Points on three lines of the far face x = -20 that nothing hides: its
    // bottom-centre line y = 0, its vertical centre line z = 0 and its top
    // line y = 20. A one-pixel line may be rasterised next to the projected
    // point, so a black pixel anywhere in the 3 x 3 block around it counts.
    for (const auto& point : {std::array<double, 3>{-20, 0, 14}, std::array<double, 3>{-20, 10, 0},
                              std::array<double, 3>{-20, 20, -5}}) {
        const auto at = pixelOf(point[0], point[1], point[2]);
        ASSERT_TRUE(at[0] >= 1 && at[0] < glWindowSize - 1 && at[1] >= 1 &&
                    at[1] < glWindowSize - 1);
        bool black = false;
        for (int dx = -1; dx <= 1; ++dx) {
            for (int dy = -1; dy <= 1; ++dy) {
                const Rgb rgb = pixel(picture, {at[0] + dx, at[1] + dy});
                black = black || (rgb[0] == 0 && rgb[1] == 0 && rgb[2] == 0);
            }
        }
        EXPECT_TRUE(black) << "no black pixel around " << at[0] << ", " << at[1];
    }
}

TEST_F(ViewPictureTest, UsesTheWholeWindowAndOnlyTheSceneColours) {
    const auto picture = drawAndReadPicture();
    int blue = 0;
    int black = 0;
    int green = 0;
    int red = 0;
    for (std::size_t i = 0; i < picture.size(); i += 3) {
        const int r = picture[i];
        const int g = picture[i + 1];
        const int b = picture[i + 2];
        if (r == 0 && g == 0 && b == 255) {
            ++blue;
        } else if (r == 0 && g == 0 && b == 0) {
            ++black;
        } else if (r == 0 && g == 255 && b == 0) {
            ++green;
        } else if (g == 0 && b == 0 && r >= 177 && r <= 230) {
            ++red;
        } else {
            ADD_FAILURE() << "unexpected colour " << r << ", " << g << ", " << b << " at pixel "
                          << i / 3;
            return;
        }
    }
    EXPECT_GT(blue, 0);
    EXPECT_GT(black, 0);
    EXPECT_GT(green, 0);
    EXPECT_GT(red, 0);
}

TEST_F(ViewPictureTest, DepthTestKeepsTheBallInFrontOfTheWallsDrawnAfterIt) {
    // A ball in front of the wall z = 0, above the floor and beside the wall
    // x = 0 as seen from the eye at an eighth of a turn; all three triangles
    // are drawn after it.
    CornerScene near(Tuple(2, 2, 1.5f));
    orbiquel = &near.room;
    clicks = 0.785;
    const auto picture = drawAndReadPicture();
    EXPECT_TRUE(hasColour(pixel(picture, pixelOf(2, 2, 1.5)), 0, 1, 0));
}

TEST_F(ViewPictureTest, TwoDisplaysWithoutIdleDrawTheSamePicture) {
    clicks = 0.3;
    const auto first = drawAndReadPicture();
    const auto second = drawAndReadPicture();
    EXPECT_TRUE(first == second);
    EXPECT_EQ(clicks, 0.3);
}

TEST_F(ViewPictureTest, PictureFollowsIdle) {
    const auto before = drawAndReadPicture();
    idle();
    const auto after = drawAndReadPicture();
    EXPECT_FALSE(before == after);
}

}  // namespace
