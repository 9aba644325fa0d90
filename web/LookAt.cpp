// gluLookAt for the browser build, whose GLU's version leaves the current
// matrix as it was. The usual construction, in single precision: a rotation
// whose rows are the side, up and backward directions of the camera, then a
// translation of the eye to the origin.
#include <GL/glu.h>

#include <cmath>

namespace {

struct Vec {
    float x, y, z;
};

Vec cross(const Vec& a, const Vec& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A zero vector stays zero, as a degenerate view leaves it.
Vec normalized(const Vec& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    if (length == 0.0f) {
        return v;
    }
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX, GLdouble centerY,
               GLdouble centerZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    const Vec forward =
        normalized({static_cast<float>(centerX - eyeX), static_cast<float>(centerY - eyeY),
                    static_cast<float>(centerZ - eyeZ)});
    const Vec side = normalized(cross(
        forward, {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)}));
    const Vec up = cross(side, forward);
    // Column-major: the rows of the rotation are side, up and -forward.
    const GLfloat m[16] = {
        side.x, up.x, -forward.x, 0.0f, side.y, up.y, -forward.y, 0.0f,
        side.z, up.z, -forward.z, 0.0f, 0.0f,   0.0f, 0.0f,       1.0f,
    };
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}
