#include "core/firmware/WindowReader.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/common/TextLines.h"
#include "core/firmware/BankSetCheck.h"
#include "core/firmware/SRecord.h"
#include "core/workspace/ProjectFolder.h"

#include <vector>

namespace cravent::firmware {

namespace {

namespace fs = std::filesystem;

std::string hexAddress(std::uint32_t address)
{
    std::string text = "0x";
    appendHex(text, address, 6);
    return text;
}

// What is known of one window while the file is read.
struct WindowFill {
    const BankWindow* window = nullptr;
    std::string bytes;
    std::vector<bool> given;
};

} // namespace

BankBytes readWindows(std::string_view text, const std::string& name, const BankSelection& banks,
                      std::size_t firstLine)
{
    std::vector<WindowFill> fills;
    for (const BankWindow& window : BankWindows) {
        if (banks[static_cast<std::size_t>(window.bank - 1)])
            fills.push_back({&window, std::string(BankSize, '\0'),
                             std::vector<bool>(BankSize, false)});
    }
    const auto where = [&name](std::size_t number) {
        return "Line " + std::to_string(number) + " of \"" + name + "\"";
    };

    std::size_t number = firstLine - 1;
    forEachLine(text, [&](std::string_view lineText) {
        ++number;
        if (lineText.empty())
            return; // blank lines carry nothing
        RecordLine line;
        switch (readRecordLine(lineText, line)) {
        case RecordFault::NotARecord:
            throw Error(where(number) + " is not a valid S-record.");
        case RecordFault::WrongChecksum:
            throw Error(where(number) + " has a wrong checksum.");
        case RecordFault::None:
            break;
        }
        // S1 addresses stop at 0xFFFF, below every window.
        if (line.kind != RecordKind::Data || (line.type != 2 && line.type != 3))
            return;
        const std::size_t dataAt = 4 + 2 * static_cast<std::size_t>(line.type + 1);
        for (WindowFill& fill : fills) {
            const std::uint64_t first = line.address;
            const std::uint64_t last = first + line.dataLength; // one past
            if (last <= fill.window->first || first > fill.window->last)
                continue;
            for (std::uint64_t address = std::max<std::uint64_t>(first, fill.window->first);
                 address < last && address <= fill.window->last; ++address) {
                const auto offset = static_cast<std::size_t>(address - fill.window->first);
                if (fill.given[offset])
                    throw Error(where(number) + " gives address " +
                                hexAddress(static_cast<std::uint32_t>(address)) +
                                " of the bank " + std::to_string(fill.window->bank) +
                                " window a second time.");
                const std::size_t at = dataAt + 2 * static_cast<std::size_t>(address - first);
                // readRecordLine has checked the digits.
                fill.bytes[offset] =
                    static_cast<char>(hexDigitValue(lineText[at]) << 4 | hexDigitValue(lineText[at + 1]));
                fill.given[offset] = true;
            }
        }
    });

    BankBytes result;
    for (WindowFill& fill : fills) {
        for (std::size_t offset = 0; offset < BankSize; ++offset) {
            if (!fill.given[offset])
                throw Error("\"" + name + "\" lacks address " +
                            hexAddress(fill.window->first + static_cast<std::uint32_t>(offset)) +
                            " of the bank " + std::to_string(fill.window->bank) + " window " +
                            windowText(*fill.window) + ".");
        }
        result[static_cast<std::size_t>(fill.window->bank - 1)] = std::move(fill.bytes);
    }
    return result;
}

BankBytes readFirmwareWindows(const fs::path& firmware, const BankSelection& banks)
{
    return readWindows(readFile(firmware), firmware.string(), banks);
}

BankBytes readBankFiles(const fs::path& binDir, const BankSelection& banks)
{
    BankBytes result;
    BankSetCheck bankSet(binDir);
    for (const BankWindow& window : BankWindows) {
        if (!banks[static_cast<std::size_t>(window.bank - 1)])
            continue;
        const fs::path file = findFileNoCase(binDir, names::bankFile(window.bank));
        if (!isPresent(file) || !isFile(file))
            throw Error("File \"" + file.string() + "\" not found.");
        std::string bytes = readFile(file, BankSize); // a larger file is refused by its size
        if (bytes.size() != BankSize)
            throw Error("File \"" + file.string() + "\" holds " + std::to_string(bytes.size()) +
                        " bytes, not " + std::to_string(BankSize) + ".");
        bankSet.check(window.bank, file, bytes);
        result[static_cast<std::size_t>(window.bank - 1)] = std::move(bytes);
    }
    return result;
}

} // namespace cravent::firmware
