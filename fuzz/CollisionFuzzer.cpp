// libFuzzer target for the swept-sphere collision tests and the
// standard-position transform of one triangle.
//
// Input layout, little-endian, shorter inputs padded with zero bytes:
//   bytes  0..35  v1, v2, v3           nine floats
//   bytes 36..59  path start, end      six floats
//   bytes 60..67  radius               one double
//   bytes 68..79  velocity             three floats
//   byte  80      optional mode: odd turns on the scene scale (below)
// Any bit pattern is accepted: NaN, infinities, subnormals, huge values.
// At the scene scale every float is instead read as a multiple of 1/1024
// within +-16 and the radius as 0.05 to 2, so that the mutations explore
// ordinary rooms, where wrong geometry shows, rather than mostly NaN.
//
// Every finding aborts with a message on standard error. The checks:
//   - no exception leaves collide or the single tests;
//   - collideVertex returns 2 or a parameter in [0, 1), never NaN or a
//     negative value; collideEdges the same or NaN; collideFace 2, a
//     parameter in [0, 1], or NaN only when an input or an intermediate
//     value of its own is not finite;
//   - no test changes its arguments (path, edge end, velocity);
//   - collide leaves the triangle and the path's start bitwise as they were,
//     ends the path at span() of the earliest real result below 1 (or of 1),
//     zeroes the velocity exactly when there was such a result, and so never
//     counts a NaN as a contact;
//   - standardize either fills the buffer with finite values that carry a
//     well-shaped triangle, at any magnitude, to its standard position, or
//     throws std::invalid_argument and leaves the buffer bitwise as it was;
//     it never rejects a well-shaped triangle of a size whose squares single
//     precision can hold.

#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <iostream>
#include <stdexcept>
#include <streambuf>

#include "geometry/Triangle.h"
#include "math/Tuple.h"
#include "world/Path.h"

namespace {

// Swallows everything written to it: the tests' diagnostic lines are still
// formatted and flushed, but go nowhere.
class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*s*/, std::streamsize n) override { return n; }
};

constexpr std::size_t inputSize = 81;

[[noreturn]] void finding(const char* what) {
    std::fprintf(stderr, "collision fuzzer finding: %s\n", what);
    std::abort();
}

void check(bool holds, const char* what) {
    if (!holds) {
        finding(what);
    }
}

template <typename T>
std::uint64_t bitsOf(T value) {
    static_assert(sizeof(T) <= sizeof(std::uint64_t), "scalar");
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof value);
    return bits;
}

// Compares the three components bit for bit (Tuple has a vtable pointer, so
// the object itself is not compared as bytes).
bool sameBits(const Tuple& a, const Tuple& b) {
    return bitsOf(a.x) == bitsOf(b.x) && bitsOf(a.y) == bitsOf(b.y) && bitsOf(a.z) == bitsOf(b.z);
}

bool sameBits(const Path& a, const Path& b) {
    return sameBits(a.start, b.start) && sameBits(a.end, b.end);
}

// Everything a triangle holds, to show that an operation left it alone.
struct Snapshot {
    Tuple v1, v2, v3;
    std::uint64_t r, g, b;
    std::array<float, 16> matrix{};

    explicit Snapshot(const Triangle& t)
        : v1(t.getV1()),
          v2(t.getV2()),
          v3(t.getV3()),
          r(bitsOf(t.getRed())),
          g(bitsOf(t.getGreen())),
          b(bitsOf(t.getBlue())) {
        std::memcpy(matrix.data(), t.getMatrix(), sizeof(float) * 16);
    }

    bool sameRecord(const Triangle& t) const {
        return sameBits(v1, t.getV1()) && sameBits(v2, t.getV2()) && sameBits(v3, t.getV3()) &&
               r == bitsOf(t.getRed()) && g == bitsOf(t.getGreen()) && b == bitsOf(t.getBlue());
    }

    bool sameMatrix(const Triangle& t) const {
        return std::memcmp(matrix.data(), t.getMatrix(), sizeof(float) * 16) == 0;
    }
};

bool allFinite(std::initializer_list<float> values) {
    for (const float v : values) {
        if (!std::isfinite(v)) {
            return false;
        }
    }
    return true;
}

