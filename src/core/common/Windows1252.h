#pragma once

#include <string>
#include <string_view>

namespace cravent {

bool isValidUtf8(std::string_view bytes);

// Windows-1252 (ANSI) text, as the Windows program wrote it, in UTF-8. Bytes that the code page
// leaves undefined become the control characters of the same number, so nothing is dropped.
std::string windows1252ToUtf8(std::string_view bytes);

} // namespace cravent
