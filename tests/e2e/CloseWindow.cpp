// Asks a top-level window to close the way a window manager does when the
// user clicks its close button: a WM_PROTOCOLS client message carrying
// WM_DELETE_WINDOW. The end-to-end test uses it to end the program through
// the window toolkit, as a user would, rather than with a signal.
//
// Usage: orbiquel_e2e_close_window WINDOW-ID   (decimal or 0x hex; the
// display is taken from DISPLAY)

#include <X11/Xlib.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool badWindow = false;

// Turns an X protocol error (a window id that no longer exists) into a
// failed exit status instead of Xlib's default of printing and exiting.
int recordError(Display* /*display*/, XErrorEvent* /*event*/) {
    badWindow = true;
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s WINDOW-ID\n", argv[0]);
        return 2;
    }
    char* rest = nullptr;
    errno = 0;
    const unsigned long window = std::strtoul(argv[1], &rest, 0);
    if (errno != 0 || rest == argv[1] || *rest != '\0' || window == 0) {
        std::fprintf(stderr, "%s: not a window id: %s\n", argv[0], argv[1]);
        return 2;
    }

    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) {
        std::fprintf(stderr, "%s: cannot open display %s\n", argv[0], XDisplayName(nullptr));
        return 1;
    }
    XSetErrorHandler(recordError);

    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(display, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display, window, False, NoEventMask, &event);
    // Waits for the server to have handled the request, so that an unknown
    // window is reported here and the message is on its way on success.
    XSync(display, False);
    XCloseDisplay(display);

    if (badWindow) {
        std::fprintf(stderr, "%s: no such window: %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
