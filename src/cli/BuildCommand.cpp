#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/image/ProjectBuild.h"

#include <filesystem>
#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

// The configuration banks and the C listing of one project, written into its bin folder, as
// "Up date Device" writes them.
int runBuild(const std::filesystem::path& projectDir, Context& context)
{
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    if (!passBuildGate(check::buildGate(projectDir), context.err))
        return Failure;
    try {
        image::buildProjectBanks(projectDir);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareBuild(CLI::App& command)
{
    auto projectDir = std::make_shared<std::filesystem::path>();
    command.add_option("PROJECT_DIR", *projectDir, "the project folder")->required();
    return [projectDir](Context& context) { return runBuild(*projectDir, context); };
}

} // namespace

const Command BuildCommand{
    "build",
    "build the configuration banks of the project: bin/bank1.bin .. bank5.bin and bin/bankg.c",
    declareBuild};

} // namespace cravent::cli
