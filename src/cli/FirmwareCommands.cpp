#include "cli/FirmwareCommands.h"

#include "cli/CheckCommand.h"

#include "core/common/Error.h"
#include "core/common/Product.h"
#include "core/firmware/Composition.h"
#include "core/firmware/Flasher.h"
#include "core/image/ProjectBuild.h"

#include <filesystem>
#include <optional>
#include <ostream>
#include <system_error>

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
        result.master = context.appDir / "MASTER" / product::MasterFirmwareName;
    return result;
}

bool projectExists(const FirmwareArguments& arguments, Context& context)
{
    std::error_code ec;
    if (fs::is_directory(arguments.projectDir, ec))
        return true;
    context.err << "Project folder \"" << arguments.projectDir.string() << "\" not found\n";
    return false;
}

// Banks 1 and 2 of the project into New_<master name> in the project folder.
fs::path compose(const FirmwareArguments& arguments)
{
    firmware::CompositionInputs inputs;
    inputs.sourceFirmware = arguments.master;
    inputs.bankDir = arguments.projectDir / "bin";
    inputs.newFirmwareName = "New_" + arguments.master.filename().string();
    inputs.outputDir = arguments.projectDir;
    inputs.banks = firmware::banksOfGatewayModel(product::GatewayModel);
    return firmware::composeFirmware(inputs);
}

int runCompose(const std::vector<std::string>& args, Context& context)
{
    const auto arguments = readArguments(args, context, false, ComposeUsage);
    if (!arguments)
        return Usage;
    if (!projectExists(*arguments, context))
        return Failure;
    try {
        context.out << compose(*arguments).string() << '\n';
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
        context.out << newFirmware.string() << '\n';
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
