#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// A character that an XML 1.0 document cannot hold, raw or as a character reference: the
// control characters other than tab, line feed and carriage return, the surrogates, U+FFFE and
// U+FFFF; or a byte that begins no UTF-8 character.
struct ForbiddenCharacter {
    std::size_t offset = 0;    // of its first byte in the text
    std::uint32_t code = 0;    // the character, or the byte that is not UTF-8
    bool notUtf8 = false;

    // "U+0007", or "the byte 0xFF, which is not UTF-8"
    std::string name() const;
};

// The first character of UTF-8 `text` that an XML file cannot hold, or nothing.
std::optional<ForbiddenCharacter> findXmlForbiddenCharacter(std::string_view text);

// "<what> holds U+0007, a character that XML files cannot hold", or nothing when `text` holds
// none.
std::optional<std::string> xmlForbiddenCharacterMessage(std::string_view what, std::string_view text);

} // namespace cravent
