#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "geometry/Triangle.h"
#include "support/StreamCapture.h"

// Seeded random paths, radii and velocities, ordinary and hostile (NaN,
// infinities, zero-length paths, huge, tiny and subnormal values), against
// the scene's triangles and random ones. Whatever comes in, a step must stay
// sane: no exception, the start and the triangle untouched, and the end cut
// only at a real contact below 1.

namespace {

constexpr float inf = std::numeric_limits<float>::infinity();
constexpr float nan = std::numeric_limits<float>::quiet_NaN();
constexpr int sampleCount = 8000;

std::array<std::uint32_t, 3> bitsOf(const Tuple& t) {
    std::array<std::uint32_t, 3> bits;
    std::memcpy(&bits[0], &t.x, sizeof(float));
    std::memcpy(&bits[1], &t.y, sizeof(float));
    std::memcpy(&bits[2], &t.z, sizeof(float));
    return bits;
}

bool sameBits(const Tuple& a, const Tuple& b) { return bitsOf(a) == bitsOf(b); }

bool isFinite(const Tuple& t) {
    return std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z);
}

class SampleSource {
public:
    explicit SampleSource(std::uint32_t seed) : rng(seed) {}

    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(rng); }
    float uniform(float low, float high) {
        return std::uniform_real_distribution<float>(low, high)(rng);
    }
    float sign() { return pick(2) == 0 ? 1.0f : -1.0f; }

    // Mostly ordinary coordinates, with every kind of hostile value mixed in.
    float anyValue() {
        switch (pick(20)) {
            case 0:
            case 1:
            case 2:
            case 3:
            case 4:
            case 5:
            case 6:
            case 7:
                return uniform(-9.0f, 9.0f);
            case 8:
            case 9:
                return static_cast<float>(pick(73) - 36) * 0.25f;
            case 10:
                return nan;
            case 11:
                return inf;
            case 12:
                return -inf;
            case 13:
                return sign() * 0.0f;
            case 14:
                return sign() * std::numeric_limits<float>::denorm_min() *
                       static_cast<float>(1 + pick(1 << 22));
            case 15:
                return sign() * std::ldexp(uniform(1.0f, 2.0f), 100 + pick(28));
            case 16:
                return sign() * std::ldexp(uniform(1.0f, 2.0f), -126 + pick(27));
            default:
                return uniform(-1.0f, 8.0f);
        }
    }

    // Braced lists: the draws happen in the order written, x first.
    Tuple anyTuple() { return Tuple{anyValue(), anyValue(), anyValue()}; }
    Tuple scenePoint() {
        return Tuple{uniform(-1.5f, 8.5f), uniform(-1.5f, 8.5f), uniform(-1.5f, 8.5f)};
    }
    Tuple delta(float scale) {
        return Tuple{uniform(-3, 3) * scale, uniform(-3, 3) * scale, uniform(-3, 3) * scale};
    }

    Path path() {
        const Tuple start = scenePoint();
        switch (pick(13)) {
            case 0:
            case 1:
                return Path(start, start + delta(std::pow(10.0f, uniform(-3.0f, 0.5f))));
            case 2:
            case 3:
            case 4: {
                // Straight at one of the planes x = 0, y = 0 or z = 0.
                Tuple end = start + delta(0.2f);
                const int axis = pick(3);
                end[axis] = uniform(-1.0f, 0.6f);
                Tuple from = start;
                from[axis] = uniform(0.4f, 3.0f);
                return Path(from, end);
            }
            case 5:
                // Zero length, or from anywhere to the shared corner.
                return pick(2) == 0 ? Path(start, start) : Path(anyTuple(), Tuple());
            case 6:
            case 7: {
                const Tuple from = anyTuple();
                return Path(from, anyTuple());
            }
            case 8: {
                Tuple end = start + delta(1.0f);
                end[pick(3)] = anyValue();
                return Path(start, end);
            }
            case 10:
            case 11:
            case 12: {
                // Through the neighbourhood of one of the scene's corners.
                const Tuple corners[] = {Tuple(0, 0, 0), Tuple(7, 0, 0), Tuple(0, 0, 7),
                                         Tuple(0, 7, 0)};
                const Tuple target = corners[pick(4)] + delta(0.2f);
                const Tuple from = target + delta(1.0f);
                return Path(from, target - (from - target) * uniform(0.2f, 1.5f));
            }
            default:
                // Steps down to the subnormal range, some rounding to nothing.
                return Path(start, start + delta(std::ldexp(1.0f, -pick(150))));
        }
    }

    double radius() {
        switch (pick(20)) {
            case 0:
            case 1:
                return uniform(0.0f, 2.0f);
            case 2:
                return -uniform(0.0f, 2.0f);
            case 3:
                return 0.0;
            case 4:
            case 5:
                return anyValue();
            default:
                return 0.5;
        }
    }

    Tuple velocity(const Path& path) {
        switch (pick(10)) {
            case 0:
            case 1:
            case 2:
            case 3:
                return (path.end - path.start) * 300.0f;
            case 4:
            case 5:
                return Tuple(sign() * 0.0f, sign() * 0.0f, sign() * 0.0f);
            case 6:
                return Tuple(anyValue(), sign() * 0.0f, sign() * 0.0f);
            default:
                return anyTuple();
        }
    }

    std::unique_ptr<Triangle> triangle() {
        switch (pick(5)) {
            case 0:
                return std::make_unique<Triangle>(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0),
                                                  0.9, 0, 0);
            case 1:
                return std::make_unique<Triangle>(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0,
                                                  0.9, 0);
            case 2:
                return std::make_unique<Triangle>(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7), 0,
                                                  0, 0.9);
            case 3: {
                // In standard position: v3 on +x, v2 at z > 0, x >= 0.
                const Tuple v2{uniform(0, 8), 0, uniform(0.01f, 8)};
                const Tuple v3{uniform(0.01f, 8), 0, 0};
                return std::make_unique<Triangle>(Tuple(0, 0, 0), v2, v3, 0.5, 0.5, 0.5);
            }
            default: {
                const Tuple v1 = anyTuple();
                const Tuple v2 = anyTuple();
                return std::make_unique<Triangle>(v1, v2, anyTuple(), 0.1, 0.2, 0.3);
            }
        }
    }

