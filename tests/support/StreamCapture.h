#pragma once

#include <iostream>
#include <sstream>
#include <string>

// Swaps a stream's buffer for a string buffer for the life of the object,
// so a test can read back what the code wrote to std::cout or std::cerr.
class ScopedOutputCapture {
public:
    explicit ScopedOutputCapture(std::ostream& stream = std::cout)
        : stream(stream), previous(stream.rdbuf(captured.rdbuf())) {}
    ~ScopedOutputCapture() { stream.rdbuf(previous); }
    ScopedOutputCapture(const ScopedOutputCapture&) = delete;
    ScopedOutputCapture& operator=(const ScopedOutputCapture&) = delete;

    std::string text() const { return captured.str(); }

private:
    std::ostream& stream;
    std::ostringstream captured;
    std::streambuf* previous;
};

// A NaN that the hardware makes (0/0) is negative on x86 and positive on
// most other architectures, and the stream writes it as "-nan" or "nan".
// Transcripts are compared with every "-nan" written as "nan".
inline std::string withUnsignedNaNs(std::string text) {
    for (auto at = text.find("-nan"); at != std::string::npos; at = text.find("-nan", at)) {
        text.erase(at, 1);
    }
    return text;
}

// Feeds std::cin from a string for the life of the object and restores its
// buffer and error state afterwards.
class ScopedInputFeed {
public:
    explicit ScopedInputFeed(const std::string& input)
        : fed(input), previous(std::cin.rdbuf(fed.rdbuf())), previousState(std::cin.rdstate()) {
        std::cin.clear();
    }
    ~ScopedInputFeed() {
        std::cin.rdbuf(previous);
        std::cin.clear(previousState);
    }
    ScopedInputFeed(const ScopedInputFeed&) = delete;
    ScopedInputFeed& operator=(const ScopedInputFeed&) = delete;

    // What the code has not read yet.
    std::string rest() {
        std::string remaining;
        std::getline(fed, remaining, '\0');
        return remaining;
    }

private:
    std::istringstream fed;
    std::streambuf* previous;
    std::ios_base::iostate previousState;
};
