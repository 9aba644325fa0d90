#include "geometry/Triangle.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <iostream>
#include <sstream>
#include <stdexcept>

#include "math/ExtendedMath.h"
#include "math/Matrix4.h"

namespace {

constexpr float noContact = 2.0f;

// Writes one diagnostic line and flushes it. Numbers appear in the
// stream's default format (six significant digits; the NaN an operation
// produces here is "-nan" or "nan", as the hardware signs it); whatever
// format the caller had set on the stream is restored afterwards, and a
// width left pending is dropped.
template <typename T>
void diagnostic(const char* label, const T& value) {
    std::ostream& out = std::cout;
    const std::ios_base::fmtflags flags = out.flags();
    const std::streamsize precision = out.precision();
    out.flags(std::ios_base::dec | std::ios_base::skipws | (flags & std::ios_base::unitbuf));
    out.precision(6);
    out.width(0);
    out << label << value << std::endl;
    out.flags(flags);
    out.precision(precision);
}

}  // namespace

Triangle::Triangle(Tuple v1, Tuple v2, Tuple v3, double r, double g, double b)
    : v1(v1), v2(v2), v3(v3), r(r), g(g), b(b), matrix(std::make_unique<float[]>(16)) {
    for (int i = 0; i < 16; ++i) {
        matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
    }
}

Triangle::Triangle(const Triangle& toCopy)
    : v1(toCopy.v1),
      v2(toCopy.v2),
      v3(toCopy.v3),
      r(toCopy.r),
      g(toCopy.g),
      b(toCopy.b),
      matrix(std::make_unique<float[]>(16)) {
    std::copy(toCopy.matrix.get(), toCopy.matrix.get() + 16, matrix.get());
}

Triangle& Triangle::operator=(const Triangle& toCopy) {
    // Copies into our own buffer, which stays exclusive. Self-assignment
    // copies nothing: std::copy onto its own range is undefined.
    if (this == &toCopy) {
        return *this;
    }
    v1 = toCopy.v1;
    v2 = toCopy.v2;
    v3 = toCopy.v3;
    r = toCopy.r;
    g = toCopy.g;
    b = toCopy.b;
    std::copy(toCopy.matrix.get(), toCopy.matrix.get() + 16, matrix.get());
    return *this;
}

Triangle::~Triangle() = default;

Tuple& Triangle::operator[](int index) {
    const Triangle& self = *this;
    return const_cast<Tuple&>(self[index]);
}

const Tuple& Triangle::operator[](int index) const {
    switch (index) {
        case 0:
            return v1;
        case 1:
            return v2;
        case 2:
            return v3;
        default:
            throw std::out_of_range("Triangle corner index " + std::to_string(index) +
                                    " is not 0, 1 or 2");
    }
}

const Tuple Triangle::getV1() const { return v1; }
const Tuple Triangle::getV2() const { return v2; }
const Tuple Triangle::getV3() const { return v3; }
void Triangle::setV1(Tuple v) { v1 = v; }
void Triangle::setV2(Tuple v) { v2 = v; }
void Triangle::setV3(Tuple v) { v3 = v; }

void Triangle::setColor(float r, float g, float b) {
    this->r = r;
    this->g = g;
    this->b = b;
}

void Triangle::collide(Path& ballPath, const double radius, Tuple& vel) {
    float earliest = 1.0f;
    const float narrowRadius = static_cast<float>(radius);

    // Every test sees the path as it came in; it is cut only at the end.
    // Comparisons are "strictly below", so a NaN result never replaces the
    // earliest contact.
    const float edge = collideEdges(ballPath, narrowRadius, v2, vel);
    if (edge < earliest) {
        earliest = edge;
    }
    for (const Tuple* corner : {&v1, &v2, &v3}) {
        const float t = collideVertex(ballPath, *corner, narrowRadius);
        if (t < earliest) {
            earliest = t;
        }
    }
    const float face = collideFace(ballPath, radius);
    if (face < earliest) {
        earliest = face;
    }

    ballPath.end = ballPath.span(earliest);
    if (earliest < 1.0f) {
        vel[0] = 0.0f;
        vel[1] = 0.0f;
        vel[2] = 0.0f;
    }
}

