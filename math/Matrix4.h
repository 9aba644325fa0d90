#pragma once

#include <array>

// A single-precision 4x4 matrix in OpenGL's column-major order (row r,
// column c at index 4c + r), with the rotation and translation that
// glRotatef and glTranslatef define, each post-multiplied onto the matrix
// as they are. Lets geometry build transforms without a rendering context.
class Matrix4 {
public:
    // The identity.
    Matrix4();

    // Multiplies by the rotation of `angle` degrees about the axis (x, y, z),
    // counter-clockwise when the axis points at the viewer. The axis is
    // normalised here; a near-zero axis leaves the matrix unchanged.
    void rotate(float angle, float x, float y, float z);
    // Multiplies by the translation by (x, y, z).
    void translate(float x, float y, float z);

    const std::array<float, 16>& values() const { return m; }

private:
    void multiplyBy(const std::array<float, 16>& rhs);

    std::array<float, 16> m;
};
