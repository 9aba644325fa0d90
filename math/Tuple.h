#pragma once

#include <iosfwd>

// Three single-precision components: every point, direction and velocity of
// the world. All arithmetic is single precision, each product rounded before
// it is summed; only the square root behind length() is taken in double.
class Tuple {
public:
    float x;
    float y;
    float z;

    Tuple();
    Tuple(float x, float y, float z);
    Tuple(const Tuple& toCopy);
    // Whole-numbered components in (-range, range), drawn from rand() (six
    // draws, x first, minuend first). Needs range >= 1.
    explicit Tuple(int range);
    virtual ~Tuple();

    Tuple& operator=(const Tuple& toCopy);

    // Exact IEEE comparison, no tolerance: a NaN component makes == false.
    bool operator==(const Tuple& toCompare) const;
    bool operator!=(const Tuple& toCompare) const;

    const Tuple operator+(const Tuple& toAdd) const;
    Tuple& operator+=(const Tuple& toAdd);
    const Tuple operator-(const Tuple& toSub) const;
    Tuple& operator-=(const Tuple& toSub);
    const Tuple operator-() const;
    Tuple& operator*=(float scaleFactor);
    // Multiplies by the single-precision reciprocal, not a true quotient.
    Tuple& operator/=(float scaleFactor);

    // 0 is x, 1 is y, 2 is z; no other index is valid.
    float& operator[](int index);
    const float& operator[](int index) const;

    float dot(const Tuple& toDot) const;
    const Tuple cross(const Tuple& toCross) const;
    // No test for zero length: the zero vector becomes (NaN, NaN, NaN).
    Tuple& normalize();
    float length() const;

    // The point (x, y, z, 1) through the column-major 4x4 matrix m; the
    // bottom row is ignored and there is no division by w.
    Tuple matrixMultiply(const float* m) const;
};

const Tuple operator*(const Tuple& toMultiply, const float& factor);
const Tuple operator*(const float& factor, const Tuple& toMultiply);
const Tuple operator/(const Tuple& toDivide, const float& factor);

// Writes "x, y, z" in the stream's current format, without a line end.
std::ostream& operator<<(std::ostream& out_file, const Tuple& theTuple);
