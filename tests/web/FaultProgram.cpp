// A stand-in for the program in the page's fault tests, linked with the
// page's toolkit callbacks: a key on its scene ends it in one of the two ways
// a program can fail there. 'e' lets a C++ exception escape the keyboard
// callback; 'a' calls abort(), which is also where std::terminate ends.
#include <GL/freeglut.h>

#include <cstdlib>
#include <stdexcept>

namespace {

void display() {
    glClear(GL_COLOR_BUFFER_BIT);
    glutSwapBuffers();
}

void idle() { glutPostRedisplay(); }

void keyboard(unsigned char key, int /*x*/, int /*y*/) {
    if (key == 'e') {
        throw std::runtime_error("a test fault");
    }
    if (key == 'a') {
        std::abort();
    }
}

}  // namespace

int main(int argc, char** argv) {
    glutInit(&argc, argv);
    // The program's display mode, for which the page makes the context.
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(400, 400);
    glutCreateWindow("Orbiquel fault test");
    glutDisplayFunc(display);
    glutIdleFunc(idle);
    glutKeyboardFunc(keyboard);
    glutMainLoop();
}
