#pragma once

#include "cli/Cli.h"
#include "cli/TableArgument.h"
#include "core/frames/ImportPlan.h"

#include <filesystem>
#include <iosfwd>
#include <optional>
#include <string>

namespace cravent::dbc {
struct Database;
}

namespace cravent::cli {

// The arguments of cravent-cli import, as its declaration in ImportCommand.cpp binds them.
struct ImportArguments {
    std::filesystem::path projectDir;
    Direction direction = Direction::Receive;
    bool map = false;
    std::filesystem::path file; // a workbook, or a CAN database (.dbc, any case)
    bool keepFirst = false;
    bool allowEmpty = false;              // workbooks only
    std::optional<std::string> node;      // CAN databases only
    std::optional<int> firstRegister;     // maps of CAN databases only
};

// The editor's Import of a workbook followed by its "OK". Nothing is saved when the workbook
// cannot be read or lacks the worksheet, when a cell of it cannot be read, when records after a
// frame without COB-ID would be lost (unless keepFirst), or when an empty list or map would
// replace one that holds something (unless allowEmpty).
int importWorkbook(const ImportArguments& arguments, Context& context);

// The editor's DBC import followed by its "OK". Whatever is refused saves nothing.
int importDbc(const ImportArguments& arguments, Context& context);

// How both imports tell a script what a plan says, on stderr, each line naming the workbook, the
// worksheet and the row where there are some.
// A note, with `outcome` after it ("; the 3 frames before it were saved").
void printNote(const frames::ImportSource& source, const frames::ImportNote& note,
               const std::string& outcome, std::ostream& err);
// A refusal, that nothing was saved, and the option that lets it through.
void printRefusal(const frames::ImportSource& source, const frames::ImportRefusal& refusal,
                  bool map, std::ostream& err);
// A failure of the import itself (a project file that cannot be read or written).
void printFailure(const std::string& text, std::ostream& err);

// The statements the reader skipped, each with its file, line and column, on `err`.
void printDbcWarnings(const std::filesystem::path& file, const dbc::Database& db,
                      std::ostream& err);

} // namespace cravent::cli
