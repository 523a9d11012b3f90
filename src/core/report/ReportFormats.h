#pragma once

#include "core/check/Finding.h"
#include "core/report/RegisterReport.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cravent::report {

enum class Format { Html, Markdown, Csv, Json };

// "html", "md", "csv", "json"
std::optional<Format> formatNamed(std::string_view name);

// One self-contained printable page: inline CSS, no script, nothing fetched.
std::string renderHtml(const RegisterReport& report);
std::string renderMarkdown(const RegisterReport& report);
// The register maps of both directions, one line per register, with a header line; fields
// quoted where they hold a comma, a quote or a line break.
std::string renderCsv(const RegisterReport& report);
std::string renderJson(const RegisterReport& report);
std::string render(const RegisterReport& report, Format format);

// The check's findings for scripts: {"project", "findings": [{severity, code, file, row, message}],
// "summary": {errors, warnings, notes}}; a finding without a row has row null.
std::string findingsJson(const std::string& project, const std::vector<check::Finding>& findings);

// Column titles of the register tables, shared by every format and the report window.
inline constexpr const char* RegisterColumns[] = {"Direction", "Register", "Hex",      "Frame",
                                                  "COB-ID",    "Mnemonic", "High byte", "Low byte"};
inline constexpr const char* FrameColumns[] = {"Frame", "COB-ID", "Data length", "Mnemonic"};
inline constexpr const char* FindingColumns[] = {"Severity", "File", "Row", "Message", "Code"};

// The tables every format shows, in order: settings, received and transmitted frames, the receive
// and transmit register maps, the check.
struct Table {
    std::string title;
    std::vector<std::string> columns;
    std::vector<std::vector<std::string>> rows;
};
std::vector<Table> tablesOf(const RegisterReport& report);

// The cells of one line, in the order of the columns above.
std::vector<std::string> cellsOf(const RegisterLine& line);
std::vector<std::string> cellsOf(const FrameLine& line);
std::vector<std::string> cellsOf(const check::Finding& finding);

} // namespace cravent::report
