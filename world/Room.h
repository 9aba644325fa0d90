#pragma once

#include <memory>

#include "geometry/Triangle.h"
#include "math/Tuple.h"
#include "world/Ball.h"
#include "world/Path.h"

// The world: a borrowed array of triangles and the one ball, which the room
// owns. Runs one simulation step at a time and draws the world.
class Room {
public:
    // Keeps the pointer to the caller's triangles, which must outlive the
    // room, and creates the ball.
    Room(const Tuple& ballPos, const Tuple& ballVel, const double ballRadius, Triangle* tris,
         const int numtris);
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;
    ~Room();

    // One step: the ball's path, cut by every triangle in array order, then
    // the ball moved to the path's end.
    void update();
    // Each triangle tests the path that the ones before it left.
    void handleCollision(Path& path);
    // The ball, then the triangles in array order. Defined in RoomDisplay.cpp,
    // part of the drawing library.
    void display();

    int getNumTriangles() const;
    void setBallPosition(const Tuple& newPos);
    void setBallVelocity(const Tuple& newVel);
    // Still owned by the room.
    Ball* getBall();
    Path getBallPath() const;

    // Scenarios that aim the ball at one feature of the first triangle.
    // runTests and runEdgeTests leave the world as it is.
    void runTests();
    void runVertextTests();
    void runEdgeTests();
    void runFaceTests();

private:
    int numTriangles;
    Triangle* triangles;
    std::unique_ptr<Ball> ball;
};

// The one room, set once by the program's entry point before the window
// toolkit's loop starts; the toolkit callbacks reach the world through it.
extern Room* orbiquel;
