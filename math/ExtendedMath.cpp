#include "math/ExtendedMath.h"

#include <cmath>
#include <exception>

float ExtendedMath::solveQuad(float a, float b, float c) const {
    // b*b as a single-precision product, and it stays single: the double
    // root below is taken of this rounded square, not of b*b in double.
    const float bb = b * b;
    // A NaN difference is not below 0 and so does not throw.
    if (bb - (a * c) * 4.0f < 0.0f) {
        throw std::exception();
    }
    const double q = static_cast<double>(a) * static_cast<double>(c) * 4.0;
    const double w = 2.0 * static_cast<double>(a);
    // pow(x, 0.5), not sqrt: the two differ in the last bit for some x, and
    // the roots are defined by pow. When rounding left the single-precision
    // discriminant at 0 while the double one is negative, this is NaN.
    const double root = std::pow(static_cast<double>(bb) - q, 0.5);
    const float r1 = static_cast<float>((-static_cast<double>(b) - root) / w);
    const float r2 = static_cast<float>((root - static_cast<double>(b)) / w);
    // Ties and NaN fall through to r2.
    return r1 < r2 ? r1 : r2;
}
