#include "cli/BuildCommand.h"
#include "cli/Cli.h"
#include "cli/FirmwareCommands.h"
#include "cli/PingCommand.h"
#include "cli/ReadCommand.h"
#include "cli/ReadBackCommands.h"
#include "cli/SheetCommands.h"

#include <iostream>

namespace cravent::cli {

namespace {

constexpr const char* Version = "1.002";

// The commands of the program, in the order of a device update; each lives in its own file.
const std::vector<Command>& commands()
{
    static const std::vector<Command> list = {
        ImportCommand,
        ExportCommand,
        PingCommand,
        BuildCommand,
        ComposeCommand,
        UpdateCommand,
        InspectCommand,
        DecodeCommand,
        ReadCommand,
    };
    return list;
}

void printUsage(std::ostream& out)
{
    out << "Usage: cravent-cli [--app-dir DIR] COMMAND [ARGUMENTS]\n"
           "       cravent-cli --help | --version\n\n"
           "Configures the Cravent CAN to Modbus TCP gateway without a window.\n\n"
           "Commands:\n";
    for (const Command& command : commands())
        out << "  " << command.name << ' ' << command.arguments << "\n      " << command.summary
            << '\n';
    out << "\nOptions:\n"
           "  --app-dir DIR   use DIR as the program folder (MASTER, PROJECTS, flashing program)\n"
           "  --help          show this text\n"
           "  --version       show the version\n\n"
           "Exit status: 0 success, 1 failure, 2 wrong usage.\n";
}

std::filesystem::path executableFolder()
{
    std::error_code ec;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::current_path() : self.parent_path();
}

} // namespace

int run(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    Context context{executableFolder(), out, err};

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
            context.appDir = args[++i];
            continue;
        }
        break;
    }
    if (i == args.size()) {
        printUsage(err);
        return Usage;
    }
    for (const Command& command : commands()) {
        if (args[i] == command.name)
            return command.run({args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end()},
                               context);
    }
    err << "cravent-cli: unknown command '" << args[i] << "'; see cravent-cli --help\n";
    return Usage;
}

} // namespace cravent::cli

int main(int argc, char** argv)
{
    return cravent::cli::run(argc, argv, std::cout, std::cerr);
}
