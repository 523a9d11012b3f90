#pragma once

#include "core/common/Direction.h"
#include "core/frames/ByteSelection.h"
#include "core/frames/TClPdo.h"
#include "core/project/SignalFile.h"
#include "core/signals/DirectionLayout.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace cravent::signals {

// A register row the planner adds to a direction's map.
struct PlannedRow {
    int frame = 0; // 1-based frame number
    std::uint16_t index = 0;
    frames::ByteChoices choices;
    bool operator==(const PlannedRow&) const = default;
};

struct LeftOutSignal {
    std::size_t signal = 0; // position in the planned list
    std::string reason;
    bool operator==(const LeftOutSignal&) const = default;
};

// What a plan does, as a value the caller shows and then applies (or not).
struct LayoutPlan {
    std::vector<PlannedRow> rows;       // to add, by ascending index
    std::vector<std::size_t> carried;   // the signals carried once the rows are added, ascending
    std::vector<LeftOutSignal> leftOut; // the others, ascending, each with its reason
    // Rows of the direction's existing map (0-based positions in the layout's registers) that
    // carry no bit of any planned signal: after a re-import, those whose signals are gone.
    // Nothing removes them; the caller lists them.
    std::vector<std::size_t> rowsWithoutSignal;
};

// Where new registers start: above the highest index of either map (the gateway serves one
// register table), or from a given register on.
struct PlanStart {
    std::optional<std::uint16_t> firstRegister;
};

// Adds map rows so that every signal of one direction is carried.
//
// - A signal already carried keeps its registers: planning the same signals again adds
//   nothing. No existing row is ever removed or renumbered.
// - A new signal gets the import's fixed layout: the byte holding its least significant bit is
//   the low byte of its last register, the bytes above it follow in the signal's order, and an
//   odd byte count leaves the first register's high byte empty. So a byte-aligned 8- or 16-bit
//   signal takes one register, as the plain import always did.
// - Rows already laid out (also by this plan) are shared: every signal a register carries under
//   the reading convention reads from it, so the eight flags of one byte take one register.
// - A multiplexed signal is carried only with its frame's multiplexor.
// - New registers are consecutive per signal, skip every index either map uses, stay at or
//   below 65535 and within the direction's map capacity; a signal that does not fit is left
//   out with the reason, as is one whose COB-ID has no frame or that reaches past the frame's
//   data length.
// Signals are taken by frame number, multiplexors first, then by start bit, so that the
// numbering follows the frame list.
LayoutPlan planLayout(const std::vector<Signal>& signals, const std::array<DirectionLayout, 2>& layouts,
                      Direction direction, PlanStart start = {});

// Appends the plan's rows to a map editor's frames (frame number n is frames[n - 1]), each as
// the editor's New would: register index and byte selection in decimal. Existing entries stay.
void applyPlan(const LayoutPlan& plan, std::vector<frames::TClPdo>& frames);

// The room a direction's map has in the configuration image: 2,912 receive, 3,721 transmit rows.
std::size_t mapCapacity(Direction direction);

} // namespace cravent::signals
