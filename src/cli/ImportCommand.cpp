#include "cli/ImportCommand.h"

#include "cli/CommandTable.h"
#include "core/dbc/DbcImport.h"

#include <limits>
#include <memory>
#include <ostream>
#include <string>

namespace cravent::cli {

namespace {

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
        if (dbc::isDbcFile(a->file)) {
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
        return dbc::isDbcFile(a->file) ? importDbc(*a, context) : importWorkbook(*a, context);
    };
}

// "; nothing was saved" ends a one-line message; a message that lists lines gets a line of its own.
std::string nothingSaved(const std::string& text)
{
    return text.find('\n') == std::string::npos ? "; nothing was saved" : "\nNothing was saved.";
}

} // namespace

void printNote(const frames::ImportSource& source, const frames::ImportNote& note,
               const std::string& outcome, std::ostream& err)
{
    err << source.located(note.row, note.text) << outcome << '\n';
}

void printRefusal(const frames::ImportSource& source, const frames::ImportRefusal& refusal,
                  bool map, std::ostream& err)
{
    const std::string text = source.located(refusal.row, refusal.text);
    err << text << nothingSaved(text);
    switch (refusal.remedy) {
    case frames::ImportRemedy::KeepFirst:
        // A gap keeps the frames before it; a database's messages the first of them.
        err << (refusal.code == "gap"
                    ? " (--keep-first saves the " + frames::counted(refusal.kept, "frame", "frames") +
                          " before the gap)"
                    : " (--keep-first takes the first " + std::to_string(refusal.kept) + ")");
        break;
    case frames::ImportRemedy::AllowEmpty:
        err << (map ? " (--allow-empty saves the empty map)" : " (--allow-empty saves the empty list)");
        break;
    case frames::ImportRemedy::None:
        break;
    }
    err << '\n';
}

void printFailure(const std::string& text, std::ostream& err)
{
    err << text << nothingSaved(text) << '\n';
}

const Command ImportCommand{
    "import",
    "save a frame list (worksheet rpdodef) or map (RInfoCob, TInfoCob) from an .xls, .xlsx, .ods "
    "or .csv workbook, or from the messages and signals of a CAN database",
    declareImport};

} // namespace cravent::cli
