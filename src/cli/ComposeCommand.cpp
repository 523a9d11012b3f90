#include "cli/CommandTable.h"
#include "cli/ComposeCommand.h"

#include "core/common/Error.h"
#include "core/common/Product.h"
#include "core/firmware/UpdateSequence.h"
#include "core/workspace/ProjectFolder.h"

#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace fs = std::filesystem;

namespace {

struct ComposeArguments {
    fs::path projectDir;
    std::optional<fs::path> master;
};

// The new firmware of a project from its bank files and the master firmware, as "Execute update
// firmware" composes it.
int runCompose(const ComposeArguments& arguments, Context& context)
{
    if (!projectFolderFound(arguments.projectDir, context.err))
        return Failure;
    try {
        const fs::path master =
            arguments.master.value_or(ProgramFolder(context.appDir).masterFirmware());
        const firmware::FinishedUpdate finished = firmware::finishUpdate(
            firmware::projectComposition(ProjectFolder(arguments.projectDir), master,
                                         firmware::banksOfGatewayModel(product::GatewayModel)),
            {});
        context.out << finished.newFirmware.string() << '\n' << finished.summary << '\n';
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareCompose(CLI::App& command)
{
    auto a = std::make_shared<ComposeArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    addMasterOption(command, a->master);
    return [a](Context& context) { return runCompose(*a, context); };
}

} // namespace

CLI::Option* addMasterOption(CLI::App& command, std::optional<fs::path>& master)
{
    return command
        .add_option_function<std::string>(
            "--master", [&master](const std::string& file) { master = file; },
            "the master firmware instead of MASTER/QF40231.sx of the program folder")
        ->option_text("FILE");
}

const Command ComposeCommand{
    "compose",
    "merge bin/bank1.bin and bin/bank2.bin into the master firmware (default MASTER/QF40231.sx) "
    "as PROJECT_DIR/New_<master name>",
    declareCompose};

} // namespace cravent::cli
