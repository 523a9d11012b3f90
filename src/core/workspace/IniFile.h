#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// The few rules of a Windows private-profile file that the settings file needs, so that a file
// written by the Windows program reads the same here and ours reads the same there: CR LF or LF
// lines, section and key names without regard to case, blanks around names and values ignored,
// one pair of surrounding quotes removed from a value, and no escaping of backslashes. A file
// that starts with a UTF-16 byte order mark is read and written in UTF-16, as Windows saves it.
namespace ini {

std::optional<std::string> value(std::string_view content, std::string_view section,
                                 std::string_view key);

// The content with the key set, every other line kept as it was. A missing section is added at
// the end; a missing key is added at the end of its section. Lines written end in CR LF.
std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view newValue);

// File forms: a missing or unreadable file has no values; writing creates the file if needed
// and throws Error naming the file when it cannot be written, or when it is UTF-16 that does
// not decode (it is then left untouched rather than made unreadable).
std::optional<std::string> readValue(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key);
void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view newValue);

} // namespace ini
} // namespace cravent
