#include "core/common/CsvCell.h"

#include <cctype>

namespace cravent {

namespace {

bool isDigit(char c)
{
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

// A decimal number as a spreadsheet reads one: a sign, digits with a point, an exponent.
bool isNumber(std::string_view text)
{
    std::size_t at = 0;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        ++at;
    std::size_t digits = 0;
    for (; at < text.size() && isDigit(text[at]); ++at)
        ++digits;
    if (at < text.size() && text[at] == '.')
        for (++at; at < text.size() && isDigit(text[at]); ++at)
            ++digits;
    if (digits == 0)
        return false;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '-' || text[at] == '+'))
            ++at;
        if (at == text.size() || !isDigit(text[at]))
            return false;
        while (at < text.size() && isDigit(text[at]))
            ++at;
    }
    return at == text.size();
}

bool runsAsFormula(std::string_view text)
{
    constexpr std::string_view Starters = "=+-@\t\r";
    return !text.empty() && Starters.find(text.front()) != std::string_view::npos &&
           !isNumber(text);
}

} // namespace

std::string csvCell(std::string_view text)
{
    const bool formula = runsAsFormula(text);
    if (!formula && text.find_first_of(",\"\r\n") == std::string_view::npos)
        return std::string(text);
    std::string out = formula ? "\"'" : "\"";
    for (const char c : text) {
        if (c == '"')
            out += '"';
        out += c;
    }
    return out + '"';
}

} // namespace cravent
