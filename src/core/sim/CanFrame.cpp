#include "core/sim/CanFrame.h"

#include "core/common/IntegerText.h"

#include <cstdio>

namespace cravent::sim {

namespace {

std::string_view trim(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

std::optional<CanFrame> refuse(std::string* why, const char* reason)
{
    if (why)
        *why = reason;
    return std::nullopt;
}

} // namespace

std::optional<CanFrame> parseCandumpLine(std::string_view line, std::string* why)
{
    line = trim(line);
    // The frame is the last blank-separated word: "(time) iface frame" or just "frame".
    const std::size_t blank = line.find_last_of(" \t");
    const std::string_view word = blank == std::string_view::npos ? line : line.substr(blank + 1);
    const std::size_t hash = word.find('#');
    if (word.empty() || hash == std::string_view::npos)
        return refuse(why, "no \"#\" between identifier and data");
    const std::string_view id = word.substr(0, hash);
    if (id.empty() || id.size() > 8)
        return refuse(why, "the identifier needs 1 to 8 hexadecimal digits");

    CanFrame frame;
    for (const char c : id) {
        const int d = hexDigitValue(c);
        if (d < 0)
            return refuse(why, "the identifier is not hexadecimal");
        frame.id = frame.id << 4 | static_cast<std::uint32_t>(d);
    }
    if (frame.id > 0x1FFFFFFF)
        return refuse(why, "the identifier is beyond 29 bits");
    frame.extended = id.size() > 3 || frame.id > 0x7FF;

    std::string_view data = word.substr(hash + 1);
    if (!data.empty() && (data.front() == 'R' || data.front() == 'r'))
        return refuse(why, "a remote frame carries no data");
    if (!data.empty() && data.front() == '#') { // CAN FD: a flags digit, then the data
        if (data.size() < 2 || hexDigitValue(data[1]) < 0)
            return refuse(why, "a CAN FD frame needs its flags digit");
        data.remove_prefix(2);
    }
    std::size_t count = 0;
    for (std::size_t i = 0; i < data.size();) {
        if (data[i] == '.') { // candump may separate bytes with dots
            ++i;
            continue;
        }
        if (i + 1 >= data.size() || hexDigitValue(data[i]) < 0 || hexDigitValue(data[i + 1]) < 0)
            return refuse(why, "the data is not pairs of hexadecimal digits");
        if (count == frame.data.size())
            return refuse(why, "more than 8 data bytes");
        frame.data[count++] = static_cast<std::uint8_t>(hexDigitValue(data[i]) << 4 | hexDigitValue(data[i + 1]));
        i += 2;
    }
    frame.length = static_cast<std::uint8_t>(count);
    return frame;
}

std::string candumpLine(const CanFrame& frame, double seconds, std::string_view iface)
{
    char head[64];
    std::snprintf(head, sizeof head, frame.extended ? "(%.6f) %.*s %08X#" : "(%.6f) %.*s %03X#",
                  seconds, static_cast<int>(iface.size()), iface.data(), frame.id);
    std::string line = head;
    static constexpr char Digits[] = "0123456789ABCDEF";
    for (std::size_t i = 0; i < frame.length && i < frame.data.size(); ++i) {
        line += Digits[frame.data[i] >> 4];
        line += Digits[frame.data[i] & 0xF];
    }
    return line;
}

} // namespace cravent::sim
