#include "app/OutputWatch.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <iostream>
#include <ostream>

OutputWatch::OutputWatch() : original(std::cout.rdbuf()) { std::cout.rdbuf(this); }

OutputWatch::~OutputWatch() {
    sync();
    std::cout.rdbuf(original);
}

// Each call clears errno before it hands on, and reads it straight after a
// failure: any later read would risk a value left by unrelated code (the
// collision tests' pow and sqrt set EDOM).
OutputWatch::int_type OutputWatch::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    errno = 0;
    const int_type result = original->sputc(traits_type::to_char_type(c));
    if (traits_type::eq_int_type(result, traits_type::eof())) {
        report(errno);
    }
    return result;
}

std::streamsize OutputWatch::xsputn(const char_type* s, std::streamsize n) {
    errno = 0;
    const std::streamsize written = original->sputn(s, n);
    if (written < n) {
        report(errno);
    }
    return written;
}

int OutputWatch::sync() {
    errno = 0;
    const int result = original->pubsync();
    if (result != 0) {
        report(errno);
    }
    return result;
}

void OutputWatch::report(int reason) {
    if (reported) {
        return;
    }
    reported = true;
    // Standard error is tied to standard output, and would flush it (and so
    // fail again) before the message: untie it for the message. A failure
    // that set no errno is named as an I/O error.
    std::ostream* const tied = std::cerr.tie(nullptr);
    std::cerr << "orbiquel: cannot write to standard output: "
              << std::strerror(reason != 0 ? reason : EIO)
              << "; the console transcript is lost, the program goes on" << std::endl;
    std::cerr.tie(tied);
}

void reserveStandardDescriptors() {
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) == -1 && errno == EBADF) {
            // open takes the lowest free number: fd itself when those below
            // it are open. It stays open for the rest of the process, as the
            // standard descriptor it replaces would have. Where /dev/null
            // cannot be opened onto fd, fd stays closed as it was.
            const int opened = open("/dev/null", fd == 0 ? O_WRONLY : O_RDONLY);
            if (opened != -1 && opened != fd) {
                close(opened);
            }
        }
    }
}
