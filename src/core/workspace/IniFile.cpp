#include "core/workspace/IniFile.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"

#include <vector>

namespace cravent::ini {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}


std::vector<std::string_view> splitLines(std::string_view content)
{
    std::vector<std::string_view> lines;
    while (!content.empty()) {
        const auto end = content.find('\n');
        std::string_view line = content.substr(0, end);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        lines.push_back(line);
        if (end == std::string_view::npos)
            break;
        content.remove_prefix(end + 1);
    }
    return lines;
}

std::optional<std::string_view> sectionName(std::string_view line)
{
    line = trim(line);
    if (line.size() < 2 || line.front() != '[')
        return std::nullopt;
    const auto close = line.find(']');
    if (close == std::string_view::npos)
        return std::nullopt;
    return trim(line.substr(1, close - 1));
}

bool isKeyLine(std::string_view line, std::string_view key, std::string_view* valueOut = nullptr)
{
    const auto eq = line.find('=');
    if (eq == std::string_view::npos || !equalsNoCase(trim(line.substr(0, eq)), key))
        return false;
    if (valueOut)
        *valueOut = trim(line.substr(eq + 1));
    return true;
}

} // namespace

std::optional<std::string> value(std::string_view content, std::string_view section,
                                 std::string_view key)
{
    bool inSection = false;
    for (std::string_view line : splitLines(content)) {
        if (auto name = sectionName(line)) {
            inSection = equalsNoCase(*name, section);
            continue;
        }
        std::string_view found;
        if (inSection && isKeyLine(line, key, &found)) {
            if (found.size() >= 2 && (found.front() == '"' || found.front() == '\'') &&
                found.back() == found.front())
                found = found.substr(1, found.size() - 2);
            return std::string(found);
        }
    }
    return std::nullopt;
}

std::string withValue(std::string_view content, std::string_view section, std::string_view key,
                      std::string_view newValue)
{
    const std::vector<std::string_view> lines = splitLines(content);
    const std::string keyLine = std::string(key) + "=" + std::string(newValue);

    std::optional<std::size_t> sectionStart;
    std::size_t insertAt = lines.size();
    std::optional<std::size_t> replaceAt;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (auto name = sectionName(lines[i])) {
            if (sectionStart && !replaceAt)
                break; // left our section without meeting the key
            if (!sectionStart && equalsNoCase(*name, section)) {
                sectionStart = i;
                insertAt = i + 1;
            }
            continue;
        }
        if (sectionStart && !replaceAt) {
            if (isKeyLine(lines[i], key)) {
                replaceAt = i;
                break;
            }
            if (!trim(lines[i]).empty())
                insertAt = i + 1;
        }
    }

    std::string out;
    auto append = [&out](std::string_view line) {
        out.append(line);
        out.append("\r\n");
    };
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (replaceAt && i == *replaceAt) {
            append(keyLine);
            continue;
        }
        if (sectionStart && !replaceAt && i == insertAt)
            append(keyLine);
        append(lines[i]);
    }
    if (sectionStart && !replaceAt && insertAt == lines.size())
        append(keyLine);
    if (!sectionStart) {
        append("[" + std::string(section) + "]");
        append(keyLine);
    }
    return out;
}

std::optional<std::string> readValue(const std::filesystem::path& file, std::string_view section,
                                     std::string_view key)
{
    try {
        return value(readFile(file), section, key);
    } catch (const Error&) {
        return std::nullopt; // a missing settings file just means nothing to restore
    }
}

void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view newValue)
{
    std::string content;
    std::error_code ec;
    if (std::filesystem::exists(file, ec))
        content = readFile(file);
    writeFileAtomically(file, withValue(content, section, key, newValue));
}

} // namespace cravent::ini
