#include "core/common/XmlCharacters.h"

#include <cstdio>

namespace cravent {

namespace {

bool allowedInXml(std::uint32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) ||
           (c >= 0xE000 && c <= 0xFFFD) || (c >= 0x10000 && c <= 0x10FFFF);
}

} // namespace

std::string ForbiddenCharacter::name() const
{
    char text[48];
    if (notUtf8)
        std::snprintf(text, sizeof text, "the byte 0x%02X, which is not UTF-8", static_cast<unsigned>(code));
    else
        std::snprintf(text, sizeof text, "U+%04X", static_cast<unsigned>(code));
    return text;
}

std::optional<ForbiddenCharacter> findXmlForbiddenCharacter(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            if (!allowedInXml(b))
                return ForbiddenCharacter{i, b, false};
            ++i;
            continue;
        }
        // The length of the sequence and the smallest character it may encode (shorter forms
        // of a character are not UTF-8).
        std::size_t length = 0;
        std::uint32_t c = 0, least = 0;
        if ((b & 0xE0) == 0xC0) {
            length = 2, c = b & 0x1Fu, least = 0x80;
        } else if ((b & 0xF0) == 0xE0) {
            length = 3, c = b & 0x0Fu, least = 0x800;
        } else if ((b & 0xF8) == 0xF0) {
            length = 4, c = b & 0x07u, least = 0x10000;
        } else {
            return ForbiddenCharacter{i, b, true};
        }
        if (i + length > text.size())
            return ForbiddenCharacter{i, b, true};
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return ForbiddenCharacter{i, b, true};
            c = (c << 6) | (next & 0x3Fu);
        }
        if (c < least || c > 0x10FFFF)
            return ForbiddenCharacter{i, b, true};
        if (!allowedInXml(c))
            return ForbiddenCharacter{i, c, false};
        i += length;
    }
    return std::nullopt;
}

std::optional<std::string> xmlForbiddenCharacterMessage(std::string_view what, std::string_view text)
{
    const auto found = findXmlForbiddenCharacter(text);
    if (!found)
        return std::nullopt;
    return std::string(what) + " holds " + found->name() + ", a character that XML files cannot hold";
}

} // namespace cravent
