#pragma once

#include "cli/Cli.h"

#include <vector>

// The commands of cravent-cli, in the order of a device update: one line each. <Name>Command is
// defined in <Name>Command.cpp, which declares its arguments and options.
#define CRAVENT_CLI_COMMANDS(X)                                                                    \
    X(ImportCommand)                                                                               \
    X(ExportCommand)                                                                               \
    X(DbcCommand)                                                                                  \
    X(PingCommand)                                                                                 \
    X(CheckCommand)                                                                                \
    X(ReportCommand)                                                                               \
    X(BuildCommand)                                                                                \
    X(ComposeCommand)                                                                              \
    X(UpdateCommand)                                                                               \
    X(InspectCommand)                                                                              \
    X(DecodeCommand)                                                                               \
    X(DiffCommand)                                                                                 \
    X(BatchCommand)                                                                                \
    X(ReadCommand)

namespace cravent::cli {

#define CRAVENT_CLI_DECLARE_COMMAND(name) extern const Command name;
CRAVENT_CLI_COMMANDS(CRAVENT_CLI_DECLARE_COMMAND)
#undef CRAVENT_CLI_DECLARE_COMMAND

// Every command of the table, in its order.
inline const std::vector<const Command*>& commandTable()
{
#define CRAVENT_CLI_LIST_COMMAND(name) &name,
    static const std::vector<const Command*> table = {CRAVENT_CLI_COMMANDS(CRAVENT_CLI_LIST_COMMAND)};
#undef CRAVENT_CLI_LIST_COMMAND
    return table;
}

} // namespace cravent::cli
