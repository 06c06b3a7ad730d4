// Run-time errors of the program: reported by the platform in a message box,
// after which the program ends. They never cross a system callback.
#pragma once

#include <stdexcept>

namespace exitbutton {

class RuntimeError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace exitbutton
