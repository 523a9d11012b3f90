#include "cli/ImportCommand.h"

#include "core/common/Error.h"
#include "core/frames/CanType.h"
#include "core/common/Direction.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/sheets/SheetImport.h"
#include "core/sheets/SheetReaderClient.h"
#include "core/sheets/WorkbookPlans.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <ostream>

namespace cravent::cli {

namespace {

frames::ImportOptions optionsOf(const ImportArguments& arguments)
{
    return {frames::ImportTarget::Project, arguments.keepFirst, arguments.allowEmpty};
}

// False, after saying why, when the plan is refused.
bool importFrameList(const ImportArguments& arguments, const sheets::WorksheetRead& read,
                     Context& context)
{
    const ProjectFolder folder(arguments.projectDir);
    const std::filesystem::path file = folder.frameFile(arguments.direction);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    const frames::FrameListPlan plan = sheets::planFrameList(
        arguments.file, read, {[&] { return frames::loadList(file).size(); }, file}, canType,
        optionsOf(arguments));
    if (plan.refusal) {
        printRefusal(plan.source, *plan.refusal, false, context.err);
        return false;
    }
    for (const frames::ImportNote& note : plan.notes)
        printNote(plan.source, note,
                  note.code == "gap" ? "; the " + frames::counted(plan.list.size(), "frame", "frames") +
                                           " before it " + (plan.list.size() == 1 ? "was" : "were") +
                                           " saved"
                                     : std::string(),
                  context.err);
    project::writeFrames(file, plan.list);
    return true;
}

bool importMap(const ImportArguments& arguments, const sheets::WorksheetRead& read,
               Context& context)
{
    const ProjectFolder folder(arguments.projectDir);
    const std::filesystem::path mapFile = folder.mapFile(arguments.direction);
    frames::FrameMap map;
    // The old map is replaced whole, so only the frame list has to be readable.
    const frames::MapLoadReport report = map.load(folder.frameFile(arguments.direction), mapFile);
    if (report.frameFileError)
        throw Error(*report.frameFileError);
    const frames::MapPlan plan = sheets::planMap(arguments.file, arguments.direction, read,
                                                 map.frames(), mapFile, optionsOf(arguments));
    if (plan.refusal) {
        printRefusal(plan.source, *plan.refusal, true, context.err);
        return false;
    }
    for (const frames::ImportNote& note : plan.notes)
        printNote(plan.source, note,
                  note.code == "map-rows-without-frame"
                      ? "; the " + frames::counted(plan.registers, "entry", "entries") +
                            " of the other rows " + (plan.registers == 1 ? "was" : "were") + " saved"
                      : std::string(),
                  context.err);
    frames::applyMap(plan, map.frames());
    map.save(mapFile, arguments.direction);
    return true;
}

} // namespace

int importWorkbook(const ImportArguments& arguments, Context& context)
{
    if (!projectFolderFound(arguments.projectDir, context.err))
        return Failure;
    const sheets::WorksheetRead read = sheets::readWorksheet(
        arguments.file,
        arguments.map ? sheets::mapSheetName(arguments.direction) : sheets::FrameListSheet);
    try {
        const bool saved = arguments.map ? importMap(arguments, read, context)
                                         : importFrameList(arguments, read, context);
        return saved ? Success : Failure;
    } catch (const Error& error) {
        printFailure(error.what(), context.err);
        return Failure;
    }
}

} // namespace cravent::cli
