#pragma once

#include "core/project/SignalFile.h"
#include "core/signals/DirectionLayout.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace cravent::signals {

// Where a signal lives on the Modbus side, worked out from the register map and never stored.
//
// One convention everywhere, which a PLC program can follow without knowing CAN: a signal
// reads as its `registerCount` consecutive registers from `firstRegister` on, joined most
// significant word first (each register high byte first), then `>> shift & mask`, then
// sign-extended when it is signed; a float signal's bits are read the same way and taken as
// IEEE 754. So a byte-aligned 16-bit signal is one register with no shift, and a byte-aligned
// 32-bit one an ordinary big-endian (ABCD) pair, whatever its byte order on the bus.
//
// A signal is carried when every one of its bits reaches a register under this convention.
// Where several runs of registers would do, the one starting at the lowest index is taken.
// The convention's reading of `count` (1 to 5) registers: joined most significant word first,
// then >> shift (below 16) and & mask. Inline: a poll runs it for thousands of signals.
inline std::uint64_t joinedField(const std::uint16_t* run, unsigned count, unsigned shift, std::uint64_t mask)
{
    // Five registers are 80 bits: a low word of 64 and the 16 above it.
    std::uint64_t low = 0;
    std::uint64_t high = 0;
    for (unsigned k = 0; k < count; ++k) {
        high = (high << 16) | (low >> 48);
        low = (low << 16) | run[k];
    }
    return (shift == 0 ? low : (low >> shift) | (high << (64 - shift))) & mask;
}

struct Recipe {
    bool carried = false;
    std::optional<int> frame; // the 1-based frame number; nothing when no frame has the COB-ID
    std::uint16_t firstRegister = 0;
    unsigned registerCount = 0; // 1 to 5
    unsigned shift = 0;         // 0 to 15
    std::uint64_t mask = 0;     // the signal's length in ones
    // When not carried: the DBC numbers of the signal's bits whose byte feeds no register of the
    // frame at all (empty when every byte reaches some register, just not in the convention's
    // order).
    std::vector<unsigned> unreachedBits;

    // The signal's raw bits from the values of its registers, firstRegister first.
    std::uint64_t read(std::span<const std::uint16_t> run) const;
    // Puts the signal's raw bits into the values of its registers, leaving every other bit.
    void write(std::uint64_t bits, std::span<std::uint16_t> run) const;
    // The bits of register firstRegister + k that belong to the signal.
    std::uint16_t registerMask(unsigned k) const;
};

// The type a PLC would declare for the signal: by its value type and then by its length, the
// smallest that holds it: 1 bit BOOL; up to 16 bits UINT16 or INT16; up to 32 UINT32 or INT32;
// up to 64 UINT64 or INT64; float32 REAL, float64 LREAL.
enum class PlcType { Bool, Uint16, Int16, Uint32, Int32, Uint64, Int64, Real, Lreal };
PlcType plcTypeOf(const Signal& signal);
const char* plcTypeName(PlcType type); // "BOOL", "UINT16", ..., "LREAL"

// The 1-based holding register number of a 0-based index: 400001 + index, always six digits.
std::string holdingRegisterText(std::uint16_t index);
// The word order of `registerCount` registers: "AB", "ABCD", "ABCDEF", ... (most significant
// first, each register high byte first).
std::string wordOrderText(unsigned registerCount);

// Finds recipes in one direction's map. A register index that two rows of the direction use is
// passed over: the device serves only one of them, and which one is not for a recipe to guess.
class RecipeFinder {
public:
    explicit RecipeFinder(const DirectionLayout& layout);

    // The recipe of a sound signal (signalFault() gives nothing).
    Recipe recipe(const Signal& signal) const;
    // Takes a row into the map, as a planner adds it.
    void add(const MapRegister& reg);
    bool used(std::uint16_t index) const { return uses_.count(index) != 0; }

private:
    struct Halves {
        int high = 0;
        int low = 0;
    };
    DirectionLayout layout_;
    std::map<std::uint16_t, int> uses_;       // index -> rows using it
    std::map<std::uint16_t, int> frameOfIndex_; // index -> frame, for indexes used once
    std::map<int, std::map<std::uint16_t, Halves>> framesRegisters_; // frame -> index -> bytes
};

using RecipeSet = std::array<std::vector<Recipe>, 2>; // by Direction, parallel to the signals

// The recipe of every signal of both directions; layouts by Direction.
RecipeSet recipesOf(const SignalSet& signals, const std::array<DirectionLayout, 2>& layouts);

} // namespace cravent::signals
