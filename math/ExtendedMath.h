#pragma once

// The quadratic solver behind the swept-sphere tests.
class ExtendedMath {
public:
    // The smaller real root of a*t^2 + b*t + c = 0, whatever the sign of a.
    // Throws a default-constructed std::exception when b^2 - 4ac, taken in
    // single precision, is negative. a = 0 is not special-cased: the
    // divisions by 2a follow IEEE arithmetic and may give NaN or infinity.
    float solveQuad(float a, float b, float c) const;
};
