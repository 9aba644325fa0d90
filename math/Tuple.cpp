#include "math/Tuple.h"

#include <cmath>
#include <cstdlib>
#include <ostream>

Tuple::Tuple() : x(0.0f), y(0.0f), z(0.0f) {}

Tuple::Tuple(float x, float y, float z) : x(x), y(y), z(z) {}

Tuple::Tuple(const Tuple& toCopy) = default;

namespace {
// One component: the difference of two draws, with C's remainder (which
// keeps the sign of the dividend). The draws are sequenced, minuend first.
float randomComponent(int range) {
    const int minuend = std::rand();
    const int subtrahend = std::rand();
    return static_cast<float>((minuend - subtrahend) % range);
}
}  // namespace

Tuple::Tuple(int range) {
    x = randomComponent(range);
    y = randomComponent(range);
    z = randomComponent(range);
}

Tuple::~Tuple() = default;

Tuple& Tuple::operator=(const Tuple& toCopy) {
    if (this != &toCopy) {
        x = toCopy.x;
        y = toCopy.y;
        z = toCopy.z;
    }
    return *this;
}

bool Tuple::operator==(const Tuple& toCompare) const {
    return x == toCompare.x && y == toCompare.y && z == toCompare.z;
}

bool Tuple::operator!=(const Tuple& toCompare) const { return !(*this == toCompare); }

const Tuple Tuple::operator+(const Tuple& toAdd) const {
    return Tuple(x + toAdd.x, y + toAdd.y, z + toAdd.z);
}

Tuple& Tuple::operator+=(const Tuple& toAdd) {
    x += toAdd.x;
    y += toAdd.y;
    z += toAdd.z;
    return *this;
}

const Tuple Tuple::operator-(const Tuple& toSub) const {
    return Tuple(x - toSub.x, y - toSub.y, z - toSub.z);
}

Tuple& Tuple::operator-=(const Tuple& toSub) {
    x -= toSub.x;
    y -= toSub.y;
    z -= toSub.z;
    return *this;
}

const Tuple Tuple::operator-() const { return Tuple(x * -1.0f, y * -1.0f, z * -1.0f); }

Tuple& Tuple::operator*=(float scaleFactor) {
    x *= scaleFactor;
    y *= scaleFactor;
    z *= scaleFactor;
    return *this;
}

Tuple& Tuple::operator/=(float scaleFactor) {
    // The reciprocal is rounded once, then multiplied in: (10, 0, 0) / 3 has
    // x = 3.3333335, not the correctly rounded quotient 3.3333333.
    const float inverse = 1.0f / scaleFactor;
    return *this *= inverse;
}

float& Tuple::operator[](int index) { return index == 0 ? x : (index == 1 ? y : z); }

const float& Tuple::operator[](int index) const { return index == 0 ? x : (index == 1 ? y : z); }

float Tuple::dot(const Tuple& toDot) const {
    // Summed z first: the order is part of the result's last bit.
    const float zy = z * toDot.z + y * toDot.y;
    return zy + x * toDot.x;
}

const Tuple Tuple::cross(const Tuple& toCross) const {
    return Tuple(y * toCross.z - toCross.y * z, toCross.x * z - x * toCross.z,
                 toCross.y * x - toCross.x * y);
}

float Tuple::length() const {
    const float squares = (x * x + y * y) + z * z;
    return static_cast<float>(std::sqrt(static_cast<double>(squares)));
}

Tuple& Tuple::normalize() {
    const float inverse = 1.0f / length();
    return *this *= inverse;
}

Tuple Tuple::matrixMultiply(const float* m) const {
    Tuple result;
    for (int i = 0; i < 3; ++i) {
        // Each partial sum starts from +0 and is rounded to single precision;
        // m[3], m[7], m[11] and m[15] (the bottom row) are never read.
        float sum = 0.0f;
        sum = m[i] * x + sum;
        sum = m[4 + i] * y + sum;
        sum = m[8 + i] * z + sum;
        sum = m[12 + i] + sum;
        result[i] = sum;
    }
    return result;
}

const Tuple operator*(const Tuple& toMultiply, const float& factor) {
    return Tuple(toMultiply.x * factor, toMultiply.y * factor, toMultiply.z * factor);
}

const Tuple operator*(const float& factor, const Tuple& toMultiply) { return toMultiply * factor; }

const Tuple operator/(const Tuple& toDivide, const float& factor) {
    const float inverse = 1.0f / factor;
    return toDivide * inverse;
}

std::ostream& operator<<(std::ostream& out_file, const Tuple& theTuple) {
    return out_file << theTuple.x << ", " << theTuple.y << ", " << theTuple.z;
}
