#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::dbc {

// How a signal takes part in its message's multiplexing.
enum class Multiplexing {
    None,        // always present
    Multiplexor, // "M": its value says which multiplexed signals the frame carries
    Multiplexed, // "m<n>": present only when the multiplexor holds `multiplexValue`
};

// How a signal's raw bits are read (SIG_VALTYPE_): an integer (signed or not by `isSigned`), or
// the bits of an IEEE 754 number.
enum class ValueType {
    Integer,
    Float32, // SIG_VALTYPE_ 1
    Float64, // SIG_VALTYPE_ 2
};

// One entry of a signal's value table (VAL_): the raw value, as a signed 64-bit number, and its
// name.
struct ValueName {
    std::int64_t raw = 0;
    std::string name;
    bool operator==(const ValueName&) const = default;
};

struct Signal {
    std::string name;
    unsigned startBit = 0; // for big-endian signals the most significant bit, as the file writes it
    unsigned length = 0;
    bool littleEndian = true; // "@1"; "@0" is big-endian
    bool isSigned = false;    // "-"
    ValueType valueType = ValueType::Integer;
    double factor = 1;
    double offset = 0;
    double minimum = 0; // physical; see hasRange()
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers; // each once; the placeholder Vector__XXX is not a node and is dropped
    Multiplexing multiplexing = Multiplexing::None;
    unsigned multiplexValue = 0;
    std::string comment;               // CM_ SG_
    std::vector<ValueName> valueNames; // VAL_, by ascending raw value, each value once
    std::size_t line = 0;

    // "[0|0]" is how the files say that a signal has no range.
    bool hasRange() const { return minimum != 0 || maximum != 0; }
};

struct Message {
    // The written identifier without bit 31 (the extended-identifier flag). Bits 29 and 30 are
    // kept: no CAN identifier has them, and misfit() names a message that sets them.
    std::uint32_t id = 0;
    bool extended = false; // bit 31 of the written identifier: a 29-bit identifier
    std::string name;
    unsigned dlc = 0;
    std::string transmitter; // empty for Vector__XXX
    std::vector<std::string> otherTransmitters; // BO_TX_BU_: further nodes that send it, each once
    std::vector<Signal> signalList; // in file order ("signals" is a word of Qt)
    std::string comment; // CM_ BO_
    std::size_t line = 0;

    bool canFd() const { return dlc > 8; }
    bool sentBy(std::string_view node) const; // the transmitter or one of the others
};

// A statement the reader could not read and skipped, or something it took with a remark.
struct Warning {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string text;
};

struct Database {
    // Each node once: those of BU_ in file order, then those that only a message or signal
    // names (each with a warning), in the order they were first named.
    std::vector<std::string> nodes;
    std::vector<Message> messages;  // BO_, in file order
    std::vector<Warning> warnings;  // the first MaxWarnings, in file order
    std::size_t warningCount = 0;   // every warning, also those not kept

    bool hasNode(std::string_view name) const;
};

inline constexpr std::size_t MaxWarnings = 100;
// A CAN database of a real network is a few megabytes; anything far larger is refused unread.
inline constexpr std::uintmax_t MaxFileSize = 64u * 1024u * 1024u;
// Bounds far above any real network's database (a large vehicle's has a few thousand messages
// and tens of thousands of signals), so that a file of made-up statements cannot take memory
// without bound: what lies beyond is passed over with a warning each.
inline constexpr std::size_t MaxNodes = 65536;       // J1939 has 254 addresses
inline constexpr std::size_t MaxMessages = 65536;    // with their signals
inline constexpr std::size_t MaxSignals = 250000;
inline constexpr std::size_t MaxValueNames = 1000000;
inline constexpr std::size_t MaxReferences = 500000; // CM_, BO_TX_BU_, SIG_VALTYPE_ and VAL_ statements

// "Line 12, column 5: <text>"
std::string describe(const Warning& warning);

// Reads the nodes, messages, signals (value types, comments and value names included), further
// senders and message comments of a DBC text: UTF-8, Windows-1252, or UTF-16 with a byte order
// mark; lines ended by LF, CR LF or CR alike. Line ends matter nowhere else: a statement may run
// over several lines. Every other statement is passed over. A statement that cannot be read
// becomes a warning with its line and column and is skipped; the reader goes on with the next
// one. Never throws, and takes time and memory in proportion to the text.
Database parseDbc(std::string_view bytes);

// parseDbc of a file. Throws Error naming the file when it cannot be read, is larger than
// MaxFileSize, is UTF-16 that does not decode, or holds NUL bytes (no text file does; UTF-16
// without a byte order mark is named as such).
Database readDbcFile(const std::filesystem::path& file);

} // namespace cravent::dbc
