#pragma once

#include "core/common/Process.h"
#include "core/sheets/SheetWire.h"
#include "core/sheets/Worksheet.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::sheets {

#if defined(__SANITIZE_ADDRESS__)
#define CRAVENT_HELPER_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CRAVENT_HELPER_UNDER_ASAN 1
#endif
#endif

// Address space of the helper. A sanitizer build of the tree builds the helper with
// AddressSanitizer too, which reserves terabytes of address space for its shadow memory.
#ifdef CRAVENT_HELPER_UNDER_ASAN
inline constexpr std::uint64_t DefaultHelperMemory = 0;
#else
inline constexpr std::uint64_t DefaultHelperMemory = 512ull << 20;
#endif

// The helper parses untrusted workbooks: ten seconds, its memory, and an answer capped at the
// most an import can use (SheetWire.h).
inline constexpr process::RunLimits DefaultHelperLimits{std::chrono::milliseconds(10000),
                                                        DefaultHelperMemory, MaxAnswerBytes};

// The helper program that parses workbooks, installed beside cravent and cravent-cli.
inline constexpr const char* SheetReaderName = "cravent-sheet-reader";
// Names another helper program; tests use it to stand in a hanging or lying reader.
inline constexpr const char* SheetReaderVariable = "CRAVENT_SHEET_READER";

// $CRAVENT_SHEET_READER when set, else cravent-sheet-reader in the running program's folder,
// else where an installed program keeps it (lib/cravent beside bin).
std::filesystem::path defaultSheetReaderPath();

struct SheetReaderOptions {
    std::filesystem::path helper = defaultSheetReaderPath();
    process::RunLimits limits = DefaultHelperLimits;
};

struct WorksheetRead {
    enum class Outcome { Read, SheetMissing, Unreadable };
    Outcome outcome = Outcome::Unreadable;
    std::vector<Record> records; // the rows below the header row, when read
    RecordsBeyond beyond;        // records holding something after the MaxRecordsRead read
    std::vector<std::string> unreadableCells; // formula cells without a stored result ("A3")
    std::string problem;         // for the other outcomes: the text for the user, naming the file
};

// Reads one worksheet of a workbook in the helper program, so that a workbook that crashes,
// hangs or floods the parser costs nothing but "nothing read" to the program holding the
// user's edits. The worksheet is the first whose name equals `sheetName` without regard to case.
WorksheetRead readWorksheet(const std::filesystem::path& workbook, std::string_view sheetName,
                            const SheetReaderOptions& options = {});

} // namespace cravent::sheets
