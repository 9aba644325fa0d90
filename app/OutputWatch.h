#pragma once

#include <streambuf>

// Reports a failed write to standard output. Installed as std::cout's buffer,
// it hands everything on to the buffer it replaced; when that buffer reports a
// failure (a full disk, a closed descriptor, an I/O error), it says so once on
// standard error with the reason the system gave at that very write, and
// passes the failure on, so std::cout goes bad as it would have. The program
// runs on without its transcript. A broken pipe still ends the process by
// SIGPIPE unless the caller has ignored that signal.
class OutputWatch : public std::streambuf {
public:
    // Installs the watch on std::cout.
    OutputWatch();
    // Flushes std::cout through the watch (so a failure at the last flush is
    // reported too), then gives std::cout back its own buffer. Must run before
    // the standard streams' final flush at exit.
    ~OutputWatch() override;

    OutputWatch(const OutputWatch&) = delete;
    OutputWatch& operator=(const OutputWatch&) = delete;
    OutputWatch(OutputWatch&&) = delete;
    OutputWatch& operator=(OutputWatch&&) = delete;

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char_type* s, std::streamsize n) override;
    int sync() override;

private:
    // Writes the one line to standard error, the first time only.
    void report(int reason);

    std::streambuf* original;
    bool reported = false;
};

// Opens /dev/null onto each of the descriptors 0, 1 and 2 that is closed, so
// that the next descriptor the program opens (the display connection) cannot
// take its number and receive the console's reads or writes. It is opened in
// the direction the stream does not use, so every read or write still fails
// with EBADF as on the closed descriptor. Call before anything opens a file.
// Where /dev/null cannot be opened, the descriptor stays closed.
void reserveStandardDescriptors();