float readFloat(const std::uint8_t* bytes) {
    float value = 0.0f;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// A float's bits as a multiple of 1/1024 in [-16, 16].
float sceneScale(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    const auto steps = static_cast<std::int32_t>(bits % 32769u) - 16384;
    return static_cast<float>(steps) / 1024.0f;
}

struct Reader {
    const std::uint8_t* bytes;
    bool scene;

    float at(std::size_t offset) const {
        const float value = readFloat(bytes + offset);
        return scene ? sceneScale(value) : value;
    }
    Tuple tuple(std::size_t offset) const {
        return Tuple(at(offset), at(offset + 4), at(offset + 8));
    }
    double radius() const {
        double value = 0.0;
        std::memcpy(&value, bytes + 60, sizeof value);
        if (!scene) {
            return value;
        }
        std::uint64_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        return 0.05 + static_cast<double>(bits % 1951u) / 1000.0;
    }
};

// Edge, vertex and face tests one by one, each on its own copy of the
// arguments; returns the earliest real result below 1, or 1.
float runSingleTests(Triangle& triangle, const Path& path, double radius, const Tuple& vel) {
    const float narrowRadius = static_cast<float>(radius);
    float earliest = 1.0f;

    {
        Path p = path;
        Tuple edgeEnd = triangle.getV2();
        Tuple v = vel;
        const float t = triangle.collideEdges(p, narrowRadius, edgeEnd, v);
        check(sameBits(p, path), "collideEdges changed the path");
        check(sameBits(edgeEnd, triangle.getV2()), "collideEdges changed the edge end");
        check(sameBits(v, vel), "collideEdges changed the velocity");
        check(t == 2.0f || std::isnan(t) || (t >= 0.0f && t < 1.0f),
              "collideEdges returned a value outside {2, NaN} and [0, 1)");
        if (t < earliest) {
            earliest = t;
        }
    }

    for (const Tuple& corner : {triangle.getV1(), triangle.getV2(), triangle.getV3()}) {
        Path p = path;
        const float t = triangle.collideVertex(p, corner, narrowRadius);
        check(sameBits(p, path), "collideVertex changed the path");
        check(!std::isnan(t), "collideVertex returned NaN");
        check(t == 2.0f || (t >= 0.0f && t < 1.0f),
              "collideVertex returned a value outside {2} and [0, 1)");
        if (t < earliest) {
            earliest = t;
        }
    }

    {
        Path p = path;
        const float t = triangle.collideFace(p, radius);
        check(sameBits(p, path), "collideFace changed the path");
        check(t == 2.0f || std::isnan(t) || (t >= 0.0f && t <= 1.0f),
              "collideFace returned a value outside {2, NaN} and [0, 1]");
        if (std::isnan(t)) {
            // Its parameter is (rho - sy) / (ey - sy): NaN needs a NaN or an
            // infinity among these.
            const float sy = path.start.y;
            const float ey = path.end.y;
            check(!allFinite({narrowRadius, sy, ey, narrowRadius - sy, ey - sy}),
                  "collideFace returned NaN from finite values");
        }
        if (t < earliest) {
            earliest = t;
        }
    }
    return earliest;
}

void fuzzCollide(Triangle& triangle, const Path& path, double radius, const Tuple& vel) {
    const Snapshot before(triangle);
    const float earliest = runSingleTests(triangle, path, radius, vel);
    check(before.sameRecord(triangle) && before.sameMatrix(triangle),
          "a single test changed the triangle");

    Path p = path;
    Tuple v = vel;
    try {
        triangle.collide(p, radius, v);
    } catch (...) {
        finding("an exception escaped collide");
    }
    check(before.sameRecord(triangle) && before.sameMatrix(triangle),
          "collide changed the triangle");
    check(sameBits(p.start, path.start), "collide changed the path's start");
    check(sameBits(p.end, path.span(earliest)),
          "collide did not end the path at the earliest contact");
    if (earliest < 1.0f) {
        check(sameBits(v, Tuple(0.0f, 0.0f, 0.0f)), "collide did not zero the velocity on contact");
    } else {
        check(sameBits(v, vel), "collide changed the velocity without a contact");
    }
}

double distance(const Tuple& a, const Tuple& b) {
    return std::hypot(double(a.x) - b.x, double(a.y) - b.y, double(a.z) - b.z);
}

// Where the checks below can hold to a tolerance, at any magnitude: finite
// corners and an angle between the sides of at least about half a degree.
bool wellShaped(const Tuple& v1, const Tuple& v2, const Tuple& v3) {
    if (!allFinite({v1.x, v1.y, v1.z, v2.x, v2.y, v2.z, v3.x, v3.y, v3.z})) {
        return false;
    }
    const double d2[3] = {double(v2.x) - v1.x, double(v2.y) - v1.y, double(v2.z) - v1.z};
    const double d3[3] = {double(v3.x) - v1.x, double(v3.y) - v1.y, double(v3.z) - v1.z};
    const double area = std::hypot(d2[1] * d3[2] - d2[2] * d3[1], d2[2] * d3[0] - d2[0] * d3[2],
                                   d2[0] * d3[1] - d2[1] * d3[0]);
    return area > 0.0 && area >= 1.0e-2 * distance(v1, v2) * distance(v1, v3);
}

// Sizes whose squares stay in the normal float range, and corners whose
// translation cannot overflow: there a well-shaped triangle must be accepted.
bool measurable(const Tuple& v1, const Tuple& v2, const Tuple& v3) {
    for (const float c : {v1.x, v1.y, v1.z}) {
        if (!(std::fabs(c) <= 1.0e37f)) {
            return false;
        }
    }
    const double l2 = distance(v1, v2);
    const double l3 = distance(v1, v3);
    return l2 >= 1.0e-16 && l3 >= 1.0e-16 && l2 <= 1.0e18 && l3 <= 1.0e18;
}

// The matrix applied in double: v1 must land at the origin, v3 on +x at its
// distance from v1, and v2 in the plane y = 0 at non-negative z. The
// tolerance covers the conversion of radians with the float 180 / 3.14159
// and the arc cosine's loss of accuracy near 0 and 180 degrees.
void checkStandardPosition(const float* m, const Tuple& v1, const Tuple& v2, const Tuple& v3) {
    auto apply = [m](const Tuple& p, int row) {
        return double(m[row]) * p.x + double(m[4 + row]) * p.y + double(m[8 + row]) * p.z +
               double(m[12 + row]);
    };
    const double l3 = distance(v1, v3);
    const double scale =
        std::fabs(v1.x) + std::fabs(v1.y) + std::fabs(v1.z) + l3 + distance(v1, v2);
    const double tolerance = 2.0e-3 * scale;
    for (int row = 0; row < 3; ++row) {
        check(std::fabs(apply(v1, row)) <= tolerance, "standardize did not move v1 to the origin");
    }
    check(std::fabs(apply(v3, 0) - l3) <= tolerance, "standardize did not turn v3 onto +x");
    check(std::fabs(apply(v3, 1)) <= tolerance && std::fabs(apply(v3, 2)) <= tolerance,
          "standardize did not turn v3 onto +x");
    check(std::fabs(apply(v2, 1)) <= tolerance, "standardize left v2 out of the plane y = 0");
    check(apply(v2, 2) >= -tolerance, "standardize turned v2 to negative z");
}

void fuzzStandardize(const Tuple& v1, const Tuple& v2, const Tuple& v3) {
    // Start from a buffer that is not the identity, so that "unchanged after
    // a rejection" means something: the transform of a wall.
    Triangle triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0.8, 0.0, 0.0);
    triangle.standardize();
    triangle.setV1(v1);
    triangle.setV2(v2);
    triangle.setV3(v3);
    const Snapshot before(triangle);

    bool rejected = false;
    try {
        triangle.standardize();
    } catch (const std::invalid_argument&) {
        rejected = true;
    } catch (...) {
        finding("standardize threw something other than std::invalid_argument");
    }
    check(before.sameRecord(triangle), "standardize changed the triangle's corners or colour");
    if (rejected) {
        check(before.sameMatrix(triangle), "standardize changed the buffer and then threw");
        check(!(wellShaped(v1, v2, v3) && measurable(v1, v2, v3)),
              "standardize rejected a well-shaped triangle");
        return;
    }
    const float* m = triangle.getMatrix();
    for (int i = 0; i < 16; ++i) {
        check(std::isfinite(m[i]), "standardize stored a value that is not finite");
    }
    if (wellShaped(v1, v2, v3)) {
        checkStandardPosition(m, v1, v2, v3);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* /*argc*/, char*** /*argv*/) {
    // The diagnostics are formatted and flushed as usual but discarded.
    static NullBuffer discard;
    std::cout.rdbuf(&discard);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::uint8_t bytes[inputSize] = {};
    std::memcpy(bytes, data, size < inputSize ? size : inputSize);

    const Reader in{bytes, (bytes[80] & 1u) != 0};

    const Tuple v1 = in.tuple(0);
    const Tuple v2 = in.tuple(12);
    const Tuple v3 = in.tuple(24);
    const Path path(in.tuple(36), in.tuple(48));
    const double radius = in.radius();
    const Tuple vel = in.tuple(68);

    Triangle triangle(v1, v2, v3, 0.9, 0.0, 0.0);
    fuzzCollide(triangle, path, radius, vel);
    fuzzStandardize(v1, v2, v3);
    return 0;
}
