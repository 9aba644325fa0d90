#pragma once

#include <string>

// The system's own exception type. Nothing throws it; the solver throws
// std::exception.
class Exception {
public:
    std::string getMessage() const;
};
