#pragma once

#include "core/common/Direction.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent {

// "signals.xml": what the signals of the frames mean, for the Modbus side of the gateway. The
// device and the builder never read it: a project without it builds the same bytes. Where a
// signal lives in the registers is worked out from it and the register map whenever it is
// needed, never stored, so that editing the map can never leave a stale recipe behind.
//
// The format is our own and versioned; a reader refuses a version it does not know rather than
// drop what a newer program wrote:
//
// <Signals Version="1">
//   <Receive>
//     <Frame CobID="0x181" Message="Engine">
//       <Signal Name="Speed" StartBit="4" Length="12" ByteOrder="Intel" Type="Unsigned"
//               Factor="0.01" Offset="0" Unit="km/h" Minimum="0" Maximum="40.95"
//               MultiplexValue="3">
//         <Comment>Wheel speed, front left</Comment>
//         <Value Raw="4095" Name="Invalid"/>
//       </Signal>
//     </Frame>
//   </Receive>
//   <Transmit>...</Transmit>
// </Signals>
//
// - Frames are keyed by COB-ID, never by their row in the frame list, so that reordering the
//   list loses nothing. The COB-ID is written in hexadecimal and read as integer text.
// - StartBit uses the DBC's numbering, bit b of data byte k being 8 k + b: for Intel the least
//   significant bit, for Motorola the most significant one (its "sawtooth" numbering).
// - Type is Unsigned, Signed, Float32 or Float64; Minimum and Maximum come together or not at
//   all (no range); a multiplexor carries Multiplexor="1", a multiplexed signal MultiplexValue.
// - Factor, offset and range are written with the fewest digits that read back the same double.
// The writer writes every attribute it has, in this order, and no whitespace of its own.
namespace signals {

inline constexpr const char* RootName = "Signals";
inline constexpr int FormatVersion = 1;

enum class ByteOrder { Intel, Motorola };
enum class ValueType { Unsigned, Signed, Float32, Float64 };

const char* byteOrderName(ByteOrder order);   // "Intel", "Motorola"
const char* valueTypeName(ValueType type);    // "Unsigned", "Signed", "Float32", "Float64"

struct Range {
    double minimum = 0;
    double maximum = 0;
    bool operator==(const Range&) const = default;
};

// A raw value and its name, from the database's value table.
struct ValueName {
    std::int64_t raw = 0; // as the signal's type reads it: negative only for a signed signal
    std::string name;
    bool operator==(const ValueName&) const = default;
};

struct Signal {
    std::uint32_t cobId = 0;
    std::string message;
    std::string name;
    unsigned startBit = 0;
    unsigned length = 1;
    ByteOrder byteOrder = ByteOrder::Intel;
    ValueType valueType = ValueType::Unsigned;
    double factor = 1;
    double offset = 0;
    std::string unit;
    std::optional<Range> range;
    bool multiplexor = false;
    std::optional<std::uint64_t> multiplexValue; // a multiplexed signal: the selecting value
    std::string comment;
    std::vector<ValueName> valueNames;

    bool isSigned() const { return valueType == ValueType::Signed; }
    bool isFloat() const { return valueType == ValueType::Float32 || valueType == ValueType::Float64; }
    // "Engine.Speed", as a command line names it.
    std::string fullName() const { return message + "." + name; }
    bool operator==(const Signal&) const = default;
};

// The signals of both directions, each list in file order.
struct SignalSet {
    std::array<std::vector<Signal>, 2> lists; // by Direction

    std::vector<Signal>& of(Direction d) { return lists[static_cast<std::size_t>(d)]; }
    const std::vector<Signal>& of(Direction d) const { return lists[static_cast<std::size_t>(d)]; }
    bool empty() const { return lists[0].empty() && lists[1].empty(); }
    bool operator==(const SignalSet&) const = default;
};

// What the file held, and where: rows[d][i] is the 1-based number of the Signal element (in
// document order, both directions counted together) that gave of(d)[i].
struct StoredFile {
    SignalSet signals;
    std::array<std::vector<std::size_t>, 2> rows;

    std::size_t row(Direction d, std::size_t i) const { return rows[static_cast<std::size_t>(d)][i]; }
};

// A COB-ID as the file writes it and messages quote it: "0x181".
std::string cobIdText(std::uint32_t cobId);

// The shortest text that reads back as the same double: "0.1", "40.95", "-3"; how the file
// writes numbers, and how messages quote them.
std::string numberText(double value);

// The reason a signal cannot be what it says, or nothing when it can: a start bit outside 0
// to 63, a length outside 1 to 64, a signal reaching past bit 63 of the frame, a float whose
// length is not 32 or 64, a factor of 0, a value that is not finite, a range whose minimum
// lies above its maximum, both multiplexor and multiplexed. Every writer of signals (the file
// reader, an import, an editor) asks this, so no signal the codec cannot read ever gets in.
std::optional<std::string> signalFault(const Signal& signal);

// Reads the whole file, or nothing of it: a file that cannot be read, is not well formed, has
// another root or version, or holds one signal that is not sound throws FileError naming the
// file, the signal element's number and name (the row) and the reason. Callers then keep the
// file as it is, so nothing is lost.
StoredFile read(const std::filesystem::path& file);

std::string serialise(const SignalSet& signals);
// Throws Error naming the file when it cannot be written; the old file is then unchanged.
void write(const std::filesystem::path& file, const SignalSet& signals);

} // namespace signals
} // namespace cravent