float Triangle::collideEdges(Path& ballPath, const float radius, Tuple& edgeEnd, Tuple& vel) {
    // Motion along the axis never meets the cylinder's wall. The test reads
    // the velocity, not the path.
    if (vel[1] == 0.0f && vel[2] == 0.0f) {
        diagnostic("", 1);
        return noContact;
    }

    float t = 0.0f;
    try {
        // |(S.y, S.z) + t (D.y, D.z)|^2 = radius^2, each term a float
        // product rounded before it is summed, in this order.
        const float sy = ballPath.start[1];
        const float sz = ballPath.start[2];
        const float dy = ballPath.end[1] - sy;
        const float dz = ballPath.end[2] - sz;
        const float a = dz * dz + dy * dy;
        const float b = (dz * sz + dy * sy) * 2.0f;
        const float c = sz * sz + sy * sy - radius * radius;
        t = ExtendedMath().solveQuad(a, b, c);
    } catch (const std::exception&) {
        diagnostic("", 2);
        return noContact;
    }

    // Both comparisons are false for NaN, which passes on unreported.
    if (t < 0.0f || t >= 1.0f) {
        diagnostic("", 3);
        diagnostic("Root: ", t);
        return noContact;
    }

    // The sphere touches the axis line at the x of its centre; beyond either
    // end of the segment there is no edge to touch. A NaN x passes.
    const Tuple contactCenter = ballPath.span(t);
    if (contactCenter[0] > edgeEnd[0] || contactCenter[0] < 0.0f) {
        return noContact;
    }
    return t;
}

float Triangle::collideVertex(Path& ballPath, const Tuple& vert, const float radius) {
    float t = 0.0f;
    try {
        // |p + t D|^2 = radius^2 with p = S - V, D = E - S; summed z, y, x.
        const Tuple& s = ballPath.start;
        const Tuple& e = ballPath.end;
        const float px = s[0] - vert[0];
        const float py = s[1] - vert[1];
        const float pz = s[2] - vert[2];
        const float dx = e[0] - s[0];
        const float dy = e[1] - s[1];
        const float dz = e[2] - s[2];
        const float a = dz * dz + dy * dy + dx * dx;
        const float b = (pz * dz + py * dy + px * dx) * 2.0f;
        const float c = pz * pz + py * py + px * px - radius * radius;
        t = ExtendedMath().solveQuad(a, b, c);
    } catch (const std::exception&) {
        return noContact;
    }

    diagnostic("", t);
    // Written so that NaN, like any root outside [0, 1), is no contact.
    if (t >= 0.0f && t < 1.0f) {
        return t;
    }
    return noContact;
}

float Triangle::collideFace(Path& ballPath, const double radius) {
    const float rho = static_cast<float>(radius);
    const float sx = ballPath.start[0];
    const float sy = ballPath.start[1];
    const float sz = ballPath.start[2];
    const float ex = ballPath.end[0];
    const float ey = ballPath.end[1];
    const float ez = ballPath.end[2];

    if (sy < rho || sy == ey) {
        return noContact;
    }
    // In this form a start exactly at the touching height gives -0 when
    // moving down and +0 when moving up; both are a contact at the start.
    const float t = (rho - sy) / (ey - sy);
    if (t < 0.0f || t > 1.0f) {
        return noContact;
    }

    const float px = (ex - sx) * t + sx;
    const float pz = (ez - sz) * t + sz;
    // The edge lines are tested with ordered comparisons that reject only
    // when they hold, so a 0/0 or inf/inf quotient never rejects on its own.
    // A v2 on the z axis makes px / v2.x infinite; points at px <= 0 are
    // caught here first.
    if (v2[0] == 0.0f && px <= 0.0f) {
        return noContact;
    }
    // Strictly on the +x side of the line from the origin through v2.
    if (px / v2[0] <= pz / v2[2]) {
        return noContact;
    }
    // Strictly on the origin's side of the line through v3 and v2.
    if (px >= (pz - v3[2]) * (v2[0] - v3[0]) / (v2[2] - v3[2]) + v3[0]) {
        return noContact;
    }
    // Strictly on the +z side of the x axis, the edge v1-v3.
    if (pz <= 0.0f) {
        return noContact;
    }
    return t;
}

