#pragma once

#include <stdexcept>
#include <string>

namespace cravent {

// A failure the user can cause or see. what() is the text shown to the user, whole:
// the system's own message, or a file error that names the file and the system's reason.
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

} // namespace cravent
