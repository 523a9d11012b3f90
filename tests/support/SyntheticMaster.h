#pragma once

#include "core/firmware/SRecord.h"

#include <cstdint>
#include <string>

namespace cravent::test {

// One S-record line with its checksum and CR LF, from its type, address and data bytes.
inline std::string sRecord(char type, std::uint32_t address, const std::string& data)
{
    const int addressDigits = type == '1' || type == '9' || type == '0' || type == '5'   ? 4
                              : type == '2' || type == '8' || type == '6' ? 6
                                                                          : 8;
    std::string line = "S";
    line += type;
    firmware::appendHex(line, static_cast<std::uint32_t>(addressDigits / 2) + static_cast<std::uint32_t>(data.size()) + 1, 2);
    firmware::appendHex(line, address, addressDigits);
    for (char byte : data)
        firmware::appendHexByte(line, static_cast<std::uint8_t>(byte));
    line += "00";
    line.replace(line.size() - 2, 2, firmware::RecordChecksum(line));
    return line + "\r\n";
}

// A master firmware as a banked 16-bit controller's linker writes it: a header, 16 KB of
// unbanked code as S1 records at 0xC000, then `pages` flash pages from page 0x30 on, each
// 0x4000 bytes at page << 16 | 0x8000 as 32-byte S2 records, and the end record. About 40 KB a
// page: 18 pages give 0.7 MB, 205 pages 8 MB.
inline std::string syntheticMaster(int pages)
{
    std::uint32_t state = 12345;
    auto bytes = [&state](std::size_t count) {
        std::string data(count, '\0');
        for (char& byte : data) {
            state = state * 1103515245u + 12345u;
            byte = static_cast<char>(state >> 16);
        }
        return data;
    };
    std::string master = sRecord('0', 0, "QF40231");
    for (std::uint32_t address = 0xC000; address < 0x10000; address += 32)
        master += sRecord('1', address, bytes(32));
    for (std::uint32_t page = 0x30; page < 0x30u + static_cast<std::uint32_t>(pages); ++page)
        for (std::uint32_t offset = 0x8000; offset < 0xC000; offset += 32)
            master += sRecord('2', page << 16 | offset, bytes(32));
    master += sRecord('9', 0xC000, "");
    return master;
}

} // namespace cravent::test
