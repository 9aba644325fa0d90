#include <GL/freeglut.h>

#include "app/Keyboard.h"
#include "app/OutputWatch.h"
#include "app/View.h"
#include "geometry/Triangle.h"
#include "world/Room.h"

int main(int argc, char** argv) {
    // Before glutInit opens the display connection. The watch is a local
    // static: the exit() that ends the main loop destroys it before the
    // standard streams' final flush, which happens when the last of the
    // stream initialisers, all constructed before main, is destroyed.
    reserveStandardDescriptors();
    static OutputWatch watch;
    glutInit(&argc, argv);
    glutInitWindowSize(400, 400);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("Orbiquel - Taveric Initial Prototype");
    glutDisplayFunc(display);
    glutReshapeFunc(reshape);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    init();

    // The corner of the room: the floor, then the walls in the planes z = 0
    // and x = 0, each with legs of 7 along two axes. The array lives in this
    // frame for the whole run; the room only borrows it.
    Triangle tris[3] = {
        Triangle(Tuple(0, 0, 0), Tuple(0, 0, 7), Tuple(7, 0, 0), 0.9, 0.0, 0.0),
        Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(7, 0, 0), 0.8, 0.0, 0.0),
        Triangle(Tuple(0, 0, 0), Tuple(0, 7, 0), Tuple(0, 0, 7), 0.7, 0.0, 0.0),
    };
    // Never destroyed: the process ends inside the main loop.
    orbiquel = new Room(Tuple(5, 10, 0), Tuple(0, 0, 0), 0.5, tris, 3);
    glutMainLoop();
    return 0;
}
