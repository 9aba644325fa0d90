#include "support/GlWindow.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>

void ensureGlWindow() {
    static bool created = false;
    if (created) {
        return;
    }
    if (std::getenv("DISPLAY") == nullptr) {
        // GLUT would exit the process; say why before it does.
        std::fprintf(stderr, "These tests need an X display: run them under Xvfb.\n");
        std::exit(1);
    }
    int argc = 1;
    char name[] = "orbiquel-tests";
    char* argv[] = {name, nullptr};
    glutInit(&argc, argv);
    glutInitWindowSize(glWindowSize, glWindowSize);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    glutCreateWindow("orbiquel tests");
    created = true;
}

std::array<std::uint8_t, 3> readBackPixel(int x, int y) {
    std::array<std::uint8_t, 3> rgb{};
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

std::array<float, 16> readMatrix(unsigned int which) {
    std::array<float, 16> m{};
    glGetFloatv(which, m.data());
    return m;
}

std::array<float, 4> readCurrentColor() {
    std::array<float, 4> c{};
    glGetFloatv(GL_CURRENT_COLOR, c.data());
    return c;
}
