#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "math/Tuple.h"

// Bit-for-bit comparison of floats: -0 differs from +0, and a NaN equals
// the same NaN.
inline std::uint32_t bitsOf(float value) {
    std::uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

inline float fromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

inline void expectSameBits(const Tuple& actual, const Tuple& expected, const char* what) {
    EXPECT_EQ(bitsOf(actual.x), bitsOf(expected.x)) << what << ".x";
    EXPECT_EQ(bitsOf(actual.y), bitsOf(expected.y)) << what << ".y";
    EXPECT_EQ(bitsOf(actual.z), bitsOf(expected.z)) << what << ".z";
}