namespace {

// Radians to degrees with the float quotient of 180 and 3.14159, so a right
// angle becomes 90.000076 degrees, not 90.
constexpr float degreesPerRadian = 180.0f / 3.14159f;

float degreesOfArcCos(float cosine) {
    const float radians = static_cast<float>(std::acos(static_cast<double>(cosine)));
    return radians * degreesPerRadian;
}

std::invalid_argument noStandardPosition(const Tuple& v1, const Tuple& v2, const Tuple& v3,
                                         const std::string& why) {
    std::ostringstream text;
    text << "Triangle (" << v1 << "), (" << v2 << "), (" << v3
         << ") has no standard position: " << why;
    return std::invalid_argument(text.str());
}

bool allFinite(const Tuple& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

constexpr const char* tooLarge = "its coordinates are too large for single precision";

// The smallest length whose square is a normal float (2^-63, the square
// root of FLT_MIN). Below it the squares have lost precision or vanished,
// the length is off by far more than rounding, and so is the direction that
// dividing by it gives.
constexpr float shortestLength = 0x1p-63f;

// Rejects a length the float squares cannot measure: infinite, from
// coordinates whose squares overflow, or too short (tooShort says which two
// points are too close).
void checkLength(float length, const Tuple& v1, const Tuple& v2, const Tuple& v3,
                 const char* tooShort) {
    if (!std::isfinite(length)) {
        throw noStandardPosition(v1, v2, v3, tooLarge);
    }
    if (length < shortestLength) {
        throw noStandardPosition(v1, v2, v3, std::string(tooShort) + " for single precision");
    }
}

}  // namespace

void Triangle::standardize() const {
    const Tuple xAxis(1.0f, 0.0f, 0.0f);
    if (!allFinite(v1) || !allFinite(v2) || !allFinite(v3)) {
        throw noStandardPosition(v1, v2, v3, "its corners are not all finite");
    }
    const Tuple d2 = v2 - v1;
    const Tuple d3 = v3 - v1;
    if (d3 == Tuple()) {
        throw noStandardPosition(v1, v2, v3, "v3 coincides with v1");
    }
    checkLength(d3.length(), v1, v2, v3, "v3 is too close to v1");
    Tuple n = d3;
    n.normalize();

    // First rotation: turns n onto +x. When n is along +-x, or so close that
    // n x e_x has no length, the axis is arbitrary: use +y, with 0 or a
    // straight 180. "So close" covers a length such as 6.9486747, which
    // normalises to 0.99999994 rather than 1, and a tilt such as
    // (7, 1e-22, 0), whose cross product is not zero but squares to 0.
    Tuple axis1(0.0f, 1.0f, 0.0f);
    float angle1 = 0.0f;
    const Tuple perpendicular = n.cross(xAxis);
    if (perpendicular.length() != 0.0f) {
        axis1 = perpendicular;
        axis1.normalize();
        angle1 = degreesOfArcCos(n.dot(xAxis));
    } else if (n[0] < 0.0f) {
        angle1 = 180.0f;
    }

    Matrix4 first;
    first.rotate(angle1, axis1.x, axis1.y, axis1.z);
    const std::array<float, 16>& a = first.values();
    Tuple w;
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            w[i] = a[i + 4 * j] * d2[j] + w[i];
        }
    }

    // Second rotation: about x, turning d2 (as the first rotation left it)
    // into the plane y = 0 at positive z.
    const Tuple p(0.0f, w.y, w.z);
    if (p == Tuple()) {
        throw noStandardPosition(v1, v2, v3, "v2 lies on the line through v1 and v3");
    }
    const float pLength = p.length();
    checkLength(pLength, v1, v2, v3, "v2 is too close to the line through v1 and v3");
    const float angle2 = degreesOfArcCos(p.z / pLength);
    const Tuple axis2 = p.y < 0.0f ? -xAxis : xAxis;

    Matrix4 full;
    full.rotate(angle2, axis2.x, axis2.y, axis2.z);
    full.rotate(angle1, axis1.x, axis1.y, axis1.z);
    full.translate(-v1.x, -v1.y, -v1.z);
    const std::array<float, 16>& f = full.values();
    if (!std::all_of(f.begin(), f.end(), [](float value) { return std::isfinite(value); })) {
        throw noStandardPosition(v1, v2, v3, tooLarge);
    }
    std::copy(f.begin(), f.end(), matrix.get());
}
