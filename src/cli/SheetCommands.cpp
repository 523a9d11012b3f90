#include "cli/SheetCommands.h"

#include "cli/DbcImport.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/IntegerText.h"
#include "core/frames/CanType.h"
#include "core/frames/Direction.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/sheets/CsvExport.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetReaderClient.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

using frames::Direction;

// What a table argument names: a direction, and the frame list or the map of it.
struct Table {
    Direction direction;
    bool map;
};

std::optional<Table> tableNamed(const std::string& name)
{
    if (name == "rx-frames")
        return Table{Direction::Receive, false};
    if (name == "tx-frames")
        return Table{Direction::Transmit, false};
    if (name == "rx-map")
        return Table{Direction::Receive, true};
    if (name == "tx-map")
        return Table{Direction::Transmit, true};
    return std::nullopt;
}

// The project folder and table of the arguments, or a message and the exit code.
std::optional<Table> parseArguments(const std::vector<std::string>& args, std::size_t count,
                                    const char* usage, Context& context, int& exitCode)
{
    const auto table = args.size() == count ? tableNamed(args[1]) : std::nullopt;
    if (!table) {
        context.err << "Usage: cravent-cli " << usage << '\n';
        exitCode = Usage;
        return std::nullopt;
    }
    if (!isFolder(args[0])) {
        context.err << "Project folder \"" << args[0] << "\" not found\n";
        exitCode = Failure;
        return std::nullopt;
    }
    return table;
}

void importFrameList(const ProjectFolder& project, Direction direction,
                     const std::vector<sheets::Record>& records, Context& context)
{
    const sheets::FrameRowsImport imported = sheets::frameRowsFromRecords(records);
    if (const auto note = sheets::leftOutMessage(imported.leftOut))
        context.err << *note << '\n';
    const std::vector<frames::Frame> list = frames::listUpToFirstEmptyCobId(imported.rows);
    const frames::CanType canType = frames::readProjectCanType(project.pargen());
    if (const auto failure = frames::checkList(list, canType))
        throw Error(*failure);
    frames::write(project.frameFile(direction), list);
}

void importMap(const ProjectFolder& project, Direction direction,
               const std::vector<sheets::Record>& records, Context& context)
{
    frames::FrameMap map;
    // The old map is replaced whole, so only the frame list has to be readable.
    const frames::MapLoadReport report = map.load(project.frameFile(direction),
                                                  project.mapFile(direction));
    if (report.frameFileError)
        throw Error(*report.frameFileError);
    const sheets::MapTake take = sheets::takeMapRecords(records, map.frames());
    const std::string sheet = sheets::mapSheetName(direction);
    if (take.stoppedAt) {
        // The editor ends here silently and lets the user look before "OK"; a script cannot
        // look, so a half import is not saved. Row 1 of the worksheet is its header.
        const std::string& text = sheets::field(records[*take.stoppedAt], 1);
        throw Error("Row " + std::to_string(*take.stoppedAt + 2) + " of worksheet \"" + sheet +
                    "\": " + invalidIntegerMessage(text) + "; nothing was saved");
    }
    // The editor skips these silently too; a script is told, as a map imported before its
    // frame list would otherwise come out empty without a word.
    if (take.skipped > 0)
        context.err << take.skipped << (take.skipped == 1 ? " row" : " rows") << " of worksheet \""
                    << sheet << "\" named no frame of the list (" << map.frames().size()
                    << " frames) and " << (take.skipped == 1 ? "was" : "were") << " skipped\n";
    map.save(project.mapFile(direction), direction);
}

} // namespace

int runImport(const std::vector<std::string>& args, Context& context)
{
    if (isDbcImport(args))
        return runDbcImport(args, context);
    int exitCode = Success;
    const auto table =
        parseArguments(args, 3, "import PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map WORKBOOK",
                       context, exitCode);
    if (!table)
        return exitCode;
    const ProjectFolder project(args[0]);
    const char* sheet =
        table->map ? sheets::mapSheetName(table->direction) : sheets::FrameListSheet;
    const sheets::WorksheetRead read = sheets::readWorksheet(args[2], sheet);
    if (read.outcome != sheets::WorksheetRead::Outcome::Read) {
        context.err << read.problem << "; nothing was saved\n";
        return Failure;
    }
    try {
        if (table->map)
            importMap(project, table->direction, read.records, context);
        else
            importFrameList(project, table->direction, read.records, context);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

int runExport(const std::vector<std::string>& args, Context& context)
{
    int exitCode = Success;
    const auto table = parseArguments(
        args, 2, "export PROJECT_DIR rx-frames|tx-frames|rx-map|tx-map", context, exitCode);
    if (!table)
        return exitCode;
    const ProjectFolder project(args[0]);
    try {
        if (table->map) {
            frames::FrameMap map;
            const frames::MapLoadReport report =
                map.load(project.frameFile(table->direction),
                         project.mapFile(table->direction));
            // A partly read map would be exported as if it were whole.
            if (!report.complete())
                throw Error(report.frameFileError ? *report.frameFileError : *report.mapFileError);
            sheets::writeExportFile(project.dir(), sheets::mapExportName(table->direction),
                                    sheets::mapCsv(map.frames()));
        } else {
            const auto list = frames::loadList(project.frameFile(table->direction));
            sheets::writeExportFile(project.dir(), sheets::FrameListExportName,
                                    sheets::frameListCsv(list));
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace cravent::cli
