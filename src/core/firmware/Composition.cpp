#include "core/firmware/Composition.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/common/TextLines.h"
#include "core/firmware/BankSetCheck.h"
#include "core/firmware/FirmwareVerify.h"
#include "core/firmware/SRecord.h"

#include <array>
#include <optional>
#include <string_view>
#include <vector>

namespace cravent::firmware {

namespace {

namespace fs = std::filesystem;

// Progress is reported in strides: a callback per line would cost more than the merge itself.
constexpr std::size_t ProgressStride = 4096;

[[noreturn]] void notCreated(const std::string& why)
{
    throw Error(std::string(text::NewNotCreated) + "\n" + why);
}

std::string lineOf(std::size_t number, const fs::path& file)
{
    return "Line " + std::to_string(number) + " of \"" + file.string() + "\"";
}

// Reads the master's lines and refuses a master that would give a wrong firmware.
std::vector<RecordLine> readMaster(std::string_view bytes, const fs::path& file,
                                   const BankSelection& banks)
{
    std::vector<RecordLine> lines;
    lines.reserve(bytes.size() / 64 + 16);
    std::size_t number = 0;
    std::size_t dataRecords = 0;
    bool ended = false;
    forEachLine(bytes, [&](std::string_view text) {
        ++number;
        RecordLine line;
        if (ended) {
            // Blank lines may trail the end record; anything else there would be ignored by a
            // reader that stops at the end, or flashed by one that does not.
            if (!text.empty())
                notCreated(lineOf(number, file) + " follows the end record.");
            lines.push_back(RecordLine{text});
            return;
        }
        switch (readRecordLine(text, line)) {
        case RecordFault::NotARecord:
            notCreated(lineOf(number, file) + " is not a valid S-record.");
        case RecordFault::WrongChecksum:
            notCreated(lineOf(number, file) + " has a wrong checksum.");
        case RecordFault::None:
            break;
        }
        if (line.kind == RecordKind::Data) {
            ++dataRecords;
            const std::uint64_t first = line.address;
            const std::uint64_t last = first + (line.dataLength == 0 ? 0 : line.dataLength - 1);
            for (const BankWindow& window : BankWindows) {
                if (!banks[static_cast<std::size_t>(window.bank - 1)])
                    continue;
                const bool overlaps = first <= window.last && last >= window.first;
                const bool inside = first >= window.first && last <= window.last;
                // Half of such a record would survive beside the bank, or be lost with it.
                if (overlaps && !inside)
                    notCreated(lineOf(number, file) + " crosses the bounds of the bank " +
                               std::to_string(window.bank) + " window " + windowText(window) + ".");
            }
        } else if (line.kind == RecordKind::Count && line.address != dataRecords) {
            notCreated(lineOf(number, file) + " counts " + std::to_string(line.address) +
                       " data records, but " + std::to_string(dataRecords) + " precede it.");
        } else if (line.kind == RecordKind::End) {
            ended = true;
        }
        lines.push_back(line);
    });
    if (!ended)
        notCreated("\"" + file.string() + "\" has no S7, S8 or S9 end record.");
    return lines;
}

std::vector<RecordLine> readOwnRecords(std::string_view records)
{
    std::vector<RecordLine> lines;
    lines.reserve(RecordsPerBank);
    forEachLine(records, [&](std::string_view text) {
        RecordLine line;
        readRecordLine(text, line);
        lines.push_back(line);
    });
    return lines;
}

// A count record with the count of the data records written before it.
std::string countRecord(const RecordLine& original, std::size_t dataRecords)
{
    const bool wide = original.type == 6 || dataRecords > 0xFFFF;
    std::string record = wide ? "S604" : "S503";
    appendHex(record, static_cast<std::uint32_t>(dataRecords), wide ? 6 : 4);
    record += "00";
    record.replace(record.size() - 2, 2, RecordChecksum(record));
    return record;
}

std::string joinLines(const std::vector<RecordLine>& lines)
{
    std::size_t size = 0;
    for (const RecordLine& line : lines)
        size += line.text.size() + 2;
    std::string bytes;
    bytes.reserve(size + 16);
    std::size_t dataRecords = 0;
    for (const RecordLine& line : lines) {
        if (line.kind == RecordKind::Count && line.address != dataRecords)
            bytes += countRecord(line, dataRecords);
        else
            bytes.append(line.text);
        bytes += "\r\n";
        if (line.kind == RecordKind::Data)
            ++dataRecords;
    }
    return bytes;
}

// The chain of merge steps over the bank selection, run in memory: the master is read once,
// each step replaces one window's lines, and only the finished firmware reaches the disk.
class Composition {
public:
    Composition(const CompositionInputs& inputs, const Progress& progress,
                const CompositionExtras& extras)
        : inputs_(inputs), progress_(progress), extras_(extras)
    {
    }

