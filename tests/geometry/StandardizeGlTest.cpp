#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cmath>
#include <random>

#include "geometry/Triangle.h"
#include "math/Matrix4.h"
#include "support/GlWindow.h"

// Cross-checks the transforms built without a rendering context against the
// real fixed-function matrix stack.
namespace {

class StandardizeGlTest : public testing::Test {
protected:
    void SetUp() override {
        ensureGlWindow();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

struct Rotation {
    float angle, x, y, z;
};

// Within a few units in the last place. The rotation entries are at most 1;
// the translation column sums three products of up to 3 * 1 with
// cancellation, so its error is measured against that size.
void expectClose(const std::array<float, 16>& actual, const std::array<float, 16>& expected,
                 float ulps, const char* what, int index) {
    for (int i = 0; i < 16; ++i) {
        const float scale = i >= 12 ? 9.0f : 1.0f;
        EXPECT_NEAR(actual[i], expected[i], ulps * FLT_EPSILON * scale)
            << what << " " << index << ", element " << i;
    }
}

TEST_F(StandardizeGlTest, RotationsAndTranslationsMatchTheMatrixStack) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> angle(-360.0f, 360.0f);
    std::uniform_real_distribution<float> component(-3.0f, 3.0f);
    std::uniform_int_distribution<int> axisKind(0, 6);
    for (int i = 0; i < 300; ++i) {
        Rotation rotations[2];
        for (Rotation& r : rotations) {
            // Axis-aligned axes, both signs, and arbitrary ones.
            switch (axisKind(random)) {
                case 0:
                    r = {angle(random), 1, 0, 0};
                    break;
                case 1:
                    r = {angle(random), -1, -0.0f, -0.0f};
                    break;
                case 2:
                    r = {angle(random), 0, 1, 0};
                    break;
                case 3:
                    r = {angle(random), 0, 0, -1};
                    break;
                default:
                    r = {angle(random), component(random), component(random), component(random)};
            }
        }
        const float tx = component(random), ty = component(random), tz = component(random);

        Matrix4 direct;
        glLoadIdentity();
        for (const Rotation& r : rotations) {
            direct.rotate(r.angle, r.x, r.y, r.z);
            glRotatef(r.angle, r.x, r.y, r.z);
        }
        direct.translate(tx, ty, tz);
        glTranslatef(tx, ty, tz);
        expectClose(direct.values(), readMatrix(GL_MODELVIEW_MATRIX), 4, "sequence", i);
    }
}

// The transform of standardize, step by step on the real matrix stack.
std::array<float, 16> standardizeOnTheStack(const Triangle& t, bool& wellConditioned) {
    const Tuple xAxis(1, 0, 0);
    const Tuple v1 = t.getV1();
    const Tuple d2 = t.getV2() - v1;
    Tuple n = t.getV3() - v1;
    n.normalize();
    Tuple axis1(0, 1, 0);
    float angle1 = n.x < 0 ? 180.0f : 0.0f;
    if (n.cross(xAxis) != Tuple()) {
        axis1 = n.cross(xAxis);
        axis1.normalize();
        angle1 = static_cast<float>(std::acos(static_cast<double>(n.dot(xAxis)))) * 57.295826f;
    }
    glPushMatrix();
    glLoadIdentity();
    glRotatef(angle1, axis1.x, axis1.y, axis1.z);
    const std::array<float, 16> a = readMatrix(GL_MODELVIEW_MATRIX);
    Tuple w;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            w[i] = a[i + 4 * j] * d2[j] + w[i];
        }
    }
    const Tuple p(0, w.y, w.z);
    const float cosine = p.z / p.length();
    // Near +-1 the arc cosine magnifies a last-bit difference in w.
    wellConditioned = std::fabs(cosine) < 0.999f;
    const float angle2 = static_cast<float>(std::acos(static_cast<double>(cosine))) * 57.295826f;
    const Tuple axis2 = p.y < 0 ? -xAxis : xAxis;
    glLoadIdentity();
    glRotatef(angle2, axis2.x, axis2.y, axis2.z);
    glRotatef(angle1, axis1.x, axis1.y, axis1.z);
    glTranslatef(-v1.x, -v1.y, -v1.z);
    const std::array<float, 16> f = readMatrix(GL_MODELVIEW_MATRIX);
    glPopMatrix();
    return f;
}

TEST_F(StandardizeGlTest, RandomTrianglesMatchTheMatrixStack) {
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-20.0f, 20.0f);
    int compared = 0;
    for (int i = 0; i < 300; ++i) {
        const Triangle t(Tuple(coordinate(random), coordinate(random), coordinate(random)),
                         Tuple(coordinate(random), coordinate(random), coordinate(random)),
                         Tuple(coordinate(random), coordinate(random), coordinate(random)), 1, 0,
                         0);
        const std::array<float, 16> before = readMatrix(GL_MODELVIEW_MATRIX);
        bool wellConditioned = false;
        const std::array<float, 16> expected = standardizeOnTheStack(t, wellConditioned);
        ASSERT_EQ(readMatrix(GL_MODELVIEW_MATRIX), before);
        if (!wellConditioned) {
            continue;
        }
        ++compared;
        t.standardize();
        std::array<float, 16> actual{};
        std::copy(t.getMatrix(), t.getMatrix() + 16, actual.begin());
        // Rotation entries are at most 1 and the translation column is made
        // of coordinates up to about 35: allow a few float steps of that.
        for (int k = 0; k < 16; ++k) {
            const float tolerance = k >= 12 ? 2e-4f : 2e-5f;
            EXPECT_NEAR(actual[k], expected[k], tolerance) << "triangle " << i << ", element " << k;
        }
    }
    EXPECT_GT(compared, 250);
}

}  // namespace
