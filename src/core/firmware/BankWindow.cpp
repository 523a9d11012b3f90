#include "core/firmware/BankWindow.h"

#include "core/firmware/SRecord.h"

#include <cassert>

namespace cravent::firmware {

BankSelection banksOfGatewayModel(int gatewayModel)
{
    if (gatewayModel == 2 || gatewayModel == 3)
        return {true, true, false, false, false};
    return {true, true, true, true, true};
}

std::string bankRecords(const BankWindow& window, std::string_view bank)
{
    assert(bank.size() == BankSize);
    constexpr std::size_t LineLength = 76 + 2;
    std::string records;
    records.reserve(RecordsPerBank * LineLength);
    std::uint32_t address = window.first;
    for (std::size_t record = 0; record < RecordsPerBank; ++record, address += RecordDataBytes) {
        const std::size_t start = records.size();
        records += "S224";
        appendHex(records, address, 6);
        for (std::size_t i = 0; i < RecordDataBytes; ++i)
            appendHexByte(records, static_cast<std::uint8_t>(bank[record * RecordDataBytes + i]));
        records += "00"; // checksum placeholder
        records.replace(records.size() - 2, 2,
                        RecordChecksum(std::string_view(records).substr(start)));
        records += "\r\n";
        assert(records.size() - start == LineLength);
    }
    return records;
}

std::string windowText(const BankWindow& window)
{
    std::string text = "0x";
    appendHex(text, window.first, 6);
    text += "-0x";
    appendHex(text, window.last, 6);
    return text;
}

} // namespace cravent::firmware
