#pragma once

#include "core/frames/CanType.h"
#include "core/project/FrameFile.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace cravent::frames {

inline constexpr const char* CobIdRangeA = "!! The CobID in CAN 2.0A must between 0 and 2047";
inline constexpr const char* CobIdRangeB = "!! The CobID in CAN 2.0B 29bit";
inline constexpr const char* DimensionRange = "!! The Dimension of CAN frame must between 1 and 8";

inline constexpr int MaxCobIdA = 2047;
inline constexpr int MaxCobIdB = 0x1FFFFFFF;
inline constexpr int MaxDataLength = 8;

// The list that a table of rows holds: it ends at the first row whose COB-ID is empty, whatever
// the rows after it hold.
std::vector<project::Frame> listUpToFirstEmptyCobId(const std::vector<project::Frame>& rows);

// The rows that the list leaves out although they hold something: those after the first row
// whose COB-ID is empty (which may hold a length or mnemonic itself). Rows count from 1.
struct RowsAfterGap {
    std::size_t gapRow = 0;           // the first row without a COB-ID
    std::vector<std::size_t> dropped; // the rows from it on that hold something, in order
};
std::optional<RowsAfterGap> rowsAfterGap(const std::vector<project::Frame>& rows);

// "3", "3 and 5", "3-7, 9 and 12": row numbers in order, runs joined.
std::string rowRanges(const std::vector<std::size_t>& rows);

// The first frame of a list that fails the check: its 1-based row and the failed test's text.
struct ListFailure {
    std::size_t row = 0;
    std::string test; // CobIdRangeA, CobIdRangeB or DimensionRange
    // "Error in row " + the row + the test's text, as the editor says it.
    std::string message() const { return "Error in row " + std::to_string(row) + test; }
    bool operator==(const ListFailure&) const = default;
};

// Checks frames in order, each COB-ID before its data length; the first failure ends the check.
// Nothing when every frame passes. A text that is not integer text counts as -1. A mnemonic
// holding a character that XML files cannot hold fails last.
std::optional<ListFailure> checkList(const std::vector<project::Frame>& list, CanType canType);

// The frame list of a file, for the editors. No file is an empty list. A file that cannot be
// shown whole is refused with Error naming the file and the reason, so that saving the editor
// can never replace it with fewer frames: unreadable or malformed, a root other than "COBID",
// more than 250 rows, or a row without a COB-ID (the list would end there). A missing
// "Dimensin" or "Mnemonic" reads as empty text; the check reports the former.
std::vector<project::Frame> loadList(const std::filesystem::path& file);

// The width every grid column gets when the frame list dialog is resized: the grid's width
// shared among the columns, rounded to the nearest pixel (halves to even), less 10.
int gridColumnWidth(int gridWidth, int columns);

} // namespace cravent::frames
