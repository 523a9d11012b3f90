#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// `bytes` in the encoding `from` converted to `to` (iconv names: "UTF-8", "UTF-16LE", ...);
// nothing when they are not valid in `from` or the conversion is unknown.
std::optional<std::string> convertText(std::string_view bytes, const char* to, const char* from);

} // namespace cravent
