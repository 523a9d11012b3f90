#include "core/commandline/CommandLine.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace cravent::commandline {
namespace {

// A program shaped like cravent-cli: a global option, and two commands with positionals,
// options, a flag and a required option.
struct Program {
    CLI::App app{"Does things.", "prog"};
    std::string folder;
    std::optional<int> port;
    bool json = false;
    std::string out;
    std::string file;

    Program()
    {
        setUp(app, "prog 1.0");
        app.add_option("--app-dir", folder, "use DIR")->option_text("DIR");
        CLI::App* read = app.add_subcommand("read", "read every register of the project once");
        read->add_option("PROJECT_DIR", folder, "the project folder")->required();
        read->add_option_function<int>("--port", [this](const int& p) { port = p; }, "the port")
            ->option_text("N")
            ->transform(integerText(1, 65535));
        addFlag(*read, "--json", json, "print JSON");
        CLI::App* batch = app.add_subcommand("batch", "one firmware per unit");
        batch->add_option("UNITS.csv", file, "the units")->required();
        batch->add_option("--out", out, "the folder")->required()->option_text("DIR");
        app.footer("Exit status: 2 wrong usage.");
        app.require_subcommand(0, 1);
    }

    struct Outcome {
        std::optional<int> exit;
        std::string out;
        std::string err;
    };

