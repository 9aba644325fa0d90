#include "world/Room.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "support/CornerScene.h"
#include "support/StreamCapture.h"

namespace {

// A triangle whose first corner (2, 1, 2) stands in the air on the path of a
// ball dropping from (2, 2, 2), and whose face and edge tests miss that path:
// the ball's contact point (2, 0.5, 2) lies on the wrong side of the line
// from the origin through v2 = (-1, 1, 1), and the path stays two units
// away from the x axis.
Triangle cornerInTheAir() {
    return Triangle(Tuple(2, 1, 2), Tuple(-1, 1, 1), Tuple(10, 1, 10), 0.5, 0.5, 0.5);
}

// Everything that makes up the world between two steps.
struct WorldState {
    Tuple centre;
    Tuple velocity;
    double radius;
    std::vector<std::array<Tuple, 3>> corners;
    std::vector<std::array<double, 3>> colours;

    static WorldState of(Room& room, const Triangle* triangles) {
        Ball& ball = *room.getBall();
        WorldState state{ball.getCenter(), ball.getVelocity(), ball.getRadius(), {}, {}};
        for (int i = 0; i < room.getNumTriangles(); ++i) {
            const Triangle& t = triangles[i];
            state.corners.push_back({t.getV1(), t.getV2(), t.getV3()});
            state.colours.push_back({t.getRed(), t.getGreen(), t.getBlue()});
        }
        return state;
    }
};

void expectSameWorld(const WorldState& actual, const WorldState& expected) {
    EXPECT_EQ(actual.centre, expected.centre);
    EXPECT_EQ(actual.velocity, expected.velocity);
    EXPECT_EQ(actual.radius, expected.radius);
    ASSERT_EQ(actual.corners.size(), expected.corners.size());
    for (std::size_t i = 0; i < expected.corners.size(); ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_EQ(actual.corners[i][k], expected.corners[i][k]) << "triangle " << i;
        }
        EXPECT_EQ(actual.colours[i], expected.colours[i]) << "triangle " << i;
    }
}

// The collision tests write diagnostic lines on every step; the room tests
// look only at the world.
class RoomTest : public testing::Test {
protected:
    ScopedOutputCapture diagnostics{std::cout};
};

TEST_F(RoomTest, WithoutTrianglesTheBallMovesByVelocityTimesStepFactor) {
    Room room(Tuple(5, 10, 0), Tuple(300, -600, 30), 0.5, nullptr, 0);
    for (int step = 1; step <= 3; ++step) {
        room.update();
    }
    // 300 and -600 times the float step factor round to 1 and -2 exactly;
    // 30 times it to 0.1 in float, added three times in float.
    const float z = (0.0f + 30 * Ball::stepFactor) + 30 * Ball::stepFactor + 30 * Ball::stepFactor;
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(8, 4, z));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(300, -600, 30));
    EXPECT_EQ(room.getNumTriangles(), 0);
}

TEST_F(RoomTest, ABallAtRestStaysWhereItIs) {
    CornerScene scene;
    const WorldState start = WorldState::of(scene.room, scene.triangles);
    for (int step = 0; step < 50; ++step) {
        scene.room.update();
    }
    expectSameWorld(WorldState::of(scene.room, scene.triangles), start);
}

TEST_F(RoomTest, AContactStopsTheBallAtTheContactPointUntilItGetsANewVelocity) {
    Triangle triangles[1] = {floorTriangle()};
    // One step takes the centre from y = 2 to y = 0; the face is touched at
    // y = 0.5, three quarters of the way.
    Room room(Tuple(2, 2, 2), Tuple(0, -600, 0), 0.5, triangles, 1);
    room.update();
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(2, 0.5f, 2));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(0, 0, 0));

    for (int step = 0; step < 5; ++step) {
        room.update();
    }
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(2, 0.5f, 2));

    // Along the floor: free again.
    room.setBallVelocity(Tuple(300, 0, 0));
    room.update();
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(3, 0.5f, 2));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(300, 0, 0));

    // Straight up from exactly the touching height the face test does not
    // look at the direction: the contact is at the start, the ball stays.
    room.setBallVelocity(Tuple(0, 300, 0));
    room.update();
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(3, 0.5f, 2));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(0, 0, 0));
}

TEST_F(RoomTest, WithoutAContactTheVelocityIsKept) {
    CornerScene scene;
    scene.room.setBallVelocity(Tuple(3, -6, 9));
    scene.room.update();
    EXPECT_EQ(scene.room.getBall()->getVelocity(), Tuple(3, -6, 9));
    EXPECT_EQ(scene.room.getBall()->getCenter(),
              Tuple(5, 10, 0) + Tuple(3, -6, 9) * Ball::stepFactor);
}

