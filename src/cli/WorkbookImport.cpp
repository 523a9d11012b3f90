#include "cli/ImportCommand.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/frames/CanType.h"
#include "core/frames/Direction.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetReaderClient.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

using frames::Direction;

// Where a message is about: every import message names the workbook, the worksheet and,
// where there is one, the worksheet row.
struct Source {
    std::string workbook;
    std::string sheet;

    std::string at(std::size_t row = 0) const
    {
        return "Workbook \"" + workbook + "\", worksheet \"" + sheet + "\"" +
               (row > 0 ? ", row " + std::to_string(row) : std::string()) + ": ";
    }
};

constexpr const char* NothingSaved = "; nothing was saved";

struct ImportOptions {
    bool keepFirst = false;  // save the frames before a gap and leave out the rows after it
    bool allowEmpty = false; // let an empty list replace one that holds something
};

std::string plural(std::size_t n, const char* one, const char* many)
{
    return std::to_string(n) + " " + (n == 1 ? one : many);
}

// Cells that read as empty only because the workbook kept no result: a script cannot look.
void refuseUnreadableCells(const Source& source, const sheets::WorksheetRead& read)
{
    if (const auto message = sheets::unreadableCellsMessage(read.unreadableCells))
        throw Error(source.at() + *message + NothingSaved);
}

void importFrameList(const std::filesystem::path& projectDir, Direction direction,
                     const Source& source, const sheets::WorksheetRead& read,
                     const ImportOptions& options, Context& context)
{
    refuseUnreadableCells(source, read);
    const sheets::FrameRowsImport imported =
        sheets::frameRowsFromRecords(read.records, read.beyond);
    const std::vector<frames::Frame> list = frames::listUpToFirstEmptyCobId(imported.rows);
    const std::filesystem::path file = ProjectFolder(projectDir).frameFile(direction);
    // The list ends at the first record without a COB-ID, within the 250 rows; what follows it
    // would be lost, the records after those rows too.
    const auto gap = frames::rowsAfterGap(imported.rows);
    if (gap || (list.size() < frames::MaxFrames && imported.leftOut > 0)) {
        const std::size_t dropped = (gap ? gap->dropped.size() : 0) + imported.leftOut;
        const std::size_t first =
            gap ? sheets::worksheetRow(gap->dropped.front() - 1) : imported.firstLeftOutRow;
        const std::string what = source.at(sheets::worksheetRow(list.size())) +
                                 "no COB-ID, so the frame list ends here; " +
                                 plural(dropped, "record after it holds", "records after it hold") +
                                 " something and " + (dropped == 1 ? "was" : "were") +
                                 " left out, the first at row " + std::to_string(first);
        if (!options.keepFirst)
            throw Error(what + NothingSaved + " (--keep-first saves the " +
                        plural(list.size(), "frame", "frames") + " before the gap)");
        context.err << what << "; the " << plural(list.size(), "frame", "frames") << " before it "
                    << (list.size() == 1 ? "was" : "were") << " saved\n";
    } else if (const auto note = sheets::leftOutMessage(imported.leftOut)) {
        context.err << source.at(imported.firstLeftOutRow) << *note << '\n';
    }
    if (list.empty() && !options.allowEmpty) {
        const std::vector<frames::Frame> old = frames::loadList(file);
        if (!old.empty())
            throw Error(source.at() + "no frames to import, and saving would empty the list of " +
                        plural(old.size(), "frame", "frames") + " in \"" + file.string() + "\"" +
                        NothingSaved + " (--allow-empty saves the empty list)");
    }
    const frames::CanType canType = frames::readProjectCanType(ProjectFolder(projectDir).pargen());
    if (const auto failure = frames::checkList(list, canType)) {
        // The check counts grid rows; the worksheet has its header above them.
        throw Error(source.at(sheets::worksheetRow(failure->row - 1)) + failure->message() +
                    NothingSaved);
    }
    frames::write(file, list);
}

