// Long runs of the standard scene: the floor and the two walls of the room's
// corner with a ball of radius 0.5, placed and thrown at random every few
// hundred steps. A million steps in an optimised build, a hundred thousand
// in a debug or sanitizer build. The diagnostics of every step are formatted
// and flushed as usual, into a stream that discards them.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <iostream>
#include <random>
#include <sstream>
#include <streambuf>
#include <string>

#include "geometry/Triangle.h"
#include "math/Tuple.h"
#include "support/CornerScene.h"
#include "world/Ball.h"
#include "world/Room.h"

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(undefined_behavior_sanitizer)
constexpr bool sanitized = true;
#else
constexpr bool sanitized = false;
#endif
#else
constexpr bool sanitized = false;
#endif

#if defined(NDEBUG)
constexpr bool optimised = true;
#else
constexpr bool optimised = false;
#endif

// ORBIQUEL_SOAK_STEPS sets another count: scripts/cross runs a hundred
// thousand under an emulator.
long soakSteps() {
    const char* asked = std::getenv("ORBIQUEL_SOAK_STEPS");
    const long steps = asked != nullptr ? std::atol(asked) : 0;
    return steps > 0 ? steps : optimised && !sanitized ? 1000000 : 100000;
}

// How far from 0.5 a dropped ball may come to rest: four units in the last
// place of 0.5 (2^-24). The face test's parameter and the span back to a
// point are each rounded once, on a last step of up to 3 units; drops of
// up to one unit per step land exactly or one float below 0.5.
constexpr float restingTolerance = 4.0f / 16777216.0f;

class NullBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char* /*s*/, std::streamsize n) override { return n; }
};

class DiscardStandardOutput {
public:
    DiscardStandardOutput() : previous(std::cout.rdbuf(&discard)) {}
    ~DiscardStandardOutput() { std::cout.rdbuf(previous); }
    DiscardStandardOutput(const DiscardStandardOutput&) = delete;
    DiscardStandardOutput& operator=(const DiscardStandardOutput&) = delete;

private:
    NullBuffer discard;
    std::streambuf* previous;
};

bool isFinite(const Tuple& t) {
    return std::isfinite(t.x) && std::isfinite(t.y) && std::isfinite(t.z);
}

std::string describe(const Tuple& t) {
    std::ostringstream text;
    text.precision(9);
    text << "(" << t << ")";
    return text.str();
}

TEST(SoakTest, StandardSceneWithRandomPlacementsAndFloorDrops) {
    DiscardStandardOutput quiet;
    CornerScene scene;
    Room& room = scene.room;
    Ball& ball = *room.getBall();

    std::mt19937 random(20240611u);
    std::uniform_int_distribution<int> episodeLength(200, 400);
    std::uniform_real_distribution<float> anywhere(-2.0f, 9.0f);
    std::uniform_real_distribution<float> anyVelocity(-900.0f, 900.0f);
    // Drops: over the floor's interior, at least 0.6 from the walls' planes
    // and more than the radius from its long edge and its corners, so that
    // only the floor's face can stop the ball; from heights up to 8 at up
    // to 3 units per step, so that every drop lands well within its episode.
    std::uniform_real_distribution<float> interior(0.6f, 5.6f);
    std::uniform_real_distribution<float> dropHeight(0.50001f, 8.0f);
    std::uniform_real_distribution<float> dropSpeed(30.0f, 900.0f);

    long steps = 0;
    long drops = 0;
    long placements = 0;
    float worstAbove = 0.0f;
    float worstBelow = 0.0f;
    const long wanted = soakSteps();
    while (steps < wanted) {
        const bool drop = (random() & 1u) != 0;
        Tuple start;
        if (drop) {
            float x = interior(random);
            float z = interior(random);
            if (x + z > 6.2f) {
                x = 6.2f - x;
                z = 6.2f - z;
            }
            start = Tuple(x, dropHeight(random), z);
            room.setBallPosition(start);
            room.setBallVelocity(Tuple(0.0f, -dropSpeed(random), 0.0f));
            ++drops;
        } else {
            start = Tuple(anywhere(random), anywhere(random), anywhere(random));
            room.setBallPosition(start);
            room.setBallVelocity(
                Tuple(anyVelocity(random), anyVelocity(random), anyVelocity(random)));
            ++placements;
        }

        const int length = episodeLength(random);
        for (int i = 0; i < length; ++i, ++steps) {
            const Tuple before = ball.getCenter();
            const bool atRest = ball.getVelocity() == Tuple(0.0f, 0.0f, 0.0f);
            room.update();
            const Tuple after = ball.getCenter();
            ASSERT_TRUE(isFinite(after)) << "step " << steps << " from " << describe(before);
            if (atRest) {
                // A ball at rest stays where it is.
                ASSERT_EQ(after, before) << "step " << steps << " moved a ball at rest";
            }
        }

        if (drop) {
            const Tuple rest = ball.getCenter();
            ASSERT_EQ(ball.getVelocity(), Tuple(0.0f, 0.0f, 0.0f))
                << "a drop from " << describe(start) << " has not landed";
            // Straight down: x and z are those of the start exactly.
            ASSERT_EQ(rest.x, start.x);
            ASSERT_EQ(rest.z, start.z);
            // Exact: rest.y is within a factor of two of 0.5.
            const float offset = rest.y - 0.5f;
            ASSERT_LE(std::fabs(offset), restingTolerance)
                << "a drop from " << describe(start) << " rests at " << describe(rest);
            worstAbove = std::max(worstAbove, offset);
            worstBelow = std::min(worstBelow, offset);
        }
    }

    EXPECT_GE(steps, wanted);
    EXPECT_GT(drops, wanted / 1000);
    EXPECT_GT(placements, wanted / 1000);
    RecordProperty("steps", static_cast<int>(steps));
    RecordProperty("drops", static_cast<int>(drops));
    // In units in the last place of 0.5.
    RecordProperty("worst_ulps_above", static_cast<int>(worstAbove * 16777216.0f));
    RecordProperty("worst_ulps_below", static_cast<int>(worstBelow * 16777216.0f));
}

}  // namespace
