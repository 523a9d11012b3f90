#include "cli/CommandTable.h"
#include "core/common/Error.h"
#include "core/common/Executable.h"
#include "core/common/TerminalText.h"
#include "core/workspace/ProgramLocation.h"

#include <exception>
#include <iostream>
#include <map>
#include <new>
#include <optional>
#include <unistd.h>

namespace cravent::cli {

namespace {

constexpr const char* Version = "1.002";

} // namespace

int run(int argc, char** argv, std::ostream& out, std::ostream& err)
{
    CLI::App app("Configures the Cravent CAN to Modbus TCP gateway without a window.",
                 "cravent-cli");
    commandline::setUp(app, std::string("cravent-cli ") + Version);
    std::optional<std::filesystem::path> chosenAppDir;
    bool printAppDir = false;
    app.add_option_function<std::string>(
           "--app-dir", [&](const std::string& dir) { chosenAppDir = dir; },
           "use DIR as the program folder (MASTER, PROJECTS, flashing program)")
        ->option_text("DIR");
    commandline::addFlag(app, "--print-app-dir", printAppDir,
                         "show the program folder in use and exit, without a command");

    std::map<const CLI::App*, Runner> runners;
    for (const Command* command : commandTable()) {
        CLI::App* sub = app.add_subcommand(command->name, command->summary);
        runners[sub] = command->declare(*sub);
    }
    // After the commands, which would take it over.
    app.footer("Exit status: 0 success, 1 failure, 2 wrong usage; check: 3 warnings only.");
    app.require_subcommand(0, 1);
    app.callback([&] {
        if (printAppDir && !app.get_subcommands().empty())
            commandline::refuse("--print-app-dir takes no command");
        if (!printAppDir && app.get_subcommands().empty())
            commandline::refuse("which command?");
    });
    if (const auto stop = commandline::parse(app, argc, argv, out, err))
        return *stop;

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
    return runners.at(app.get_subcommands().front())(context);
}

} // namespace cravent::cli

int main(int argc, char** argv)
{
    // Names from files and peers reach a terminal without their control characters.
    cravent::TerminalTextBuffer outText(std::cout.rdbuf());
    cravent::TerminalTextBuffer errText(std::cerr.rdbuf());
    std::ostream out(::isatty(STDOUT_FILENO) ? &outText : std::cout.rdbuf());
    std::ostream err(::isatty(STDERR_FILENO) ? &errText : std::cerr.rdbuf());
    err.setf(std::ios::unitbuf);
    // Whatever stops a command ends the program with its reason, never with an abort.
    try {
        return cravent::cli::run(argc, argv, out, err);
    } catch (const std::bad_alloc&) {
        err << "cravent-cli: not enough memory to finish the command\n";
    } catch (const std::exception& error) {
        err << "cravent-cli: " << error.what() << '\n';
    } catch (...) {
        err << "cravent-cli: the command stopped for an unknown reason\n";
    }
    return cravent::cli::Failure;
}
