#pragma once

#include "core/image/ConfigImage.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace cravent::firmware {

// A bank file holds one bank of the configuration image as it stands.
using image::BankCount;
using image::BankSize;
inline constexpr std::size_t RecordDataBytes = 32;
inline constexpr std::size_t RecordsPerBank = BankSize / RecordDataBytes; // 512

// Where each configuration bank lives in the gateway's flash: a page of 0x4000 bytes, the
// pages 0x10000 apart, both bounds inclusive.
struct BankWindow {
    int bank; // 1..5; the step index is bank - 1
    std::uint32_t first;
    std::uint32_t last;

    bool holds(std::uint32_t address) const { return address >= first && address <= last; }
};

inline constexpr std::array<BankWindow, BankCount> BankWindows = {{
    {1, 0x388000, 0x38BFFF},
    {2, 0x398000, 0x39BFFF},
    {3, 0x3A8000, 0x3ABFFF},
    {4, 0x3B8000, 0x3BBFFF},
    {5, 0x3C8000, 0x3CBFFF},
}};

// A window takes exactly one bank file.
constexpr bool windowsHoldOneBankEach()
{
    for (std::size_t i = 0; i < BankWindows.size(); ++i)
        if (BankWindows[i].bank != static_cast<int>(i) + 1 ||
            BankWindows[i].last - BankWindows[i].first + 1 != BankSize)
            return false;
    return true;
}
static_assert(windowsHoldOneBankEach());

// Which banks go into the new firmware, by step index.
using BankSelection = std::array<bool, BankCount>;

// Gateway models 2 and 3 carry their configuration in banks 1 and 2; other models in all five.
BankSelection banksOfGatewayModel(int gatewayModel);

// The bank as 512 S2 records of 32 bytes each, from the window's first address up, every line
// ended by CR LF. `bank` must hold exactly BankSize bytes.
std::string bankRecords(const BankWindow& window, std::string_view bank);

// "0x388000-0x38BFFF"
std::string windowText(const BankWindow& window);

} // namespace cravent::firmware
