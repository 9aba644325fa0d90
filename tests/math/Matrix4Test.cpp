#include <gtest/gtest.h>

#include <array>

#include "math/Matrix4.h"

namespace {

// Whole quarter turns about each axis: sine and cosine are exactly 0 and
// +-1, so every entry is too (converting the whole angle to radians would
// leave 6e-17 and 1.2e-16 from the rounding of pi).
TEST(Matrix4Test, QuarterTurnsAboutTheAxesAreExact) {
    for (const float angle : {90.0f, 180.0f, 270.0f, -90.0f, 450.0f}) {
        for (const std::array<float, 3>& axis :
             {std::array<float, 3>{1, 0, 0}, {0, 1, 0}, {0, 0, -1}}) {
            Matrix4 m;
            m.rotate(angle, axis[0], axis[1], axis[2]);
            for (const float v : m.values()) {
                EXPECT_TRUE(v == 0.0f || v == 1.0f || v == -1.0f)
                    << angle << " degrees about (" << axis[0] << ", " << axis[1] << ", " << axis[2]
                    << ") stores " << v;
            }
        }
    }
}

}  // namespace