void importMap(const std::filesystem::path& projectDir, Direction direction, const Source& source,
               const sheets::WorksheetRead& read, const ImportOptions& options, Context& context)
{
    refuseUnreadableCells(source, read);
    const std::vector<sheets::Record>& records = read.records;
    if (read.beyond.count > 0)
        throw Error(source.at(read.beyond.firstRow) + "the worksheet holds more records than a " +
                    "map can hold (" + std::to_string(sheets::MaxRecordsRead) + ")" + NothingSaved);
    frames::FrameMap map;
    const std::filesystem::path mapFile = ProjectFolder(projectDir).mapFile(direction);
    // The old map is replaced whole, so only the frame list has to be readable.
    const frames::MapLoadReport report =
        map.load(ProjectFolder(projectDir).frameFile(direction), mapFile);
    if (report.frameFileError)
        throw Error(*report.frameFileError + NothingSaved);
    std::size_t oldEntries = 0;
    for (const frames::TClPdo& frame : map.frames())
        oldEntries += frame.entries.size();
    const sheets::MapTake take = sheets::takeMapRecords(records, map.frames());
    if (take.stoppedAt) {
        // The editor ends here silently and lets the user look before "OK"; a script cannot
        // look, so a half import is not saved.
        const std::string& text = sheets::field(records[*take.stoppedAt], 1);
        throw Error(source.at(sheets::worksheetRow(*take.stoppedAt)) + invalidIntegerMessage(text) +
                    " (the frame number)" + NothingSaved);
    }
    // Saving orders the entries by their register index, which must therefore be integer text.
    for (const std::size_t k : take.takenAt) {
        const std::string& index = sheets::field(records[k], 0);
        if (!parseIntegerText(index))
            throw Error(source.at(sheets::worksheetRow(k)) + invalidIntegerMessage(index) +
                        " (the register index)" + NothingSaved);
    }
    if (take.takenAt.empty() && oldEntries > 0 && !options.allowEmpty)
        throw Error(source.at() +
                    "no register entries to import, and saving would empty the map of " +
                    plural(oldEntries, "entry", "entries") + " in \"" + mapFile.string() + "\"" +
                    NothingSaved + " (--allow-empty saves the empty map)");
    // The editor skips these silently too; a script is told, as a map imported before its
    // frame list would otherwise come out empty without a word.
    if (take.skipped > 0) {
        std::vector<std::size_t> rows;
        for (const std::size_t k : take.skippedAt)
            rows.push_back(sheets::worksheetRow(k));
        context.err << source.at() << plural(take.skipped, "row", "rows") << " ("
                    << (rows.size() == 1 ? "row " : "rows ") << frames::rowRanges(rows)
                    << ") named no frame of the list ("
                    << plural(map.frames().size(), "frame", "frames") << ") and "
                    << (take.skipped == 1 ? "was" : "were") << " skipped; the "
                    << plural(take.takenAt.size(), "entry", "entries") << " of the other rows "
                    << (take.takenAt.size() == 1 ? "was" : "were") << " saved\n";
    }
    map.save(mapFile, direction);
}

} // namespace

int importWorkbook(const ImportArguments& arguments, Context& context)
{
    ImportOptions options;
    options.keepFirst = arguments.keepFirst;
    options.allowEmpty = arguments.allowEmpty;
    const std::filesystem::path& projectDir = arguments.projectDir;
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    const Source source{arguments.file.string(),
                        arguments.map ? sheets::mapSheetName(arguments.direction)
                                      : sheets::FrameListSheet};
    const sheets::WorksheetRead read = sheets::readWorksheet(arguments.file, source.sheet);
    if (read.outcome != sheets::WorksheetRead::Outcome::Read) {
        context.err << read.problem << NothingSaved << '\n';
        return Failure;
    }
    try {
        if (arguments.map)
            importMap(projectDir, arguments.direction, source, read, options, context);
        else
            importFrameList(projectDir, arguments.direction, source, read, options, context);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace cravent::cli
