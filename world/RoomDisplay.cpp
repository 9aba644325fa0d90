// Drawing the world, apart from the simulation.
#include "world/Room.h"

void Room::display() {
    ball->display();
    for (int i = 0; i < numTriangles; ++i) {
        triangles[i].display();
    }
}
