#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cravent::firmware {

inline constexpr int BankCount = 5;
inline constexpr std::size_t BankFileSize = 16384;
inline constexpr std::size_t RecordDataBytes = 32;
inline constexpr std::size_t RecordsPerBank = BankFileSize / RecordDataBytes; // 512

// Where each configuration bank lives in the gateway's flash: a page of 0x4000 bytes, the
// pages 0x10000 apart, both bounds inclusive.
struct BankWindow {
    int bank; // 1..5; the step index is bank - 1
    std::uint32_t first;
    std::uint32_t last;
    const char* fileName;
    const char* missingMessage;

    bool holds(std::uint32_t address) const { return address >= first && address <= last; }
};

inline constexpr std::array<BankWindow, BankCount> BankWindows = {{
    {1, 0x388000, 0x38BFFF, "bank1.bin", "File bank1.bin Not Found,Abort Procedure"},
    {2, 0x398000, 0x39BFFF, "bank2.bin", "File bank2.bin Not Found,Abort Procedure"},
    {3, 0x3A8000, 0x3ABFFF, "bank3.bin", "File bank3.bin Not Found,Abort Procedure"},
    {4, 0x3B8000, 0x3BBFFF, "bank4.bin", "File bank4.bin Not Found,Abort Procedure"},
    {5, 0x3C8000, 0x3CBFFF, "bank5.bin", "File bank5.bin Not Found,Abort Procedure"},
}};

// Which banks go into the new firmware, by step index.
using BankSelection = std::array<bool, BankCount>;

// Gateway models 2 and 3 carry their configuration in banks 1 and 2; other models in all five.
BankSelection banksOfGatewayModel(int gatewayModel);

// The bank as 512 S2 records of 32 bytes each, from the window's first address up, every line
// ended by CR LF. `bank` must hold exactly BankFileSize bytes.
std::string bankRecords(const BankWindow& window, std::string_view bank);

// "0x388000-0x38BFFF"
std::string windowText(const BankWindow& window);

} // namespace cravent::firmware
