#include "cli/ImportCommand.h"

#include "core/common/Error.h"
#include "core/dbc/DbcFile.h"
#include "core/dbc/DbcImport.h"
#include "core/frames/CanType.h"
#include "core/frames/FrameList.h"
#include "core/frames/FrameMap.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

void importFrames(const ImportArguments& o, const dbc::Database& db, Context& context)
{
    const ProjectFolder folder(o.projectDir);
    const frames::CanType canType = frames::readProjectCanType(folder.pargen());
    const dbc::FrameImport imported = dbc::importFrames(db, o.direction, o.node, canType);
    if (imported.leftOut > 0 && !o.keepFirst)
        throw Error(std::to_string(imported.frames.size() + imported.leftOut) +
                    " messages were selected and a frame list holds at most " +
                    std::to_string(frames::MaxFrames) +
                    "; nothing was saved (--keep-first takes the first " +
                    std::to_string(frames::MaxFrames) + ")");
    if (const auto note = dbc::leftOutMessage(imported.leftOut))
        context.err << *note << '\n';
    if (const auto failure = frames::checkList(imported.frames, canType))
        throw Error(failure->message());
    frames::write(folder.frameFile(o.direction), imported.frames);
}

void importMap(const ImportArguments& o, const dbc::Database& db, Context& context)
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
    const int first = o.firstRegister ? *o.firstRegister : dbc::nextFreeRegister(map.frames());
    const dbc::MapImport proposal =
        dbc::importMap(db, o.direction, o.node, map.frames(), canType, first);
    context.err << dbc::mapNote(proposal, proposal.leftOut.size() + proposal.remarks.size()) << '\n';
    // A map without registers would wipe the saved one, as happens when the frame list was not
    // imported first.
    if (proposal.registers == 0)
        throw Error("No signal became a register; nothing was saved");
    dbc::applyMap(proposal, map.frames());
    map.save(folder.mapFile(o.direction), o.direction);
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
        if (db.messages.empty())
            throw Error("\"" + arguments.file.string() + "\" holds no CAN message");
        if (arguments.map)
            importMap(arguments, db, context);
        else
            importFrames(arguments, db, context);
    } catch (const Error& error) {
        const std::string text = error.what();
        const char* tail = text.find("nothing was saved") != std::string::npos ? ""
                           : text.find('\n') != std::string::npos   ? "\nNothing was saved."
                                                                    : "; nothing was saved";
        context.err << text << tail << '\n';
        return Failure;
    }
    return Success;
}

} // namespace cravent::cli
