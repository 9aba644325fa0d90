#include "world/Room.h"

Room* orbiquel = nullptr;

Room::Room(const Tuple& ballPos, const Tuple& ballVel, const double ballRadius, Triangle* tris,
           const int numtris)
    : numTriangles(numtris),
      triangles(tris),
      ball(std::make_unique<Ball>(ballPos, ballVel, ballRadius)) {}

Room::~Room() = default;

void Room::update() {
    Path path = ball->getPath();
    handleCollision(path);
    ball->move(path.end);
}

void Room::handleCollision(Path& path) {
    for (int i = 0; i < numTriangles; ++i) {
        triangles[i].collide(path, ball->getRadius(), ball->getVelocity());
    }
}

int Room::getNumTriangles() const { return numTriangles; }

void Room::setBallPosition(const Tuple& newPos) { ball->move(newPos); }

void Room::setBallVelocity(const Tuple& newVel) { ball->setVelocity(newVel); }

Ball* Room::getBall() { return ball.get(); }

Path Room::getBallPath() const { return ball->getPath(); }

void Room::runTests() {}

void Room::runVertextTests() {
    // Six units before the first corner along x, heading through it.
    ball->move(triangles[0].getV1() - Tuple(6.0f, 0.0f, 0.0f));
    ball->setVelocity(Tuple(1.0f, 0.0f, 0.0f));
}

void Room::runEdgeTests() {}

void Room::runFaceTests() {
    // The first triangle in standard position, the ball dropping onto its
    // interior point (3, 0, 2).
    triangles[0].setV1(Tuple(0.0f, 0.0f, 0.0f));
    triangles[0].setV2(Tuple(3.5f, 0.0f, 5.0f));
    triangles[0].setV3(Tuple(7.0f, 0.0f, 0.0f));
    ball->move(Tuple(3.0f, 4.0f, 2.0f));
    ball->setVelocity(Tuple(0.0f, -2.0f, 0.0f));
}
