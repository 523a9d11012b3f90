#pragma once

#include "core/common/Direction.h"
#include "core/project/SignalFile.h"
#include "core/signals/Recipe.h"
#include "core/signals/SignalCodec.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace cravent::signals {

// Which signal of a set: its direction and position in that direction's list.
struct SignalRef {
    Direction direction = Direction::Receive;
    std::size_t position = 0;
    bool operator==(const SignalRef&) const = default;
};

// The signal named "MESSAGE.SIGNAL" (names as the database writes them) in one direction.
std::optional<SignalRef> findSignal(const SignalSet& signals, Direction direction,
                                    std::string_view fullName);

// One signal's value from one reading of its registers.
struct SignalReading {
    SignalRef signal;
    bool carried = false; // a signal no register carries has no value
    std::uint64_t bits = 0;
    double physical = 0;
    // False for a multiplexed signal that the multiplexor value just read does not select (or
    // whose frame has no carried multiplexor).
    bool active = true;
};

// Reading the signals of a set: each register once, whatever the number of signals, and every
// signal decoded from those values with what was worked out once here. The set must outlive
// the plan.
class ReadPlan {
public:
    ReadPlan(const SignalSet& signals, const RecipeSet& recipes);

    // The registers to read, ascending, each once.
    const std::vector<std::uint16_t>& registers() const { return registers_; }
    // The readings of every signal, receive then transmit, each in list order; values[i] is the
    // value of registers()[i].
    void decode(std::span<const std::uint16_t> values, std::vector<SignalReading>& readings) const;
    std::vector<SignalReading> decode(std::span<const std::uint16_t> values) const;

    const SignalCodec& codec(SignalRef ref) const;

private:
    struct Entry {
        SignalRef ref;
        SignalCodec codec;
        bool carried = false;
        std::size_t at = 0; // position of the first register in registers()
        unsigned count = 0;
        unsigned shift = 0;
        std::uint64_t mask = 0;
        std::optional<std::uint64_t> selector; // for a multiplexed signal: the value that selects it
        std::optional<std::size_t> multiplexor; // the entry of its frame's multiplexor
    };
    std::vector<Entry> entries_;
    std::array<std::size_t, 2> firstOf_{}; // entries_ position of each direction's first signal
    std::vector<std::uint16_t> registers_;
};

// A run of adjacent registers written in one request.
struct RegisterRun {
    std::uint16_t first = 0;
    std::vector<std::uint16_t> values;
    bool operator==(const RegisterRun&) const = default;
};

struct Assignment {
    SignalRef signal;
    std::uint64_t bits = 0; // the raw bits, as SignalCodec::encode gives them
};

// Writing signals by value without disturbing anything else: only the registers the named
// signals touch are written (every register written makes the gateway send its frame), each
// with only those signals' bits changed; registers where other bits must be kept are read
// first.
class WritePlan {
public:
    // A write request holds at most 123 registers.
    static constexpr std::size_t MaxRun = 123;

    // Throws Error naming the signal when one is not carried, and naming both when two
    // assignments set the same bit of a register.
    WritePlan(const SignalSet& signals, const RecipeSet& recipes, const std::vector<Assignment>& assignments);

    // The registers whose other bits must be kept, ascending: read them first.
    const std::vector<std::uint16_t>& mustRead() const { return mustRead_; }
    // The runs to write; current[i] is the value just read of mustRead()[i].
    std::vector<RegisterRun> runs(std::span<const std::uint16_t> current) const;

private:
    struct Change {
        std::uint16_t mask = 0; // bits the assignments set
        std::uint16_t value = 0;
        std::size_t owner = 0; // the assignment that set a bit first, to name it
    };
    std::map<std::uint16_t, Change> changes_;
    std::vector<std::uint16_t> mustRead_;
};

} // namespace cravent::signals