private:
    std::mt19937 rng;
};

struct Sample {
    std::unique_ptr<Triangle> triangle;
    Path path;
    double radius;
    Tuple vel;
};

std::string describe(const Sample& s) {
    std::ostringstream text;
    text.precision(9);
    text << "triangle (" << s.triangle->getV1() << "), (" << s.triangle->getV2() << "), ("
         << s.triangle->getV3() << "); path (" << s.path.start << ") -> (" << s.path.end
         << "); radius " << s.radius << "; vel (" << s.vel << ")";
    return text.str();
}

// What the five tests report on their own, with their own promises checked:
// each only reads its inputs and keeps to its range of results.
std::array<float, 5> runEachTest(const Sample& s) {
    Triangle& tri = *s.triangle;
    const float radius = static_cast<float>(s.radius);
    std::array<float, 5> results{};

    Path path = s.path;
    Tuple edgeEnd = tri.getV2();
    Tuple vel = s.vel;
    results[0] = tri.collideEdges(path, radius, edgeEnd, vel);
    EXPECT_TRUE(sameBits(path.start, s.path.start) && sameBits(path.end, s.path.end) &&
                sameBits(edgeEnd, tri.getV2()) && sameBits(vel, s.vel))
        << "edge test changed an input: " << describe(s);
    EXPECT_TRUE(std::isnan(results[0]) || results[0] == 2.0f ||
                (results[0] >= 0.0f && results[0] < 1.0f))
        << "edge " << results[0] << ": " << describe(s);

    const Tuple corners[] = {tri.getV1(), tri.getV2(), tri.getV3()};
    for (int i = 0; i < 3; ++i) {
        const Tuple vert = corners[i];
        results[1 + i] = tri.collideVertex(path, vert, radius);
        EXPECT_TRUE(sameBits(path.start, s.path.start) && sameBits(path.end, s.path.end) &&
                    sameBits(vert, corners[i]))
            << "corner test changed an input: " << describe(s);
        EXPECT_TRUE(results[1 + i] == 2.0f || (results[1 + i] >= 0.0f && results[1 + i] < 1.0f))
            << "corner " << i << ": " << results[1 + i] << ": " << describe(s);
    }

    results[4] = tri.collideFace(path, s.radius);
    EXPECT_TRUE(sameBits(path.start, s.path.start) && sameBits(path.end, s.path.end))
        << "face test changed the path: " << describe(s);
    // A NaN start or end height, or a NaN radius, gives a NaN t that no
    // comparison rejects; it is returned as it is.
    EXPECT_TRUE(std::isnan(results[4]) || results[4] == 2.0f ||
                (results[4] >= 0.0f && results[4] <= 1.0f))
        << "face " << results[4] << ": " << describe(s);
    return results;
}

