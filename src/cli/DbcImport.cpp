#include "cli/ImportCommand.h"

#include "core/common/Error.h"
#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"
#include "core/frames/CanType.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/workspace/ProjectFolder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

frames::ImportOptions optionsOf(const ImportArguments& arguments)
{
    return {frames::ImportTarget::Project, arguments.keepFirst, false};
}

// False, after saying why, when the plan is refused.
bool importFrames(const ImportArguments& o, const dbc::Database& db, Context& context)
{
    const ProjectFolder folder(o.projectDir);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    const frames::FrameListPlan plan =
        dbc::planFrames(db, o.file, o.direction, o.node, canType, optionsOf(o));
    for (const frames::ImportNote& note : plan.notes)
        printNote(plan.source, note, {}, context.err);
    if (plan.refusal) {
        printRefusal(plan.source, *plan.refusal, false, context.err);
        return false;
    }
    project::writeFrames(folder.frameFile(o.direction), plan.list);
    return true;
}

bool importMap(const ImportArguments& o, const dbc::Database& db, Context& context)
{
    const ProjectFolder folder(o.projectDir);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    frames::FrameMap map;
    const frames::MapLoadReport report =
        map.load(folder.frameFile(o.direction), folder.mapFile(o.direction));
    if (report.frameFileError)
        throw Error(*report.frameFileError);
    // The map is replaced whole; only the default first register needs what it holds.
    if (report.mapFileError && !o.firstRegister)
        throw Error(*report.mapFileError +
                    "\nThe registers cannot follow a map that was not read whole; give "
                    "--first-register N");
    // A script reads every signal that was left out, not the first screenful.
    const frames::MapPlan plan = dbc::planMap(db, o.file, o.direction, o.node, map.frames(),
                                              canType, o.firstRegister, SIZE_MAX);
    for (const frames::ImportNote& note : plan.notes)
        printNote(plan.source, note, {}, context.err);
    if (plan.refusal) {
        printRefusal(plan.source, *plan.refusal, true, context.err);
        return false;
    }
    frames::applyMap(plan, map.frames());
    map.save(folder.mapFile(o.direction), o.direction);
    return true;
}

} // namespace

void printDbcWarnings(const std::filesystem::path& file, const dbc::Database& db, std::ostream& err)
{
    for (const dbc::Warning& warning : db.warnings)
        err << file.string() << ": " << dbc::describe(warning) << '\n';
    if (db.warningCount > db.warnings.size())
        err << file.string() << ": " << db.warningCount - db.warnings.size()
            << " more statements skipped\n";
}

int importDbc(const ImportArguments& arguments, Context& context)
{
    if (!projectFolderFound(arguments.projectDir, context.err))
        return Failure;
    try {
        const dbc::Database db = dbc::readDbcFile(arguments.file);
        printDbcWarnings(arguments.file, db, context.err);
        const bool saved =
            arguments.map ? importMap(arguments, db, context) : importFrames(arguments, db, context);
        return saved ? Success : Failure;
    } catch (const Error& error) {
        printFailure(error.what(), context.err);
        return Failure;
    }
}

} // namespace cravent::cli
