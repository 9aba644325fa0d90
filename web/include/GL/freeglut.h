#pragma once

// The browser build's <GL/freeglut.h>: its toolkit ships the standard GLUT
// declarations only. Of the calls the program makes beyond them, those the
// browser's GL and GLUT lack are defined in web/GlutShapes.cpp and
// web/LookAt.cpp.
#include <GL/freeglut_std.h>