    fs::path run()
    {
        for (const BankWindow& window : BankWindows) {
            if (!inputs_.banks[static_cast<std::size_t>(window.bank - 1)])
                continue;
            checkStep(window);
            loadBank(window);
            readMasterOnce();
            const int result = MergeBank(window.bank - 1);
            if (result < 0) // readMaster already insists on an end record
                notCreated("\"" + inputs_.sourceFirmware.string() + "\" has no end record.");
            if (result == 0)
                notCreated("\"" + inputs_.sourceFirmware.string() +
                           "\" holds no record in the bank " + std::to_string(window.bank) +
                           " window " + windowText(window) + ", so the new firmware would lack bank " +
                           std::to_string(window.bank) + ".");
        }
        if (!masterRead_) {
            // Nothing selected: the new firmware is the checked master with CR LF line ends.
            checkSource();
            checkNewName();
            readMasterOnce();
        }
        const fs::path target = inputs_.newFirmwarePath();
        try {
            if (extras_.flushLater)
                writeFileAtomicallyUnflushed(target, joinLines(lines_));
            else
                writeFileAtomically(target, joinLines(lines_));
        } catch (const Error& error) {
            notCreated(error.what());
        }
        if (extras_.beforeVerify)
            extras_.beforeVerify(target);
        try {
            verifyNewFirmware(target, banks_, inputs_.banks);
        } catch (const Error&) {
            // Nobody may flash a firmware that is known not to hold the configuration.
            std::error_code ec;
            fs::remove(target, ec);
            throw;
        }
        return target;
    }

private:
    void checkSource() const
    {
        if (!isFile(inputs_.sourceFirmware))
            throw Error(text::SourceNotFound);
    }

    void checkNewName() const
    {
        if (inputs_.newFirmwareName.empty())
            throw Error(text::NewNameMissing);
    }

    // The checks of one step, in the order the user meets them.
    void checkStep(const BankWindow& window) const
    {
        if (!masterRead_)
            checkSource();
        checkNewName();
        if (extras_.bankBytes)
            return;
        if (inputs_.bankDir.empty() || !isFolder(inputs_.bankDir))
            throw Error(text::BinFolderNotFound);
        if (!isFile(bankFile(window)))
            throw Error(text::bankNotFound(window.bank));
    }

    fs::path bankFile(const BankWindow& window) const
    {
        return findFileNoCase(inputs_.bankDir, names::bankFile(window.bank));
    }

