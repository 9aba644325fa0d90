#include "math/Matrix4.h"

#include <cmath>

namespace {
constexpr std::array<float, 16> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
constexpr double pi = 3.14159265358979323846;

float& at(std::array<float, 16>& a, int row, int col) { return a[col * 4 + row]; }

// The sine and cosine of `degrees`, taken in double and rounded to float.
// The angle is first reduced exactly, in degrees, to the nearest whole number
// of quarter turns and a rest of at most 45 degrees; only the rest is
// converted to radians. Quarter turns thus give exact 0 and +-1, where
// converting the whole angle would keep the rounding of pi (cos 90 would be
// 6e-17). (Mesa rounds the radians to float first and so differs in the
// last bits of near-zero entries, e.g. cos of 90.000076 degrees.)
void sineAndCosine(float degrees, float& s, float& c) {
    // fmod is exact. So is the subtraction: for |turn| >= 1 both terms are
    // whole multiples of the float angle's last place and the rest is at
    // most 45, and below 1 there are no quarters to take off. A NaN or
    // infinite angle stays NaN.
    const double turn = std::fmod(static_cast<double>(degrees), 360.0);
    const double quarters = std::isfinite(turn) ? std::nearbyint(turn / 90.0) : 0.0;
    const double rest = turn - 90.0 * quarters;
    const double radians = rest * pi / 180.0;
    const double sine = std::sin(radians);
    const double cosine = std::cos(radians);
    // sin(q * 90 + r) and cos(q * 90 + r) for q = 0, 1, 2, 3 (mod 4); the
    // bit mask takes negative q to the same quadrant.
    switch (static_cast<int>(quarters) & 3) {
        case 0:
            s = static_cast<float>(sine);
            c = static_cast<float>(cosine);
            break;
        case 1:
            s = static_cast<float>(cosine);
            c = static_cast<float>(-sine);
            break;
        case 2:
            s = static_cast<float>(-sine);
            c = static_cast<float>(-cosine);
            break;
        default:
            s = static_cast<float>(-cosine);
            c = static_cast<float>(sine);
            break;
    }
}
}  // namespace

Matrix4::Matrix4() : m(identity) {}

void Matrix4::rotate(float angle, float x, float y, float z) {
    float s = 0.0f;
    float c = 0.0f;
    sineAndCosine(angle, s, c);
    std::array<float, 16> r = identity;

    // Rotations about a coordinate axis use sin and cos directly: the general
    // formula below would put rounding noise such as (1 - c) + c on the
    // diagonal.
    if (x == 0.0f && y == 0.0f && z != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 1, 1) = c;
        at(r, 0, 1) = z < 0.0f ? s : -s;
        at(r, 1, 0) = z < 0.0f ? -s : s;
    } else if (x == 0.0f && z == 0.0f && y != 0.0f) {
        at(r, 0, 0) = c;
        at(r, 2, 2) = c;
        at(r, 0, 2) = y < 0.0f ? -s : s;
        at(r, 2, 0) = y < 0.0f ? s : -s;
    } else if (y == 0.0f && z == 0.0f && x != 0.0f) {
        at(r, 1, 1) = c;
        at(r, 2, 2) = c;
        at(r, 1, 2) = x < 0.0f ? s : -s;
        at(r, 2, 1) = x < 0.0f ? -s : s;
    } else {
        const float magnitude = std::sqrt(x * x + y * y + z * z);
        if (magnitude <= 1.0e-4f) {
            return;
        }
        x /= magnitude;
        y /= magnitude;
        z /= magnitude;
        const float oneMinusC = 1.0f - c;
        const float xs = x * s;
        const float ys = y * s;
        const float zs = z * s;
        at(r, 0, 0) = (oneMinusC * (x * x)) + c;
        at(r, 0, 1) = (oneMinusC * (x * y)) - zs;
        at(r, 0, 2) = (oneMinusC * (z * x)) + ys;
        at(r, 1, 0) = (oneMinusC * (x * y)) + zs;
        at(r, 1, 1) = (oneMinusC * (y * y)) + c;
        at(r, 1, 2) = (oneMinusC * (y * z)) - xs;
        at(r, 2, 0) = (oneMinusC * (z * x)) - ys;
        at(r, 2, 1) = (oneMinusC * (y * z)) + xs;
        at(r, 2, 2) = (oneMinusC * (z * z)) + c;
    }
    multiplyBy(r);
}

void Matrix4::translate(float x, float y, float z) {
    for (int row = 0; row < 4; ++row) {
        at(m, row, 3) = at(m, row, 0) * x + at(m, row, 1) * y + at(m, row, 2) * z + at(m, row, 3);
    }
}

void Matrix4::multiplyBy(const std::array<float, 16>& rhs) {
    std::array<float, 16> product{};
    for (int row = 0; row < 4; ++row) {
        for (int col = 0; col < 4; ++col) {
            float sum = m[row] * rhs[col * 4];
            for (int k = 1; k < 4; ++k) {
                sum = sum + m[k * 4 + row] * rhs[col * 4 + k];
            }
            at(product, row, col) = sum;
        }
    }
    m = product;
}
