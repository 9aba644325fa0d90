#include "math/ExtendedMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <exception>
#include <limits>

#include "math/Exception.h"

namespace {

struct RootCase {
    float a, b, c;
    float expected;
};

class SolveQuadRoots : public testing::TestWithParam<RootCase> {};

TEST_P(SolveQuadRoots, ReturnsTheSmallerRoot) {
    const RootCase& c = GetParam();
    const float root = ExtendedMath().solveQuad(c.a, c.b, c.c);
    EXPECT_EQ(root, c.expected);
    // EXPECT_EQ takes -0 for +0; the vertex test writes its roots, -0 as "-0".
    EXPECT_EQ(std::signbit(root), std::signbit(c.expected)) << root;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SolveQuadRoots,
    testing::Values(RootCase{1, -3, 2, 1},   // roots 1 and 2
                    RootCase{-1, 3, -2, 1},  // negative a: r2 is the smaller
                    RootCase{1, 2, 1, -1},   // double root
                    RootCase{1, 0, 0, 0},    // double root at 0: r1 is -0, r2 +0, the tie gives r2
                    RootCase{1, 0, -4, -2},  // negative roots are returned as they are
                    RootCase{4, -8, 3.75f, 0.75f},
                    RootCase{0, -1, 1, std::numeric_limits<float>::infinity()},
                    RootCase{0, 0.1f, 1, -std::numeric_limits<float>::infinity()}));

TEST(SolveQuadTest, NegativeDiscriminantThrowsStdException) {
    EXPECT_THROW(ExtendedMath().solveQuad(1, 0, 1), std::exception);
}

TEST(SolveQuadTest, NaNCasesReturnNaNWithoutThrowing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    // a = b = 0: both roots 0/0. a = 0, b > 0: -inf and NaN.
    EXPECT_TRUE(std::isnan(ExtendedMath().solveQuad(0, 0, 5)));
    EXPECT_TRUE(std::isnan(ExtendedMath().solveQuad(0, 1, 1)));
    EXPECT_TRUE(std::isnan(ExtendedMath().solveQuad(nan, 1, 1)));
    EXPECT_TRUE(std::isnan(ExtendedMath().solveQuad(1, nan, 1)));
}

TEST(SolveQuadTest, DiscriminantNonNegativeInFloatButNegativeInDoubleGivesNaN) {
    // In float b*b - 4ac rounds to >= 0, so nothing is thrown; the root is
    // then taken in double of bb - 4ac, which is slightly negative.
    const float a = 1.86787999f, b = 2.74574995f, c = 1.00905073f;
    ASSERT_GE(b * b - (a * c) * 4.0f, 0.0f);
    EXPECT_TRUE(std::isnan(ExtendedMath().solveQuad(a, b, c)));
}

TEST(SolveQuadTest, RootIsTakenWithPowNotSqrt) {
    // The smaller root is the tiny difference of pow(bb, 0.5) from -b. The
    // GNU C library's pow differs from sqrt in the last bit here and gives
    // 1.15572787e-08; sqrt would give 1.15572796e-08. A C library whose pow
    // rounds like sqrt here cannot tell the two apart.
    const float b = -1009.23077f;
    // volatile: pow of a constant would be folded by the compiler, correctly
    // rounded, rather than computed by the C library.
    const volatile double bb = static_cast<double>(b * b);
    if (std::pow(bb, 0.5) == std::sqrt(bb)) {
        GTEST_SKIP() << "this C library's pow(x, 0.5) equals sqrt(x) at x = " << bb;
    }
    const float root = ExtendedMath().solveQuad(108.0f, b, 0.0f);
    EXPECT_NE(root, 1.15572796e-08f);
#if defined(__GLIBC__)
    EXPECT_EQ(root, 1.15572787e-08f);
#endif
}

TEST(ExceptionTest, CarriesTheFixedMessage) {
    EXPECT_EQ(Exception().getMessage(), "A basic exception was thrown.");
    EXPECT_EQ(Exception().getMessage().size(), 29u);
}

}  // namespace