    void loadBank(const BankWindow& window)
    {
        const auto index = static_cast<std::size_t>(window.bank - 1);
        const fs::path file = extras_.bankBytes ? fs::path(names::bankFile(window.bank)) : bankFile(window);
        // A short bank would leave part of the window to whatever the flash held before; a long
        // one is refused by its size, before it is read.
        const auto wrongSize = [&file](std::uint64_t size) {
            notCreated("File \"" + file.string() + "\" holds " + std::to_string(size) +
                       " bytes, not " + std::to_string(BankSize) + ".");
        };
        std::string bank;
        if (extras_.bankBytes) {
            bank = (*extras_.bankBytes)[index];
        } else {
            std::error_code ec;
            if (const std::uint64_t size = fs::file_size(file, ec); !ec && size != BankSize)
                wrongSize(size);
            try {
                bank = readFile(file, BankSize);
            } catch (const Error& error) {
                notCreated(error.what());
            }
        }
        if (bank.size() != BankSize)
            wrongSize(bank.size());
        if (!extras_.bankBytes) {
            try {
                bankSet_.check(window.bank, file, bank);
            } catch (const Error& error) {
                notCreated(error.what());
            }
        }
        records_[index] = bankRecords(window, bank);
        recordLines_[index] = readOwnRecords(records_[index]);
        banks_[index] = std::move(bank);
    }

    void readMasterOnce()
    {
        if (masterRead_)
            return;
        try {
            master_ = readFile(inputs_.sourceFirmware, MasterFirmwareLimit);
        } catch (const Error& error) {
            notCreated(error.what());
        }
        lines_ = readMaster(master_, inputs_.sourceFirmware, inputs_.banks);
        masterRead_ = true;
    }

    // One step: the window's lines give way to the bank's records, which stand where the first
    // of them stood. Returns 1 when the end record came after the bank went in, 0 when it came
    // without the bank, -1 when there was none.
    int MergeBank(int stepIndex)
    {
        const auto index = static_cast<std::size_t>(stepIndex);
        const BankWindow& window = BankWindows[index];
        const std::vector<RecordLine>& records = recordLines_[index];
        const std::size_t maximum = lines_.size() + records.size();
        std::size_t position = 0;
        report(0, maximum);

        std::vector<RecordLine> merged;
        merged.reserve(lines_.size() + records.size());
        bool inserted = false;
        int result = -1;
        for (const RecordLine& line : lines_) {
            if (++position % ProgressStride == 0)
                report(position, maximum);
            if (line.kind == RecordKind::Data && window.holds(line.address)) {
                if (!inserted) {
                    merged.insert(merged.end(), records.begin(), records.end());
                    position += records.size();
                    inserted = true;
                }
                continue;
            }
            if (line.kind == RecordKind::End)
                result = inserted ? 1 : 0;
            merged.push_back(line);
        }
        lines_ = std::move(merged);
        report(maximum, maximum);
        return result;
    }

    void report(std::size_t position, std::size_t maximum) const
    {
        if (progress_)
            progress_(position, maximum);
    }

    const CompositionInputs& inputs_;
    const Progress& progress_;
    const CompositionExtras& extras_;
    std::string master_;
    bool masterRead_ = false;
    std::vector<RecordLine> lines_;
    std::array<std::string, BankCount> records_;
    std::array<std::vector<RecordLine>, BankCount> recordLines_;
    BankSetCheck bankSet_{inputs_.bankDir};
    BankBytes banks_; // what the new firmware must hold
};

} // namespace

namespace text {

std::string bankNotFound(int bank)
{
    return "File " + names::bankFile(bank) + " Not Found,Abort Procedure";
}

} // namespace text

CompositionInputs projectComposition(const ProjectFolder& project, const fs::path& master,
                                     BankSelection banks)
{
    CompositionInputs inputs;
    inputs.sourceFirmware = master;
    inputs.bankDir = project.binFolder().value_or(fs::path());
    const fs::path newFirmware = project.newFirmware(master);
    inputs.newFirmwareName = newFirmware.filename().string();
    inputs.outputDir = newFirmware.parent_path();
    inputs.banks = banks;
    return inputs;
}

fs::path composeFirmware(const CompositionInputs& inputs, const Progress& progress,
                         const CompositionExtras& extras)
{
    return Composition(inputs, progress, extras).run();
}

} // namespace cravent::firmware