// The floor alone would stop the ball at y = 0.5 (a quarter of the way from
// the end), the corner in the air alone at y = 1.5 (a quarter of the way from
// the start). Whichever comes first in the array, the ball ends at the
// earlier contact: with the corner first, the floor sees a path that already
// ends above its touching height; with the floor first, the corner still
// lies on the shortened path and cuts it further.
class EarliestContact : public testing::TestWithParam<bool> {
protected:
    ScopedOutputCapture diagnostics{std::cout};
};

TEST_P(EarliestContact, BallEndsAtTheEarliestContactOverAllTriangles) {
    const bool floorFirst = GetParam();
    Triangle triangles[2] = {floorFirst ? floorTriangle() : cornerInTheAir(),
                             floorFirst ? cornerInTheAir() : floorTriangle()};
    Room room(Tuple(2, 2, 2), Tuple(0, -600, 0), 0.5, triangles, 2);

    Path path = room.getBallPath();
    room.handleCollision(path);
    EXPECT_EQ(path.start, Tuple(2, 2, 2));
    EXPECT_EQ(path.end, Tuple(2, 1.5f, 2));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(0, 0, 0));
    // handleCollision alone does not move the ball.
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(2, 2, 2));

    room.setBallVelocity(Tuple(0, -600, 0));
    room.update();
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(2, 1.5f, 2));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(0, 0, 0));
}

INSTANTIATE_TEST_SUITE_P(BothOrders, EarliestContact, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                             return info.param ? "FloorFirst" : "CornerFirst";
                         });

TEST_F(RoomTest, EachTriangleAloneStopsTheBallWhereExpected) {
    // Guards the premise of EarliestContact: both contacts exist on their own.
    Triangle floorOnly[1] = {floorTriangle()};
    Triangle cornerOnly[1] = {cornerInTheAir()};
    Room onFloor(Tuple(2, 2, 2), Tuple(0, -600, 0), 0.5, floorOnly, 1);
    Room onCorner(Tuple(2, 2, 2), Tuple(0, -600, 0), 0.5, cornerOnly, 1);
    onFloor.update();
    onCorner.update();
    EXPECT_EQ(onFloor.getBall()->getCenter(), Tuple(2, 0.5f, 2));
    EXPECT_EQ(onCorner.getBall()->getCenter(), Tuple(2, 1.5f, 2));
}

TEST_F(RoomTest, SettersCopyTheirArgumentAndChangeOnlyTheirField) {
    Room room(Tuple(5, 10, 0), Tuple(0, 0, 0), 0.5, nullptr, 0);
    Tuple position(1, 2, 3);
    Tuple velocity(4, 5, 6);
    room.setBallPosition(position);
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(0, 0, 0));
    room.setBallVelocity(velocity);
    position.x = 99;
    velocity.y = 99;
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(1, 2, 3));
    EXPECT_EQ(room.getBall()->getVelocity(), Tuple(4, 5, 6));
    EXPECT_EQ(room.getBall()->getRadius(), 0.5);
}

TEST_F(RoomTest, GetBallPathTwiceGivesTheSamePathAndMovesNothing) {
    Room room(Tuple(5, 10, 0), Tuple(300, -600, 0), 0.5, nullptr, 0);
    const Path first = room.getBallPath();
    const Path second = room.getBallPath();
    EXPECT_EQ(first.start, Tuple(5, 10, 0));
    EXPECT_EQ(first.end, Tuple(6, 8, 0));
    EXPECT_EQ(second.start, first.start);
    EXPECT_EQ(second.end, first.end);
    EXPECT_EQ(room.getBall()->getCenter(), Tuple(5, 10, 0));
}

TEST_F(RoomTest, DestroyingARoomLeavesItsTrianglesIntact) {
    std::vector<Triangle> triangles = {floorTriangle(), cornerInTheAir()};
    {
        Room room(Tuple(2, 2, 2), Tuple(0, -600, 0), 0.5, triangles.data(), 2);
        room.update();
    }
    const Triangle floor = floorTriangle();
    const Triangle corner = cornerInTheAir();
    for (const auto& [actual, expected] :
         {std::pair<const Triangle*, const Triangle*>{&triangles[0], &floor},
          std::pair<const Triangle*, const Triangle*>{&triangles[1], &corner}}) {
        EXPECT_EQ(actual->getV1(), expected->getV1());
        EXPECT_EQ(actual->getV2(), expected->getV2());
        EXPECT_EQ(actual->getV3(), expected->getV3());
        EXPECT_EQ(actual->getRed(), expected->getRed());
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(actual->getMatrix()[i], expected->getMatrix()[i]);
        }
    }
}