// The distance of p from the line through a and b is within a few units in
// the last place of the coordinates involved, and p lies in the box a..b.
bool liesOnSegment(const Tuple& p, const Tuple& a, const Tuple& b) {
    double scale = 0.0;
    for (int i = 0; i < 3; ++i) {
        scale = std::max(
            {scale, std::fabs(static_cast<double>(a[i])), std::fabs(static_cast<double>(b[i]))});
    }
    const double tolerance = 8.0 * std::numeric_limits<float>::epsilon() * scale +
                             8.0 * std::numeric_limits<float>::denorm_min();
    std::array<double, 3> d{}, q{};
    for (int i = 0; i < 3; ++i) {
        const double low = std::min(a[i], b[i]);
        const double high = std::max(a[i], b[i]);
        if (p[i] < low - tolerance || p[i] > high + tolerance) {
            return false;
        }
        d[i] = static_cast<double>(b[i]) - a[i];
        q[i] = static_cast<double>(p[i]) - a[i];
    }
    const double cross[] = {q[1] * d[2] - q[2] * d[1], q[2] * d[0] - q[0] * d[2],
                            q[0] * d[1] - q[1] * d[0]};
    const double crossLength =
        std::sqrt(cross[0] * cross[0] + cross[1] * cross[1] + cross[2] * cross[2]);
    const double length = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
    return crossLength <= tolerance * length;
}

TEST(CollisionPropertyTest, RandomStepsStaySane) {
    SampleSource source(20240611u);
    int contacts = 0;
    int finiteContacts = 0;
    int edgeNaNs = 0;

    for (int batch = 0; batch < sampleCount / 1000 && !HasFailure(); ++batch) {
        // The diagnostic lines are not looked at here.
        ScopedOutputCapture discard;
        for (int n = 0; n < 1000 && !HasFailure(); ++n) {
            Sample s{source.triangle(), source.path(), source.radius(), Tuple()};
            s.vel = source.velocity(s.path);
            Triangle& tri = *s.triangle;
            const Tuple v1 = tri.getV1(), v2 = tri.getV2(), v3 = tri.getV3();
            const std::vector<float> matrix(tri.getMatrix(), tri.getMatrix() + 16);

            const std::array<float, 5> results = runEachTest(s);
            edgeNaNs += std::isnan(results[0]) ? 1 : 0;

            Path path = s.path;
            Tuple vel = s.vel;
            try {
                tri.collide(path, s.radius, vel);
            } catch (...) {
                ADD_FAILURE() << "exception from collide: " << describe(s);
                continue;
            }

            EXPECT_TRUE(sameBits(path.start, s.path.start))
                << "start moved to (" << path.start << "): " << describe(s);
            EXPECT_TRUE(sameBits(tri.getV1(), v1) && sameBits(tri.getV2(), v2) &&
                        sameBits(tri.getV3(), v3) &&
                        std::memcmp(tri.getMatrix(), matrix.data(), 16 * sizeof(float)) == 0)
                << "triangle changed: " << describe(s);

            // The contacts are the results below 1; a NaN is never one.
            std::vector<float> below;
            for (float r : results) {
                if (r < 1.0f) {
                    below.push_back(r);
                }
            }
            if (below.empty()) {
                EXPECT_TRUE(sameBits(vel, s.vel)) << "vel changed: " << describe(s);
                EXPECT_TRUE(sameBits(path.end, s.path.span(1.0)))
                    << "end (" << path.end << ") without contact: " << describe(s);
                continue;
            }

            ++contacts;
            EXPECT_TRUE(sameBits(vel, Tuple(0, 0, 0)))
                << "vel (" << vel << ") after contact: " << describe(s);
            // The end is the point of the earliest contact (of either zero).
            const float earliest = *std::min_element(below.begin(), below.end());
            EXPECT_TRUE(std::any_of(
                below.begin(), below.end(),
                [&](float r) { return r == earliest && sameBits(path.end, s.path.span(r)); }))
                << "end (" << path.end << ") is not at the earliest contact " << earliest << ": "
                << describe(s);

            const bool finite = isFinite(s.path.start) && isFinite(s.path.end) &&
                                isFinite(s.path.end - s.path.start) && isFinite(s.vel) &&
                                std::isfinite(s.radius) && isFinite(v1) && isFinite(v2) &&
                                isFinite(v3);
            if (finite) {
                ++finiteContacts;
                EXPECT_TRUE(liesOnSegment(path.end, s.path.start, s.path.end))
                    << "end (" << path.end << ") off the path: " << describe(s);
            }
        }
    }

    // The samples must reach the interesting outcomes, or the checks above
    // say little.
    EXPECT_GT(contacts, sampleCount / 20);
    EXPECT_GT(finiteContacts, sampleCount / 40);
    EXPECT_GT(edgeNaNs, 0);
}

}  // namespace
