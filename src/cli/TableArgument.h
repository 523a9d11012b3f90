#pragma once

#include "core/commandline/CommandLine.h"
#include "core/common/Direction.h"

#include <optional>
#include <string>

namespace cravent::cli {

// What the table argument of import and export names: a direction, and its frame list or map.
struct Table {
    Direction direction = Direction::Receive;
    bool map = false;
};

inline std::optional<Table> tableNamed(const std::string& name)
{
    if (name == "rx-frames")
        return Table{Direction::Receive, false};
    if (name == "tx-frames")
        return Table{Direction::Transmit, false};
    if (name == "rx-map")
        return Table{Direction::Receive, true};
    if (name == "tx-map")
        return Table{Direction::Transmit, true};
    return std::nullopt;
}

// The required positional TABLE, written rx-frames|tx-frames|rx-map|tx-map, into `table`.
inline CLI::Option* addTableArgument(CLI::App& command, Table& table)
{
    return command
        .add_option_function<std::string>(
            "TABLE", [&table](const std::string& name) { table = *tableNamed(name); },
            "the received (rx) or transmitted (tx) frame list or frame-to-register map")
        ->required()
        ->option_text("rx-frames|tx-frames|rx-map|tx-map")
        ->check(CLI::Validator(
            [](const std::string& name) {
                return tableNamed(name) ? std::string()
                                        : "'" + name + "' is not rx-frames, tx-frames, rx-map or tx-map";
            },
            ""));
}

} // namespace cravent::cli
