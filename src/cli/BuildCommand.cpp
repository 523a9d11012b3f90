#include "cli/BuildCommand.h"

#include "cli/CheckCommand.h"

#include "core/common/Error.h"
#include "core/image/ProjectBuild.h"

#include <filesystem>
#include <ostream>

namespace cravent::cli {

int runBuild(const std::vector<std::string>& args, Context& context)
{
    if (args.size() != 1) {
        context.err << "Usage: cravent-cli build PROJECT_DIR\n";
        return Usage;
    }
    const std::filesystem::path projectDir = args[0];
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    if (!checkBeforeBuild(projectDir, context.err))
        return Failure;
    try {
        image::buildProjectBanks(projectDir);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace cravent::cli
