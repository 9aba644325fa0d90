#include "app/View.h"

#include <GL/freeglut.h>

#include <cmath>

#include "world/Room.h"

double clicks = 0.0;

namespace {

// Eight cubes of edge 20 around the room's corner: a 2 x 2 x 2 lattice
// filling the box from -20 to 20 on every axis.
constexpr float latticeOffsets[8][3] = {
    {10.0f, 10.0f, -10.0f},  {-10.0f, 10.0f, -10.0f}, {-10.0f, -10.0f, -10.0f},
    {10.0f, -10.0f, -10.0f}, {10.0f, 10.0f, 10.0f},   {-10.0f, 10.0f, 10.0f},
    {-10.0f, -10.0f, 10.0f}, {10.0f, -10.0f, 10.0f},
};

}  // namespace

void init() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 1.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
    glEnable(GL_DEPTH_TEST);
}

void display() {
    glLoadIdentity();
    // The eye circles the vertical axis at radius 20 and height 5, always
    // looking at (5, 5, 0).
    gluLookAt(20.0 * std::cos(clicks), 5.0, 20.0 * std::sin(clicks), 5.0, 5.0, 0.0, 0.0, 1.0, 0.0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(0.0f, 0.0f, 0.0f);
    for (const auto& offset : latticeOffsets) {
        glPushMatrix();
        glTranslatef(offset[0], offset[1], offset[2]);
        glutWireCube(20.0);
        glPopMatrix();
    }
    orbiquel->display();
    glutSwapBuffers();
}

void reshape(int width, int height) {
    const int side = width < height ? width : height;
    glViewport(0, 0, side, side);
}

void idle() {
    clicks = clicks + cameraStep;
    orbiquel->update();
    glutPostRedisplay();
}
