#include "core/firmware/Composition.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/common/FileLookup.h"
#include "core/common/TextLines.h"
#include "core/firmware/BankSetCheck.h"
#include "core/firmware/FirmwareVerify.h"
#include "core/firmware/SRecord.h"

#include <array>
#include <deque>
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

// A piece of the master as the merge sees it: one record line, or a run of lines that no merge
// touches, each already ended by CR LF, copied as they stand. Runs keep the merge from walking
// and copying each of the hundreds of thousands of lines of a large master.
struct MasterPiece {
    RecordLine line;               // of a run: kind Other, the text spans its lines and their ends
    std::uint32_t lines = 1;       // master lines it stands for
    std::uint32_t dataRecords = 0; // data records in a run
    bool run = false;
};

// Reads the master's lines and refuses a master that would give a wrong firmware.
std::vector<MasterPiece> readMaster(std::string_view bytes, const fs::path& file,
                                    const BankSelection& banks)
{
    std::vector<MasterPiece> pieces;
    std::size_t number = 0;
    std::size_t dataRecords = 0;
    bool ended = false;
    // A line that stays as it stands joins the run before it.
    const auto keep = [&](const RecordLine& line, bool data) {
        const char* end = line.text.data() + line.text.size();
        const bool crLf = end + 1 < bytes.data() + bytes.size() && end[0] == '\r' && end[1] == '\n';
        if (!crLf) {
            pieces.push_back({line});
            return;
        }
        MasterPiece* last = pieces.empty() ? nullptr : &pieces.back();
        if (last && last->run && last->line.text.data() + last->line.text.size() == line.text.data()) {
            last->line.text = std::string_view(last->line.text.data(), last->line.text.size() + line.text.size() + 2);
            ++last->lines;
        } else {
            pieces.push_back({RecordLine{std::string_view(line.text.data(), line.text.size() + 2)}, 1, 0, true});
            last = &pieces.back();
        }
        if (data)
            ++last->dataRecords;
    };
    forEachLine(bytes, [&](std::string_view text) {
        ++number;
        RecordLine line;
        if (ended) {
            // Blank lines may trail the end record; anything else there would be ignored by a
            // reader that stops at the end, or flashed by one that does not.
            if (!text.empty())
                notCreated(lineOf(number, file) + " follows the end record.");
            keep(RecordLine{text}, false);
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
            bool inWindow = false;
            for (const BankWindow& window : BankWindows) {
                if (!banks[static_cast<std::size_t>(window.bank - 1)])
                    continue;
                const bool overlaps = first <= window.last && last >= window.first;
                const bool inside = first >= window.first && last <= window.last;
                // Half of such a record would survive beside the bank, or be lost with it.
                if (overlaps && !inside)
                    notCreated(lineOf(number, file) + " crosses the bounds of the bank " +
                               std::to_string(window.bank) + " window " + windowText(window) + ".");
                inWindow = inWindow || inside;
            }
            if (!inWindow) {
                keep(line, true);
                return;
            }
        } else if (line.kind == RecordKind::Count && line.address != dataRecords) {
            notCreated(lineOf(number, file) + " counts " + std::to_string(line.address) +
                       " data records, but " + std::to_string(dataRecords) + " precede it.");
        } else if (line.kind == RecordKind::End) {
            ended = true;
        } else if (line.kind != RecordKind::Count) {
            keep(line, false);
            return;
        }
        pieces.push_back({line});
    });
    if (!ended)
        notCreated("\"" + file.string() + "\" has no S7, S8 or S9 end record.");
    return pieces;
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

// The new firmware in pieces (runs of the master, record lines, line ends), and where the
// selected windows' records stand in it.
struct JoinedLines {
    std::vector<std::string_view> pieces;
    std::deque<std::string> countRecords; // the rewritten ones, which the pieces point into
    std::uint64_t size = 0;
    WindowPlaces places;

    void add(std::string_view piece)
    {
        pieces.push_back(piece);
        size += piece.size();
    }
};

JoinedLines joinLines(const std::vector<MasterPiece>& pieces, const BankSelection& banks)
{
    constexpr std::string_view CrLf = "\r\n";
    JoinedLines joined;
    joined.pieces.reserve(2 * pieces.size());
    std::size_t dataRecords = 0;
    std::size_t number = 0;
    for (const MasterPiece& piece : pieces) {
        if (piece.run) {
            joined.add(piece.line.text); // its lines end in CR LF already
            number += piece.lines;
            dataRecords += piece.dataRecords;
            continue;
        }
        const RecordLine& line = piece.line;
        ++number;
        const std::uint64_t start = joined.size;
        if (line.kind == RecordKind::Count && line.address != dataRecords)
            joined.add(joined.countRecords.emplace_back(countRecord(line, dataRecords)));
        else
            joined.add(line.text);
        joined.add(CrLf);
        if (line.kind != RecordKind::Data)
            continue;
        ++dataRecords;
        for (const BankWindow& window : BankWindows) {
            const auto index = static_cast<std::size_t>(window.bank - 1);
            if (!banks[index] || !window.holds(line.address))
                continue;
            WindowPlace& place = joined.places[index];
            if (place.length == 0) {
                place.offset = start;
                place.firstLine = number;
            }
            place.length = joined.size - place.offset;
        }
    }
    return joined;
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
        const JoinedLines joined = joinLines(pieces_, inputs_.banks);
        try {
            if (extras_.flushLater)
                writeFileAtomicallyUnflushed(target, joined.pieces);
            else
                writeFileAtomically(target, joined.pieces);
        } catch (const Error& error) {
            notCreated(error.what());
        }
        if (extras_.beforeVerify)
            extras_.beforeVerify(target);
        try {
            verifyNewFirmware(target, joined.size, joined.places, banks_, inputs_.banks);
        } catch (const Error&) {
            // Nobody may flash a firmware that is known not to hold the configuration.
            std::error_code ec;
            fs::remove(target, ec);
            throw;
        }
        if (extras_.heldBanks)
            *extras_.heldBanks = banks_;
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
        pieces_ = readMaster(master_, inputs_.sourceFirmware, inputs_.banks);
        lineCount_ = 0;
        for (const MasterPiece& piece : pieces_)
            lineCount_ += piece.lines;
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
        const std::size_t maximum = lineCount_ + records.size();
        std::size_t position = 0;
        report(0, maximum);

        std::vector<MasterPiece> merged;
        merged.reserve(pieces_.size() + records.size());
        bool inserted = false;
        std::size_t dropped = 0;
        int result = -1;
        for (const MasterPiece& piece : pieces_) {
            if ((position + piece.lines) / ProgressStride != position / ProgressStride)
                report(position + piece.lines, maximum);
            position += piece.lines;
            const RecordLine& line = piece.line;
            if (!piece.run && line.kind == RecordKind::Data && window.holds(line.address)) {
                if (!inserted) {
                    for (const RecordLine& record : records)
                        merged.push_back({record});
                    position += records.size();
                    inserted = true;
                }
                ++dropped;
                continue;
            }
            if (!piece.run && line.kind == RecordKind::End)
                result = inserted ? 1 : 0;
            merged.push_back(piece);
        }
        pieces_ = std::move(merged);
        lineCount_ = lineCount_ - dropped + (inserted ? records.size() : 0);
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
    std::vector<MasterPiece> pieces_;
    std::size_t lineCount_ = 0; // master lines the pieces stand for
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
