#include "cli/BatchCommand.h"
#include "cli/BuildCommand.h"
#include "cli/CheckCommand.h"
#include "cli/Cli.h"
#include "cli/DbcImport.h"
#include "cli/DiffCommand.h"
#include "cli/FirmwareCommands.h"
#include "cli/PingCommand.h"
#include "cli/ReadCommand.h"
#include "cli/ReadBackCommands.h"
#include "cli/ReportCommand.h"
#include "cli/SheetCommands.h"
#include "core/common/Error.h"
#include "core/common/Executable.h"
#include "core/workspace/ProgramLocation.h"

#include <exception>
#include <iostream>
#include <optional>
#include <new>

namespace cravent::cli {

namespace {

constexpr const char* Version = "1.002";

// The commands of the program, in the order of a device update; each lives in its own file.
const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        ImportCommand,
        ExportCommand,
        DbcCommand,
        PingCommand,
        CheckCommand,
        ReportCommand,
        BuildCommand,
        ComposeCommand,
        UpdateCommand,
        InspectCommand,
        DecodeCommand,
        DiffCommand,
        BatchCommand,
        ReadCommand,
    };
    return list;
}

void printUsage(std::ostream& out)
{
    out << "Usage: cravent-cli [--app-dir DIR] COMMAND [ARGUMENTS]\n"
           "       cravent-cli [--app-dir DIR] --print-app-dir\n"
           "       cravent-cli --help | --version\n\n"
           "Configures the Cravent CAN to Modbus TCP gateway without a window.\n\n"
           "Commands:\n";
    for (const Command& command : commands())
        out << "  " << command.name << ' ' << command.arguments << "\n      " << command.summary
            << '\n';
    out << "\nOptions:\n"
           "  --app-dir DIR   use DIR as the program folder (MASTER, PROJECTS, flashing program)\n"
           "  --print-app-dir show the program folder in use and exit\n"
           "  --help          show this text\n"
           "  --version       show the version\n\n"
           "Exit status: 0 success, 1 failure, 2 wrong usage; check: 3 warnings only.\n";
}

} // namespace

int run(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::optional<std::filesystem::path> chosenAppDir;
    bool printAppDir = false;

    std::size_t i = 0;
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            printUsage(out);
            return Success;
        }
        if (arg == "--version") {
            out << "cravent-cli " << Version << '\n';
            return Success;
        }
        if (arg == "--app-dir") {
            if (i + 1 == args.size()) {
                err << "cravent-cli: --app-dir needs a folder\n";
                return Usage;
            }
            chosenAppDir = args[++i];
            continue;
        }
        if (arg == "--print-app-dir") {
            printAppDir = true;
            continue;
        }
        break;
    }
    if (printAppDir && i != args.size()) {
        err << "cravent-cli: --print-app-dir takes no command\n";
        return Usage;
    }
    if (!printAppDir && i == args.size()) {
        printUsage(err);
        return Usage;
    }
    const Command* command = nullptr;
    for (const Command& candidate : commands()) {
        if (!printAppDir && args[i] == candidate.name)
            command = &candidate;
    }
    if (!printAppDir && command == nullptr) {
        err << "cravent-cli: unknown command '" << args[i] << "'; see cravent-cli --help\n";
        return Usage;
    }
    // Only now, so that wrong use creates no folder.
    Context context{{}, out, err};
    try {
        context.appDir =
            openProgramFolder(executableFolder(), chosenAppDir, UserEnvironment::current());
    } catch (const Error& e) {
        err << e.what() << '\n';
        return Failure;
    }
    if (printAppDir) {
        out << context.appDir.string() << '\n';
        return Success;
    }
    return command->run({args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()}, context);
}

} // namespace cravent::cli

int main(int argc, char** argv)
{
    // Whatever stops a command ends the program with its reason, never with an abort.
    try {
        return cravent::cli::run(argc, argv, std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cerr << "cravent-cli: not enough memory to finish the command\n";
    } catch (const std::exception& error) {
        std::cerr << "cravent-cli: " << error.what() << '\n';
    } catch (...) {
        std::cerr << "cravent-cli: the command stopped for an unknown reason\n";
    }
    return cravent::cli::Failure;
}
