#pragma once

#include "core/common/Direction.h"
#include "core/dbc/DbcFile.h"
#include "core/frames/CanType.h"
#include "core/frames/ImportPlan.h"
#include "core/frames/TClPdo.h"
#include "core/project/FrameFile.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::dbc {

// Filter of the editors' file-open dialog, in the chooser's "Name (*.ext)" form.
inline constexpr const char* DbcFilter = "CAN database (*.dbc)";

// True for a file that an import reads as a CAN database: its name ends in .dbc, in any case.
bool isDbcFile(const std::filesystem::path& file);

// Why a database read from `file` gives nothing to import ("holds no CAN message"), or nothing.
std::optional<frames::ImportRefusal> refuseDatabase(const Database& db,
                                                    const std::filesystem::path& file);

// The messages an import looks at. With the gateway's node: for the receive direction those it
// receives (it is among a signal's receivers) and does not transmit, for the transmit
// direction those it transmits. Without a node: every message. File order either way. Throws
// Error when the node is not among the database's nodes.
std::vector<const Message*> selectMessages(const Database& db, Direction direction,
                                           const std::optional<std::string>& node);

// A COB-ID as the frame list keeps it: hexadecimal text, "0x181".
std::string cobIdText(std::uint32_t id);

struct FrameImport {
    std::vector<project::Frame> frames; // at most 250, in file order
    std::size_t leftOut = 0;           // messages that fit, after the first 250
    std::vector<std::string> misfits;  // "<message> (<id>): <reason>", each left out
};

// The frames of the selected messages: COB-ID "0x181", data length the DLC, mnemonic the name.
// A message that cannot be a frame of the project (misfit()), or whose name holds a character
// that XML files cannot hold, is left out with its reason. Throws Error, naming each message and
// its reason, when no message is selected or none fits; then nothing is taken.
FrameImport importFrames(const Database& db, Direction direction,
                         const std::optional<std::string>& node, frames::CanType canType);

// "<n> messages do not fit this project and were left out:" and one line per message.
std::string misfitsMessage(const std::vector<std::string>& misfits);
// What the 250-frame list left out of the messages that fit.
std::string beyondListMessage(std::size_t leftOut);

struct MapImport {
    // entries[f] replaces the register list of frame f of the list it was proposed for.
    std::vector<std::vector<frames::TClIndMB>> entries;
    int firstRegister = 0;
    std::size_t registers = 0;
    std::vector<std::string> leftOut; // "<message>.<signal>: <reason>", one a signal
    std::vector<std::string> remarks; // about frames of the list, not signals
};

// The register after the highest index of the map (integer values; texts that are not
// integer text are passed over), or 0 for a map without entries.
int nextFreeRegister(const std::vector<frames::TClPdo>& frames);

// The registers proposed for the frame list `frames` from the signals of the selected messages
// with the same COB-ID: each byte-aligned signal of 8 or 16 bits becomes one register, numbered
// from `firstRegister` on in frame order and then by start bit. An 8-bit signal in byte k has
// the byte selection low Bk+1; a 16-bit little-endian one starting in byte k low Bk+1, high
// Bk+2; a 16-bit big-endian one whose most significant bit is in byte k high Bk+1, low Bk+2.
// Every other signal is left out with its reason. Throws Error when the registers would pass
// 65535 or `firstRegister` is negative.
MapImport importMap(const Database& db, Direction direction, const std::optional<std::string>& node,
                    const std::vector<frames::TClPdo>& frames, frames::CanType canType,
                    int firstRegister);

// Replaces every frame's register list with the proposal, as a workbook import does.
void applyMap(const MapImport& proposal, std::vector<frames::TClPdo>& frames);

// The plan of a frame list import from the database read from `file`. Refused: a database
// without messages, a node that is not in it or selects nothing, a selected message that cannot
// be a frame of the project (each named with its reason), and into the project more than 250
// messages (unless keepFirst) or a list that fails the check. Otherwise every frame is taken;
// the messages beyond the list's 250 are a note.
frames::FrameListPlan planFrames(const Database& db, const std::filesystem::path& file,
                                 Direction direction, const std::optional<std::string>& node,
                                 frames::CanType canType, const frames::ImportOptions& options);

// The plan of a map import for `frames` from the signals of the database, numbered from
// `firstRegister` or, without it, from nextFreeRegister(frames). Its note "proposal" is
// mapNote(); refused: a database without messages, registers out of range, and a proposal
// without any register (which would wipe the map, as when the frame list was not imported
// first).
frames::MapPlan planMap(const Database& db, const std::filesystem::path& file, Direction direction,
                        const std::optional<std::string>& node,
                        const std::vector<frames::TClPdo>& frames, frames::CanType canType,
                        std::optional<int> firstRegister, std::size_t noteLines);

// What a person is told after a map import: how many registers, each signal left out with its
// reason (at most `maxLines` of them, then how many more), and how a 32-bit signal is carried
// in two registers by hand.
std::string mapNote(const MapImport& proposal, std::size_t maxLines);

// The reader's warnings as lines of text, at most `maxLines`, then how many more.
std::string warningsText(const Database& db, std::size_t maxLines);

} // namespace cravent::dbc
