#include "core/sheets/SheetReaderClient.h"

#include "core/common/Error.h"
#include "core/common/Executable.h"
#include "core/sheets/SheetWire.h"

#include <cstdlib>
#include <cstring>

namespace cravent::sheets {

namespace {

std::string cannotRead(const std::filesystem::path& workbook, const std::string& reason)
{
    return "Cannot read workbook \"" + workbook.string() + "\": " + reason;
}

// Why a helper run gave no answer, or nothing when it ended normally.
std::string failedRun(const process::RunResult& run, const SheetReaderOptions& options)
{
    if (run.startError != 0)
        return "the workbook reader \"" + options.helper.string() + "\" cannot be started (" +
               std::strerror(run.startError) + ")";
    if (run.timedOut)
        return "the workbook reader did not finish within " +
               std::to_string(options.limits.timeout.count()) + " ms and was stopped";
    if (run.outputTooLarge)
        return "the workbook reader answered with more than " +
               std::to_string(options.limits.outputBytes) + " bytes and was stopped";
    if (run.signal != 0)
        return "the workbook reader crashed (signal " + std::to_string(run.signal) + ", " +
               ::strsignal(run.signal) + ")";
    if (run.exitCode != 0)
        return "the workbook reader failed (exit status " + std::to_string(run.exitCode) + ")";
    return {};
}

std::string joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + ("\"" + name + "\"");
    return text;
}

} // namespace

std::filesystem::path defaultSheetReaderPath()
{
    if (const char* chosen = std::getenv(SheetReaderVariable); chosen != nullptr && *chosen != '\0')
        return chosen;
    const std::filesystem::path bin = executableFolder();
    const std::filesystem::path beside = bin / SheetReaderName;
    std::error_code ec;
    return std::filesystem::is_regular_file(beside, ec)
               ? beside
               : (bin / CRAVENT_HELPERS_FROM_BIN / SheetReaderName).lexically_normal();
}

WorksheetRead readWorksheet(const std::filesystem::path& workbook, std::string_view sheetName,
                            const SheetReaderOptions& options)
{
    WorksheetRead result;
    // The helper takes its two arguments as they are (no options) and inherits our folder.
    const process::RunResult run = process::runAndCollect(
        {options.helper, {workbook.string(), std::string(sheetName)}, std::nullopt, {}},
        options.limits);
    if (const std::string failure = failedRun(run, options); !failure.empty()) {
        result.problem = cannotRead(workbook, failure);
        return result;
    }
    ReaderAnswer answer;
    try {
        answer = decodeAnswer(run.output);
    } catch (const Error& e) {
        result.problem = cannotRead(workbook, e.what());
        return result;
    }
    if (answer.failure) {
        result.problem = cannotRead(workbook, *answer.failure);
    } else if (!answer.lookup.records) {
        result.outcome = WorksheetRead::Outcome::SheetMissing;
        result.problem = "Workbook \"" + workbook.string() + "\" has no worksheet \"" +
                         std::string(sheetName) + "\"" +
                         (answer.lookup.sheetNames.empty()
                              ? std::string(" (it has no worksheets)")
                              : " (its worksheets: " + joined(answer.lookup.sheetNames) + ")");
    } else {
        result.outcome = WorksheetRead::Outcome::Read;
        result.records = std::move(*answer.lookup.records);
        result.beyond = answer.lookup.beyond;
        result.unreadableCells = std::move(answer.lookup.unreadableCells);
    }
    return result;
}

} // namespace cravent::sheets
