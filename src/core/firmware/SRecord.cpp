#include "core/firmware/SRecord.h"

#include <array>
#include <stdexcept>

namespace cravent::firmware {

namespace {

constexpr std::uint8_t NotHex = 0xFF;

constexpr std::array<std::uint8_t, 256> makeHexValues()
{
    std::array<std::uint8_t, 256> values{};
    values.fill(NotHex);
    for (int c = 0; c < 10; ++c)
        values[static_cast<std::size_t>('0' + c)] = static_cast<std::uint8_t>(c);
    for (int c = 0; c < 6; ++c) {
        values[static_cast<std::size_t>('A' + c)] = static_cast<std::uint8_t>(10 + c);
        values[static_cast<std::size_t>('a' + c)] = static_cast<std::uint8_t>(10 + c);
    }
    return values;
}

constexpr std::array<std::uint8_t, 256> HexValues = makeHexValues();
constexpr char HexDigits[] = "0123456789ABCDEF";

// Address bytes of each record type; 0 for the reserved S4.
constexpr std::array<std::uint8_t, 10> AddressBytes = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

// The byte of the hexadecimal pair at `at`, or a value above 0xFF when it is not one.
inline unsigned pairAt(std::string_view text, std::size_t at)
{
    const unsigned high = HexValues[static_cast<unsigned char>(text[at])];
    const unsigned low = HexValues[static_cast<unsigned char>(text[at + 1])];
    return high == NotHex || low == NotHex ? 0x100u : (high << 4) | low;
}

RecordKind kindOf(unsigned type)
{
    switch (type) {
    case 0:
        return RecordKind::Header;
    case 1:
    case 2:
    case 3:
        return RecordKind::Data;
    case 5:
    case 6:
        return RecordKind::Count;
    default:
        return RecordKind::End;
    }
}

} // namespace

std::string RecordChecksum(std::string_view line)
{
    if (line.size() < 4 || line.size() % 2 != 0)
        throw std::invalid_argument("record line of odd length: " + std::string(line));
    unsigned sum = 0;
    for (std::size_t at = 2; at + 2 < line.size(); at += 2) {
        const unsigned byte = pairAt(line, at);
        if (byte > 0xFF)
            throw std::invalid_argument("record line not hexadecimal: " + std::string(line));
        sum += byte;
    }
    std::string digits;
    appendHexByte(digits, static_cast<std::uint8_t>(~sum & 0xFFu));
    return digits;
}

RecordFault readRecordLine(std::string_view text, RecordLine& line)
{
    line = RecordLine{text};
    if (text.empty())
        return RecordFault::NotARecord;
    if (text.size() < 2 || text[0] != 'S' || text[1] < '0' || text[1] > '9')
        return RecordFault::None; // free text
    const unsigned type = static_cast<unsigned>(text[1] - '0');
    const unsigned addressBytes = AddressBytes[type];
    if (addressBytes == 0 || text.size() < 4 || text.size() % 2 != 0)
        return RecordFault::NotARecord;
    const unsigned count = pairAt(text, 2);
    if (count > 0xFF || text.size() != 4 + 2 * std::size_t{count} || count < addressBytes + 1)
        return RecordFault::NotARecord;

    unsigned sum = count;
    std::uint32_t address = 0;
    std::size_t at = 4;
    for (unsigned i = 0; i < addressBytes; ++i, at += 2) {
        const unsigned byte = pairAt(text, at);
        if (byte > 0xFF)
            return RecordFault::NotARecord;
        sum += byte;
        address = (address << 8) | byte;
    }
    for (; at + 2 < text.size(); at += 2) {
        const unsigned byte = pairAt(text, at);
        if (byte > 0xFF)
            return RecordFault::NotARecord;
        sum += byte;
    }
    const unsigned checksum = pairAt(text, at);
    if (checksum > 0xFF)
        return RecordFault::NotARecord;
    if (((~sum) & 0xFFu) != checksum)
        return RecordFault::WrongChecksum;

    line.kind = kindOf(type);
    line.type = static_cast<std::uint8_t>(type);
    line.address = address;
    line.dataLength = count - addressBytes - 1;
    return RecordFault::None;
}

void appendHexByte(std::string& out, std::uint8_t value)
{
    out.push_back(HexDigits[value >> 4]);
    out.push_back(HexDigits[value & 0x0F]);
}

void appendHex(std::string& out, std::uint32_t value, int digits)
{
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out.push_back(HexDigits[(value >> shift) & 0x0Fu]);
}

} // namespace cravent::firmware
