// Writes the desktop program's picture after a given number of simulation
// steps, for comparison with the web page's: the program's own view set-up,
// scene and frame loop, drawn with real OpenGL in a GLUT window.
//
//   orbiquel_scene_picture STEPS OUT.ppm     (needs an X display)

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <vector>

#include "app/View.h"
#include "support/CornerScene.h"
#include "support/GlWindow.h"
#include "world/Room.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " STEPS OUT.ppm\n";
        return 2;
    }
    const long steps = std::strtol(argv[1], nullptr, 10);
    ensureGlWindow();
    init();
    reshape(glWindowSize, glWindowSize);
    CornerScene scene;
    orbiquel = &scene.room;
    // The steps' diagnostics are not wanted here.
    std::ostringstream discarded;
    std::streambuf* const console = std::cout.rdbuf(discarded.rdbuf());
    for (long i = 0; i < steps; ++i) {
        idle();
        discarded.str("");
    }
    std::cout.rdbuf(console);
    display();

    std::vector<unsigned char> rgb(3 * glWindowSize * glWindowSize);
    // The window is never shown (no event is processed), so its front
    // buffer holds nothing; Mesa's software renderer leaves the picture in
    // the back buffer after the swap. Where a driver did not, the page's
    // comparison with this picture would fail, not pass.
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, glWindowSize, glWindowSize, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    std::fprintf(out, "P6\n%d %d\n255\n", glWindowSize, glWindowSize);
    // GL's rows run bottom to top, the file's top to bottom.
    for (int row = glWindowSize - 1; row >= 0; --row) {
        std::fwrite(&rgb[3 * glWindowSize * row], 1, 3 * glWindowSize, out);
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
