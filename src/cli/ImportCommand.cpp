#include "cli/ImportCommand.h"

#include "cli/CommandTable.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <memory>

namespace cravent::cli {

namespace {

// A CAN database is told from a workbook by its extension, in any case.
bool isDbcFile(const std::filesystem::path& file)
{
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == ".dbc";
}

Runner declareImport(CLI::App& command)
{
    auto a = std::make_shared<ImportArguments>();
    auto table = std::make_shared<Table>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    addTableArgument(command, *table);
    command
        .add_option("SOURCE", a->file,
                    "an .xls, .xlsx, .ods or .csv workbook (worksheet rpdodef, RInfoCob or "
                    "TInfoCob), or a CAN database")
        ->required()
        ->option_text("WORKBOOK|FILE.dbc");
    commandline::addFlag(command, "--keep-first", a->keepFirst,
                         "save the frames before the first record without a COB-ID (workbook), "
                         "or the first 250 messages when more are selected (CAN database)");
    commandline::addFlag(command, "--allow-empty", a->allowEmpty,
                         "let an empty list or map from a workbook replace one that holds "
                         "something");
    command
        .add_option_function<std::string>(
            "--node", [a](const std::string& node) { a->node = node; },
            "a CAN database's node that is the gateway: the receive list takes what it "
            "receives, the transmit list what it sends")
        ->option_text("NAME");
    command
        .add_option_function<int>(
            "--first-register", [a](const int& first) { a->firstRegister = first; },
            "number the registers of a map from a CAN database from N")
        ->option_text("N")
        ->transform(commandline::integerText(std::numeric_limits<std::int32_t>::min(),
                                             std::numeric_limits<std::int32_t>::max()));
    // Which options a source takes depends on the source, so it is checked once all are read.
    command.callback([a, table] {
        a->direction = table->direction;
        a->map = table->map;
        if (isDbcFile(a->file)) {
            if (a->allowEmpty)
                commandline::refuse("--allow-empty is for a workbook");
            if (a->map && a->keepFirst)
                commandline::refuse("--keep-first is for a frame list");
            if (!a->map && a->firstRegister)
                commandline::refuse("--first-register is for a map");
        } else {
            if (a->node)
                commandline::refuse("--node is for a CAN database (FILE.dbc)");
            if (a->firstRegister)
                commandline::refuse("--first-register is for a CAN database (FILE.dbc)");
        }
    });
    return [a](Context& context) {
        return isDbcFile(a->file) ? importDbc(*a, context) : importWorkbook(*a, context);
    };
}

} // namespace

const Command ImportCommand{
    "import",
    "save a frame list (worksheet rpdodef) or map (RInfoCob, TInfoCob) from an .xls, .xlsx, .ods "
    "or .csv workbook, or from the messages and signals of a CAN database",
    declareImport};

} // namespace cravent::cli
