#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace cravent::firmware {

// The S-record checksum of a record line whose last two characters are a placeholder: the
// one's complement of the low byte of the sum of the byte pairs between the record type and
// the placeholder, as two upper-case hexadecimal digits. Throws std::invalid_argument when a
// pair is not hexadecimal.
std::string RecordChecksum(std::string_view line);

enum class RecordKind : std::uint8_t {
    Other,  // not a record ("s2" in lower case, free text): copied as it stands
    Header, // S0
    Data,   // S1, S2, S3
    Count,  // S5, S6
    End,    // S7, S8, S9
};

enum class RecordFault : std::uint8_t { None, NotARecord, WrongChecksum };

// One line of an S-record file, as read: the address is read with the width of its record type
// (S1 4 digits, S2 6, S3 8), so the data of an S1 record is never mistaken for an address.
struct RecordLine {
    std::string_view text;
    RecordKind kind = RecordKind::Other;
    std::uint8_t type = 0;         // the digit after "S"
    std::uint32_t address = 0;     // the address field; the count of an S5/S6 record
    std::uint32_t dataLength = 0;  // data bytes after the address
};

// Reads a line without its line end. Lines that begin with "S" and a digit must be complete
// records: hexadecimal pairs whose byte count matches the line and whose checksum is right.
// An empty line is not a record either. Other lines are RecordKind::Other.
RecordFault readRecordLine(std::string_view text, RecordLine& line);

// The two upper-case hexadecimal digits of a byte, and of a value of `digits` digits.
void appendHexByte(std::string& out, std::uint8_t value);
void appendHex(std::string& out, std::uint32_t value, int digits);

} // namespace cravent::firmware
