#include "math/Exception.h"

std::string Exception::getMessage() const { return "A basic exception was thrown."; }