    Outcome run(std::vector<std::string> args)
    {
        args.insert(args.begin(), "prog");
        std::vector<const char*> argv;
        for (const std::string& arg : args)
            argv.push_back(arg.c_str());
        std::ostringstream outStream, errStream;
        const auto exit = parse(app, static_cast<int>(argv.size()), argv.data(), outStream, errStream);
        return {exit, outStream.str(), errStream.str()};
    }
};

TEST(CommandLine, UsageLinesAreMadeFromTheDeclarations)
{
    Program program;
    EXPECT_EQ(usageArguments(program.app), "[--app-dir DIR] COMMAND [ARGUMENTS]");
    EXPECT_EQ(usageArguments(*program.app.get_subcommand("read")),
              "PROJECT_DIR [--port N] [--json]");
    // A required option goes without brackets.
    EXPECT_EQ(usageArguments(*program.app.get_subcommand("batch")), "UNITS.csv --out DIR");
    EXPECT_EQ(fullName(*program.app.get_subcommand("batch")), "prog batch");
}

TEST(CommandLine, ProgramHelpListsCommandsWithTheirUsageThenOptionsWithHelpAndVersionLast)
{
    Program program;
    const auto outcome = program.run({"--help"});
    ASSERT_EQ(outcome.exit, 0);
    EXPECT_EQ(outcome.err, "");
    EXPECT_EQ(outcome.out, "Usage: prog [--app-dir DIR] COMMAND [ARGUMENTS]\n"
                           "\n"
                           "Does things.\n"
                           "\n"
                           "Commands:\n"
                           "  read PROJECT_DIR [--port N] [--json]\n"
                           "      read every register of the project once\n"
                           "  batch UNITS.csv --out DIR\n"
                           "      one firmware per unit\n"
                           "\n"
                           "Options:\n"
                           "  --app-dir DIR  use DIR\n"
                           "  --help         show this text\n"
                           "  --version      show the version\n"
                           "\n"
                           "Exit status: 2 wrong usage.\n");
}

TEST(CommandLine, CommandHelpHasItsUsageArgumentsAndOptions)
{
    Program program;
    const auto outcome = program.run({"read", "--help"});
    ASSERT_EQ(outcome.exit, 0);
    EXPECT_EQ(outcome.out,
              "Usage: prog read PROJECT_DIR [--port N] [--json]\n"
              "\n"
              "read every register of the project once\n"
              "\n"
              "Arguments:\n"
              "  PROJECT_DIR  the project folder\n"
              "\n"
              "Options:\n"
              "  --port N  the port\n"
              "  --json    print JSON\n"
              "  --help    show this text\n");
}

TEST(CommandLine, LongTextIsWrappedAndAWideNameStandsOnItsOwnLine)
{
    CLI::App app{std::string(30, 'a') + " " + std::string(30, 'b') + " " + std::string(30, 'c') +
                     " " + std::string(30, 'd'),
                 "prog"};
    setUp(app);
    std::string value;
    app.add_option("--can", value, "frames")->option_text("candump|socketcan:IFACE-NAME");
    app.add_option("--port", value, "the port")->option_text("N");
    const std::string help = app.help();
    EXPECT_NE(help.find("\n" + std::string(30, 'a') + " " + std::string(30, 'b') + " " +
                        std::string(30, 'c') + "\n" + std::string(30, 'd') + "\n"),
              std::string::npos)
        << help;
    EXPECT_NE(help.find("  --can candump|socketcan:IFACE-NAME\n            frames\n"), std::string::npos)
        << help;
    EXPECT_NE(help.find("  --port N  the port\n"), std::string::npos) << help;
}

TEST(CommandLine, EveryWrongUseExitsTwoWithTheReasonAndTheUsageOfTheCommandInUse)
{
    struct Case {
        std::vector<std::string> args;
        std::string reason;
        std::string usage;
    };
    const std::vector<Case> cases = {
        {{}, "", ""}, // no command is the program's own rule, not the parser's
        {{"bogus"}, "prog: unknown command 'bogus'", "Usage: prog [--app-dir DIR] COMMAND [ARGUMENTS]"},
        {{"-x"}, "prog: unknown option '-x'", "Usage: prog [--app-dir DIR] COMMAND [ARGUMENTS]"},
        {{"--app-dir"}, "prog: --app-dir needs a value", "Usage: prog [--app-dir DIR] COMMAND [ARGUMENTS]"},
        {{"read"}, "prog read: PROJECT_DIR is required", "Usage: prog read PROJECT_DIR [--port N] [--json]"},
        {{"read", "-x"}, "prog read: unknown option '-x'", "Usage: prog read PROJECT_DIR [--port N] [--json]"},
        {{"read", "P", "--bogus"}, "prog read: unknown option '--bogus'", "Usage: prog read PROJECT_DIR [--port N] [--json]"},
        {{"read", "P", "Q"}, "prog read: unexpected argument 'Q'", "Usage: prog read PROJECT_DIR [--port N] [--json]"},
        {{"read", "P", "--json", "--json"}, "prog read: --json", "Usage: prog read"},
        {{"read", "P", "--port", "1", "--port", "2"}, "prog read: --port", "Usage: prog read"},
        {{"read", "P", "--port", "abc"}, "prog read: --port: 'abc' is not a valid integer value", "Usage: prog read"},
        {{"read", "P", "--port", "0"}, "prog read: --port: '0' is not within 1 to 65535", "Usage: prog read"},
        {{"read", "P", "--port"}, "prog read: --port needs a value", "Usage: prog read"},
        {{"batch", "units.csv"}, "prog batch: --out is required", "Usage: prog batch UNITS.csv --out DIR"},
    };
    for (const Case& c : cases) {
        std::string line;
        for (const std::string& arg : c.args)
            line += arg + " ";
        SCOPED_TRACE(line);
        Program program;
        const auto outcome = program.run(c.args);
        if (c.reason.empty()) {
            EXPECT_EQ(outcome.exit, std::nullopt);
            continue;
        }
        EXPECT_EQ(outcome.exit, WrongUsage);
        EXPECT_EQ(outcome.out, "");
        EXPECT_EQ(outcome.err.rfind(c.reason, 0), 0u) << outcome.err;
        EXPECT_NE(outcome.err.find("\n" + c.usage), std::string::npos) << outcome.err;
    }
}

TEST(CommandLine, VersionGoesToStandardOutput)
{
    Program program;
    const auto outcome = program.run({"--version"});
    EXPECT_EQ(outcome.exit, 0);
    EXPECT_EQ(outcome.out, "prog 1.0\n");
    EXPECT_EQ(outcome.err, "");
}

TEST(CommandLine, OptionsMayStandAnywhereAndDoubleDashEndsThem)
{
    Program program;
    const auto outcome = program.run({"read", "--port", "0x1F6", "--json", "--", "-P"});
    ASSERT_EQ(outcome.exit, std::nullopt) << outcome.err;
    EXPECT_EQ(program.folder, "-P");
    EXPECT_EQ(program.port, 502);
    EXPECT_TRUE(program.json);
}

TEST(CommandLine, IntegerTextIsReadAsEveryNumberOfTheProgram)
{
    const CLI::Validator port = integerText(1, 65535);
    struct Case {
        std::string text;
        std::string message;
        std::string value;
    };
    const std::vector<Case> cases = {
        {"502", "", "502"},
        {"0x1F6", "", "502"},
        {"$1F6", "", "502"},
        {" 502", "", "502"},
        {"65535", "", "65535"},
        {"65536", "'65536' is not within 1 to 65535", ""},
        {"0", "'0' is not within 1 to 65535", ""},
        {"-1", "'-1' is not within 1 to 65535", ""},
        {"5o2", "'5o2' is not a valid integer value", ""},
        {"", "'' is not a valid integer value", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        std::string text = c.text;
        EXPECT_EQ(port(text), c.message);
        if (c.message.empty()) {
            EXPECT_EQ(text, c.value);
        }
    }
}

TEST(CommandLine, ProgramRulesCheckedAfterParsingAreWrongUseToo)
{
    Program program;
    program.app.get_subcommand("read")->callback([] { refuse("--json is for files"); });
    const auto outcome = program.run({"read", "P"});
    EXPECT_EQ(outcome.exit, WrongUsage);
    EXPECT_EQ(outcome.err.rfind("prog read: --json is for files\nUsage: prog read PROJECT_DIR", 0), 0u)
        << outcome.err;
}

} // namespace
} // namespace cravent::commandline
