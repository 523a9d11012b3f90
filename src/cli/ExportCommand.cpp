#include "cli/CommandTable.h"
#include "cli/TableArgument.h"

#include "core/common/Error.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/sheets/CsvExport.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

struct ExportArguments {
    std::filesystem::path projectDir;
    Table table;
};

// The editor's Export of the saved project files.
int runExport(const ExportArguments& arguments, Context& context)
{
    const std::filesystem::path& projectDir = arguments.projectDir;
    const Table& table = arguments.table;
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    try {
        if (table.map) {
            frames::FrameMap map;
            const frames::MapLoadReport report =
                map.load(ProjectFolder(projectDir).frameFile(table.direction),
                         ProjectFolder(projectDir).mapFile(table.direction));
            // A partly read map would be exported as if it were whole.
            if (!report.complete())
                throw Error(report.frameFileError ? *report.frameFileError : *report.mapFileError);
            sheets::writeExportFile(projectDir, sheets::mapExportName(table.direction),
                                    sheets::mapCsv(map.frames()));
        } else {
            const auto list = frames::loadList(ProjectFolder(projectDir).frameFile(table.direction));
            sheets::writeExportFile(projectDir, sheets::FrameListExportName,
                                    sheets::frameListCsv(list));
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareExport(CLI::App& command)
{
    auto a = std::make_shared<ExportArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    addTableArgument(command, a->table);
    return [a](Context& context) { return runExport(*a, context); };
}

} // namespace

const Command ExportCommand{
    "export",
    "write a frame list or map into the project folder as rpdodef.csv, RInfoCob.csv or "
    "TInfoCob.csv",
    declareExport};

} // namespace cravent::cli
