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

struct Signal {
    std::string name;
    unsigned startBit = 0; // for big-endian signals the most significant bit, as the file writes it
    unsigned length = 0;
    bool littleEndian = true; // "@1"; "@0" is big-endian
    bool isSigned = false;    // "-"
    double factor = 1;
    double offset = 0;
    double minimum = 0;
    double maximum = 0;
    std::string unit;
    std::vector<std::string> receivers; // the placeholder Vector__XXX is not a node and is dropped
    Multiplexing multiplexing = Multiplexing::None;
    unsigned multiplexValue = 0;
    std::size_t line = 0;
};

struct Message {
    std::uint32_t id = 0;  // without the extended-identifier flag
    bool extended = false; // bit 31 of the written identifier: a 29-bit identifier
    std::string name;
    unsigned dlc = 0;
    std::string transmitter; // empty for Vector__XXX
    std::vector<std::string> otherTransmitters; // BO_TX_BU_: further nodes that send it
    std::vector<Signal> signalList; // in file order ("signals" is a word of Qt)
    std::string comment; // CM_ BO_
    std::size_t line = 0;

    bool canFd() const { return dlc > 8; }
    bool sentBy(std::string_view node) const; // the transmitter or one of the others
};

// A statement the reader could not read and skipped.
struct Warning {
    std::size_t line = 0;
    std::size_t column = 0;
    std::string text;
};

struct Database {
    std::vector<std::string> nodes; // BU_, in file order
    std::vector<Message> messages;  // BO_, in file order
    std::vector<Warning> warnings;  // the first MaxWarnings, in file order
    std::size_t warningCount = 0;   // every warning, also those not kept

    bool hasNode(std::string_view name) const;
};

inline constexpr std::size_t MaxWarnings = 100;
// A CAN database of a real network is a few megabytes; anything far larger is refused unread.
inline constexpr std::uintmax_t MaxFileSize = 64u * 1024u * 1024u;

// "Line 12, column 5: <text>"
std::string describe(const Warning& warning);

// Reads the nodes, messages, signals, further senders and message comments of a DBC text, UTF-8
// or Windows-1252.
// Every other statement is passed over. A statement that cannot be read becomes a warning with
// its line and column and is skipped; the reader goes on with the next one. Never throws, and
// takes time and memory in proportion to the text.
Database parseDbc(std::string_view bytes);

// parseDbc of a file. Throws Error naming the file when it cannot be read, is larger than
// MaxFileSize, or holds NUL bytes (no text file does).
Database readDbcFile(const std::filesystem::path& file);

} // namespace cravent::dbc
