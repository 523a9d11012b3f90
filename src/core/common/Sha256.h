#pragma once

#include <string>
#include <string_view>

namespace cravent {

// The SHA-256 digest of `bytes` as 64 lower-case hexadecimal digits, as sha256sum prints it.
std::string sha256Hex(std::string_view bytes);

} // namespace cravent
