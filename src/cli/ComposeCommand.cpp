#include "cli/ComposeCommand.h"

#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/common/Product.h"
#include "core/firmware/Composition.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"
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
        firmware::BankBytes held;
        const fs::path newFirmware = composeNewFirmware(
            arguments.projectDir,
            arguments.master.value_or(ProgramFolder(context.appDir).masterFirmware()), held);
        context.out << newFirmware.string() << '\n' << firmwareSummary(held) << '\n';
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

fs::path composeNewFirmware(const fs::path& projectDir, const fs::path& master,
                            firmware::BankBytes& held)
{
    firmware::CompositionExtras extras;
    extras.heldBanks = &held;
    return firmware::composeFirmware(
        firmware::projectComposition(ProjectFolder(projectDir), master,
                                     firmware::banksOfGatewayModel(product::GatewayModel)),
        {}, extras);
}

CLI::Option* addMasterOption(CLI::App& command, std::optional<fs::path>& master)
{
    return command
        .add_option_function<std::string>(
            "--master", [&master](const std::string& file) { master = file; },
            "the master firmware instead of MASTER/QF40231.sx of the program folder")
        ->option_text("FILE");
}

std::string firmwareSummary(const firmware::BankBytes& held)
{
    return image::summaryLine(firmware::readConfiguration(held));
}

const Command ComposeCommand{
    "compose",
    "merge bin/bank1.bin and bin/bank2.bin into the master firmware (default MASTER/QF40231.sx) "
    "as PROJECT_DIR/New_<master name>",
    declareCompose};

} // namespace cravent::cli
