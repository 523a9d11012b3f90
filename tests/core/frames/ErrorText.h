#pragma once

#include "core/common/Error.h"

#include <functional>
#include <string>

namespace cravent::test {

// The text of the Error that `action` throws, or "(no error)".
inline std::string errorText(const std::function<void()>& action)
{
    try {
        action();
    } catch (const Error& error) {
        return error.what();
    }
    return "(no error)";
}

} // namespace cravent::test
