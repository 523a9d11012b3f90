#include "core/image/BuildMark.h"

#include "core/common/TextLines.h"
#include "core/workspace/ProjectFolder.h"

#include <charconv>
#include <cstdio>

namespace cravent::image {

namespace {

constexpr std::string_view Headline = "cravent build mark";
constexpr std::size_t HashDigits = 16;

} // namespace

std::uint64_t bankHash(std::string_view bytes)
{
    std::uint64_t hash = 0xCBF29CE484222325u;
    for (const char byte : bytes) {
        hash ^= static_cast<std::uint8_t>(byte);
        hash *= 0x100000001B3u;
    }
    return hash;
}

std::string buildMarkText(const ConfigImage& image)
{
    std::string text(Headline);
    text += "\r\n";
    for (int n = 1; n <= BankCount; ++n) {
        const auto bank = image.bank(n);
        char hex[HashDigits + 1];
        std::snprintf(hex, sizeof hex, "%016llx",
                      static_cast<unsigned long long>(bankHash(std::string_view(
                          reinterpret_cast<const char*>(bank.data()), bank.size()))));
        text += names::bankFile(n) + " " + hex + "\r\n";
    }
    return text;
}

std::optional<BankHashes> readBuildMark(std::string_view text)
{
    BankHashes hashes{};
    int line = 0;
    bool sound = true;
    forEachLine(text, [&](std::string_view content) {
        if (!sound)
            return;
        if (line == 0) {
            sound = content == Headline;
        } else if (line <= BankCount) {
            const std::string name = names::bankFile(line) + " ";
            const std::string_view digits = content.substr(std::min(name.size(), content.size()));
            const auto [end, error] = std::from_chars(
                digits.data(), digits.data() + digits.size(),
                hashes[static_cast<std::size_t>(line - 1)], 16);
            sound = content.starts_with(name) && digits.size() == HashDigits &&
                    error == std::errc() && end == digits.data() + digits.size();
        } else {
            sound = content.empty();
        }
        ++line;
    });
    if (!sound || line <= BankCount)
        return std::nullopt;
    return hashes;
}

} // namespace cravent::image
