#include "core/firmware/FirmwareVerify.h"

#include "core/common/Error.h"
#include "core/firmware/SRecord.h"

namespace cravent::firmware {

void verifyNewFirmware(const std::filesystem::path& firmware, const BankBytes& expected,
                       const BankSelection& banks)
{
    BankBytes found;
    try {
        found = readFirmwareWindows(firmware, banks);
    } catch (const Error& error) {
        throw Error(std::string(text::NotHoldingConfiguration) + error.what());
    }
    for (const BankWindow& window : BankWindows) {
        const auto index = static_cast<std::size_t>(window.bank - 1);
        if (!banks[index])
            continue;
        const std::string& want = expected[index];
        const std::string& got = found[index];
        for (std::size_t offset = 0; offset < want.size(); ++offset) {
            if (want[offset] == got[offset])
                continue;
            std::string address;
            appendHex(address, window.first + static_cast<std::uint32_t>(offset), 6);
            std::string wantByte;
            std::string gotByte;
            appendHexByte(wantByte, static_cast<std::uint8_t>(want[offset]));
            appendHexByte(gotByte, static_cast<std::uint8_t>(got[offset]));
            throw Error(std::string(text::NotHoldingConfiguration) + "bank " +
                        std::to_string(window.bank) + " byte " + std::to_string(offset) +
                        " (address 0x" + address + ") reads 0x" + gotByte + " instead of 0x" +
                        wantByte + ".");
        }
    }
}

} // namespace cravent::firmware
