#pragma once

#include "core/sheets/Worksheet.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace cravent::sheets {

// What the sheet reader helper writes to its standard output and the caller reads back: a
// magic line, then either the lookup (worksheet names, and the records when the sheet was
// found) or the reason the workbook could not be read, then an end mark. Every text and count
// is preceded by its 32-bit little-endian length, and the reader checks each against what is
// left, so a helper that died mid-answer or wrote anything else is never taken for a workbook.
//
// An answer holds no more than the import can use: the fields read of at most MaxRecordsRead
// records, each field at most MaxFieldBytes, the first MaxSheetNames worksheet names cut to
// MaxSheetNameBytes (they only serve the message for a missing worksheet). So it never exceeds
// MaxAnswerBytes, and the caller refuses a helper that writes more.
inline constexpr std::size_t MaxSheetNames = 256;
inline constexpr std::size_t MaxSheetNameBytes = 255;
inline constexpr std::size_t MaxReasonBytes = 4096;
inline constexpr std::size_t MaxCellNameBytes = 12; // "XFD1048576"
inline constexpr std::size_t MaxAnswerBytes =
    64 + MaxReasonBytes + MaxSheetNames * (4 + MaxSheetNameBytes) +
    MaxRecordsRead * (4 + FieldsRead * (4 + MaxFieldBytes)) +
    FieldsRead * MaxRecordsRead * (4 + MaxCellNameBytes);

struct ReaderAnswer {
    SheetLookup lookup;
    std::optional<std::string> failure; // set when the workbook could not be read
};

// Throws Error when the lookup holds more records or longer fields than an answer carries.
std::string encodeLookup(const SheetLookup& lookup);
// A reason longer than MaxReasonBytes is cut.
std::string encodeFailure(std::string_view reason);

// Throws Error when the bytes are not exactly one complete answer.
ReaderAnswer decodeAnswer(std::string_view bytes);

} // namespace cravent::sheets
