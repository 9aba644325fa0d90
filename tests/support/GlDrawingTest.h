#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>

#include "support/GlWindow.h"

// A fixture for drawing code: the shared window, the whole window as the
// viewport, an orthographic view of x and y from 0 to 10 (one unit is 40
// pixels), a black cleared back buffer and the model-view matrix current.
class GlDrawingTest : public testing::Test {
protected:
    void SetUp() override {
        ensureGlWindow();
        glViewport(0, 0, glWindowSize, glWindowSize);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glOrtho(0.0, 10.0, 0.0, 10.0, -10.0, 10.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glDisable(GL_DEPTH_TEST);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // The pixel at world point (x, y) of the orthographic view.
    static std::array<std::uint8_t, 3> pixelAt(float x, float y) {
        return readBackPixel(static_cast<int>(x * 40.0f), static_cast<int>(y * 40.0f));
    }
};