// --- Self-test scenarios -------------------------------------------------

TEST_F(RoomTest, VertexScenarioPlacesTheBallSixUnitsBeforeTheFirstCorner) {
    CornerScene scene;
    WorldState expected = WorldState::of(scene.room, scene.triangles);
    expected.centre = Tuple(-6, 0, 0);
    expected.velocity = Tuple(1, 0, 0);

    scene.room.runVertextTests();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), expected);
    scene.room.runVertextTests();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), expected);
}

TEST_F(RoomTest, VertexScenarioFollowsAMovedFirstCorner) {
    CornerScene scene;
    scene.triangles[0].setV1(Tuple(1, 2, 3));
    scene.room.runVertextTests();
    EXPECT_EQ(scene.room.getBall()->getCenter(), Tuple(-5, 2, 3));
    // In single precision: 0.1f - 6 rounds.
    scene.triangles[0].setV1(Tuple(0.1f, 0, 0));
    scene.room.runVertextTests();
    EXPECT_EQ(scene.room.getBall()->getCenter(), Tuple(0.1f - 6.0f, 0, 0));
    EXPECT_EQ(scene.room.getBall()->getVelocity(), Tuple(1, 0, 0));
}

TEST_F(RoomTest, VertexScenarioCarriesTheBallOntoTheCorner) {
    CornerScene scene;
    scene.room.runVertextTests();
    // 5.5 units at 1/300 per step.
    for (int step = 0; step < 1700 && scene.room.getBall()->getVelocity() != Tuple(); ++step) {
        scene.room.update();
    }
    EXPECT_EQ(scene.room.getBall()->getVelocity(), Tuple(0, 0, 0));
    const Tuple centre = scene.room.getBall()->getCenter();
    EXPECT_NEAR(centre.x, -0.5, 1e-4);
    EXPECT_EQ(centre.y, 0.0f);
    EXPECT_EQ(centre.z, 0.0f);
}

TEST_F(RoomTest, FaceScenarioPutsTheFirstTriangleInStandardPositionAndDropsTheBall) {
    CornerScene scene;
    WorldState expected = WorldState::of(scene.room, scene.triangles);
    expected.corners[0] = {Tuple(0, 0, 0), Tuple(3.5f, 0, 5), Tuple(7, 0, 0)};
    expected.centre = Tuple(3, 4, 2);
    expected.velocity = Tuple(0, -2, 0);

    scene.room.runFaceTests();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), expected);
    scene.room.runFaceTests();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), expected);
}

TEST_F(RoomTest, FaceScenarioCarriesTheBallOntoTheFace) {
    CornerScene scene;
    scene.room.runFaceTests();
    // 3.5 units at 2/300 per step.
    for (int step = 0; step < 600 && scene.room.getBall()->getVelocity() != Tuple(); ++step) {
        scene.room.update();
    }
    EXPECT_EQ(scene.room.getBall()->getVelocity(), Tuple(0, 0, 0));
    const Tuple centre = scene.room.getBall()->getCenter();
    EXPECT_EQ(centre.x, 3.0f);
    EXPECT_NEAR(centre.y, 0.5, 1e-5);
    EXPECT_EQ(centre.z, 2.0f);
}

using ScenarioMember = void (Room::*)();

// runTests and runEdgeTests change nothing, whatever state the world is in.
class InertScenario : public testing::TestWithParam<ScenarioMember> {
protected:
    ScopedOutputCapture diagnostics{std::cout};
};

TEST_P(InertScenario, LeavesBallAndTrianglesExactlyAsTheyWere) {
    CornerScene scene;
    const ScenarioMember scenario = GetParam();

    WorldState before = WorldState::of(scene.room, scene.triangles);
    (scene.room.*scenario)();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), before);

    // Again with a moving ball and a changed first triangle.
    scene.room.runFaceTests();
    scene.room.update();
    scene.triangles[2].setColor(0.25f, 0.5f, 0.75f);
    before = WorldState::of(scene.room, scene.triangles);
    (scene.room.*scenario)();
    (scene.room.*scenario)();
    expectSameWorld(WorldState::of(scene.room, scene.triangles), before);
}

INSTANTIATE_TEST_SUITE_P(Scenarios, InertScenario,
                         testing::Values(&Room::runTests, &Room::runEdgeTests),
                         [](const testing::TestParamInfo<ScenarioMember>& info) {
                             return info.param == &Room::runTests ? "RunTests" : "RunEdgeTests";
                         });

}  // namespace
