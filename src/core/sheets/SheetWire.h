#pragma once

#include "core/sheets/Worksheet.h"

#include <optional>
#include <string>
#include <string_view>

namespace cravent::sheets {

// What the sheet reader helper writes to its standard output and the caller reads back: a
// magic line, then either the lookup (worksheet names, and the records when the sheet was
// found) or the reason the workbook could not be read, then an end mark. Every text and count
// is preceded by its 32-bit little-endian length, and the reader checks each against what is
// left, so a helper that died mid-answer or wrote anything else is never taken for a workbook.
struct ReaderAnswer {
    SheetLookup lookup;
    std::optional<std::string> failure; // set when the workbook could not be read
};

std::string encodeLookup(const SheetLookup& lookup);
std::string encodeFailure(std::string_view reason);

// Throws Error when the bytes are not exactly one complete answer.
ReaderAnswer decodeAnswer(std::string_view bytes);

} // namespace cravent::sheets
