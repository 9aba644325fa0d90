// The page calls the program's toolkit callbacks through these, so that an
// exception escaping a callback stops the program with its message on the
// page instead of leaving a half-run step and a frozen picture.
#include <emscripten.h>

#include <exception>
#include <iostream>
#include <string>

extern "C" {
// Defined by the page's library: stops the frame loop and the simulation and
// shows the message.
void orbiquel_halt(const char* message);
}

namespace {

template <typename Call>
void guarded(const char* name, Call call) {
    std::string what;
    try {
        call();
        return;
    } catch (const std::exception& e) {
        what = e.what();
    } catch (...) {
        what = "an exception of unknown type";
    }
    const std::string message = "orbiquel: the " + std::string(name) +
                                " callback ended by an exception (" + what +
                                "); the program has stopped";
    std::cerr << message << std::endl;
    orbiquel_halt(message.c_str());
}

}  // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void orbiquel_call_idle(void (*idle)()) { guarded("idle", idle); }

EMSCRIPTEN_KEEPALIVE void orbiquel_call_display(void (*display)()) { guarded("display", display); }

EMSCRIPTEN_KEEPALIVE void orbiquel_call_keyboard(void (*keyboard)(unsigned char, int, int), int key,
                                                 int x, int y) {
    guarded("keyboard", [&] { keyboard(static_cast<unsigned char>(key), x, y); });
}
}
