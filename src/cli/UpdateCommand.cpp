#include "cli/CheckCommand.h"
#include "cli/CommandTable.h"
#include "cli/ComposeCommand.h"

#include "core/common/Error.h"
#include "core/firmware/Flasher.h"
#include "core/firmware/UpdateSequence.h"
#include "core/workspace/ProjectFolder.h"

#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

namespace fs = std::filesystem;

struct UpdateArguments {
    fs::path projectDir;
    std::optional<fs::path> master;
    std::optional<int> port;
};

// Build, compose and, with --flash, start the flashing program on the port: the whole of "Up
// date Device".
int runUpdate(const UpdateArguments& arguments, Context& context)
{
    const fs::path master =
        arguments.master.value_or(ProgramFolder(context.appDir).masterFirmware());
    if (!projectFolderFound(arguments.projectDir, context.err))
        return Failure;
    try {
        // The window asks "Build anyway" here; a script is told the warnings and goes on.
        const firmware::PreparedUpdate prepared =
            firmware::prepareUpdate(ProjectFolder(arguments.projectDir), master,
                                    [&](const check::BuildGate& gate) {
                                        return passBuildGate(gate, context.err);
                                    });
        if (!prepared.built)
            return Failure;
        firmware::FinishOptions options;
        options.appDir = context.appDir;
        options.port = arguments.port;
        const firmware::FinishedUpdate finished =
            firmware::finishUpdate(prepared.composition, options);
        context.out << finished.newFirmware.string() << '\n' << finished.summary << '\n';
        if (finished.flasherFailure) {
            context.err << *finished.flasherFailure << '\n';
            return Failure;
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareUpdate(CLI::App& command)
{
    auto a = std::make_shared<UpdateArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    addMasterOption(command, a->master);
    command
        .add_option_function<std::string>(
            "--flash", [a](const std::string& port) { a->port = firmware::portIndexOf(port); },
            "then start the flashing program with the new firmware on this port, COM1 to COM8")
        ->option_text("COMn")
        ->check(CLI::Validator(
            [](const std::string& port) {
                return firmware::portIndexOf(port) >= 0
                           ? std::string()
                           : "needs a port from COM1 to COM8, not '" + port + "'";
            },
            ""));
    return [a](Context& context) { return runUpdate(*a, context); };
}

} // namespace

const Command UpdateCommand{
    "update",
    "build the banks, compose the new firmware and, with --flash, start VuvivOdori.exe on COMn",
    declareUpdate};

} // namespace cravent::cli
