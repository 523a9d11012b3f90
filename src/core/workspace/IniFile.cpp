#include "core/workspace/IniFile.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/common/TextEncoding.h"
#include "core/common/TextLines.h"

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
    forEachLine(content, [&lines](std::string_view line) { lines.push_back(line); });
    return lines;
}

// The value as it stands after "key=": quoted when the reader would otherwise lose part of it,
// leading or trailing blanks, or one pair of surrounding quotes of its own.
std::string storedValue(std::string_view value)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t'; };
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                        value.back() == value.front();
    if (!value.empty() && (blank(value.front()) || blank(value.back()) || quoted))
        return "\"" + std::string(value) + "\"";
    return std::string(value);
}

// A settings file saved by Windows as Unicode is UTF-16 with a byte order mark; it is read as
// UTF-8 text and written back in its own encoding, as the Windows program does.
struct Encoding {
    const char* name = nullptr; // nullptr: bytes as they stand
    std::string_view bom;
};

Encoding encodingOf(std::string_view bytes)
{
    if (bytes.starts_with("\xFF\xFE"))
        return {"UTF-16LE", "\xFF\xFE"};
    if (bytes.starts_with("\xFE\xFF"))
        return {"UTF-16BE", "\xFE\xFF"};
    return {};
}

// The file's text as UTF-8 (or as its bytes stand) and its encoding; nothing when it is UTF-16
// that does not decode.
std::optional<std::string> decoded(const std::string& bytes, const Encoding& encoding)
{
    if (!encoding.name)
        return bytes;
    return convertText(std::string_view(bytes).substr(encoding.bom.size()), "UTF-8", encoding.name);
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
    const std::string keyLine = std::string(key) + "=" + storedValue(newValue);

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
    std::string bytes;
    try {
        bytes = readFile(file);
    } catch (const Error&) {
        return std::nullopt; // a missing settings file just means nothing to restore
    }
    const std::optional<std::string> text = decoded(bytes, encodingOf(bytes));
    return text ? value(*text, section, key) : std::nullopt;
}

void writeValue(const std::filesystem::path& file, std::string_view section, std::string_view key,
                std::string_view newValue)
{
    std::string bytes;
    if (isPresent(file))
        bytes = readFile(file);
    const Encoding encoding = encodingOf(bytes);
    const std::optional<std::string> text = decoded(bytes, encoding);
    if (!text)
        throw Error("Cannot create file \"" + file.string() +
                    "\". It is UTF-16 text that does not decode; it was left as it is");
    const std::string updated = withValue(*text, section, key, newValue);
    if (!encoding.name) {
        writeFileAtomically(file, updated);
        return;
    }
    const std::optional<std::string> encoded = convertText(updated, encoding.name, "UTF-8");
    if (!encoded)
        throw Error("Cannot create file \"" + file.string() + "\". The value \"" +
                    std::string(newValue) + "\" cannot be written as " + encoding.name +
                    "; the file was left as it is");
    writeFileAtomically(file, std::string(encoding.bom) + *encoded);
}

} // namespace cravent::ini
