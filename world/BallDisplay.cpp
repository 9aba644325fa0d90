// Drawing the ball with OpenGL and GLUT, apart from the simulation.
#include "world/Ball.h"

#include <GL/freeglut.h>

void Ball::display() const {
    glColor3f(0.0f, 1.0f, 0.0f);
    glPushMatrix();
    glTranslatef(center.x, center.y, center.z);
    glutSolidSphere(radius, 20, 20);
    glPopMatrix();
}
