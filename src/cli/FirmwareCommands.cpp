#include "cli/FirmwareCommands.h"

#include "cli/CheckCommand.h"

#include "core/common/Error.h"
#include "core/common/FileLookup.h"
#include "core/common/Product.h"
#include "core/firmware/Composition.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/firmware/Flasher.h"
#include "core/image/ConfigurationText.h"
#include "core/image/ProjectBuild.h"
#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

namespace fs = std::filesystem;

struct FirmwareArguments {
    fs::path projectDir;
    fs::path master;
    std::optional<int> port;
};

constexpr const char* ComposeUsage = "Usage: cravent-cli compose PROJECT_DIR [--master FILE]\n";
constexpr const char* UpdateUsage =
    "Usage: cravent-cli update PROJECT_DIR [--master FILE] [--flash COM1..COM8]\n";

// Reads the arguments; nothing when they are wrong, after telling why on stderr.
std::optional<FirmwareArguments> readArguments(const std::vector<std::string>& args,
                                               Context& context, bool flashAllowed,
                                               const char* usage)
{
    FirmwareArguments result;
    std::optional<fs::path> project;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if ((arg == "--master" || (flashAllowed && arg == "--flash")) && i + 1 == args.size()) {
            context.err << "cravent-cli: " << arg << " needs a value\n" << usage;
            return std::nullopt;
        }
        if (arg == "--master") {
            result.master = args[++i];
        } else if (flashAllowed && arg == "--flash") {
            const int port = firmware::portIndexOf(args[++i]);
            if (port < 0) {
                context.err << "cravent-cli: --flash needs a port from COM1 to COM8, not '"
                            << args[i] << "'\n";
                return std::nullopt;
            }
            result.port = port;
        } else if (arg.starts_with("--") || project) {
            context.err << usage;
            return std::nullopt;
        } else {
            project = arg;
        }
    }
    if (!project) {
        context.err << usage;
        return std::nullopt;
    }
    result.projectDir = *project;
    if (result.master.empty())
        result.master = ProgramFolder(context.appDir).masterFirmware();
    return result;
}

bool projectExists(const FirmwareArguments& arguments, Context& context)
{
    if (isFolder(arguments.projectDir))
        return true;
    context.err << "Project folder \"" << arguments.projectDir.string() << "\" not found\n";
    return false;
}

// The gateway model's banks of the project into New_<master name> in the project folder.
fs::path compose(const FirmwareArguments& arguments)
{
    return firmware::composeFirmware(
        firmware::projectComposition(ProjectFolder(arguments.projectDir), arguments.master,
                                     firmware::banksOfGatewayModel(product::GatewayModel)));
}

// What the verified firmware brings to the device, so that a wrong project shows at a glance.
std::string summaryOf(const fs::path& newFirmware)
{
    return image::summaryLine(firmware::readConfigurationOf(newFirmware, false));
}

int runCompose(const std::vector<std::string>& args, Context& context)
{
    const auto arguments = readArguments(args, context, false, ComposeUsage);
    if (!arguments)
        return Usage;
    if (!projectExists(*arguments, context))
        return Failure;
    try {
        const fs::path newFirmware = compose(*arguments);
        context.out << newFirmware.string() << '\n' << summaryOf(newFirmware) << '\n';
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

int runUpdate(const std::vector<std::string>& args, Context& context)
{
    const auto arguments = readArguments(args, context, true, UpdateUsage);
    if (!arguments)
        return Usage;
    if (!projectExists(*arguments, context))
        return Failure;
    if (!checkBeforeBuild(arguments->projectDir, context.err))
        return Failure;
    try {
        image::buildProjectBanks(arguments->projectDir);
        const fs::path newFirmware = compose(*arguments);
        context.out << newFirmware.string() << '\n' << summaryOf(newFirmware) << '\n';
        // Like the dialog, the flashing program starts in the master's folder.
        if (arguments->port)
            firmware::launchFlasher(context.appDir, newFirmware, *arguments->port,
                                    arguments->master.parent_path());
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

} // namespace

const Command ComposeCommand{
    "compose", "PROJECT_DIR [--master FILE]",
    "merge bin/bank1.bin and bin/bank2.bin into the master firmware (default MASTER/QF40231.sx)\n"
    "      as PROJECT_DIR/New_<master name>",
    runCompose};

const Command UpdateCommand{
    "update", "PROJECT_DIR [--master FILE] [--flash COMn]",
    "build the banks, compose the new firmware and, with --flash, start VuvivOdori.exe on COMn",
    runUpdate};

} // namespace cravent::cli
