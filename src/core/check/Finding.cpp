#include "core/check/Finding.h"

namespace cravent::check {

const char* severityName(Severity severity)
{
    switch (severity) {
    case Severity::Error:
        return "error";
    case Severity::Warning:
        return "warning";
    case Severity::Note:
        return "note";
    }
    return "note";
}

Tally tally(const std::vector<Finding>& findings)
{
    Tally t;
    for (const Finding& finding : findings) {
        switch (finding.severity) {
        case Severity::Error:
            ++t.errors;
            break;
        case Severity::Warning:
            ++t.warnings;
            break;
        case Severity::Note:
            ++t.notes;
            break;
        }
    }
    return t;
}

std::string compilerLine(const Finding& finding)
{
    std::string line = finding.file;
    if (finding.row)
        line += ':' + std::to_string(*finding.row);
    if (!line.empty())
        line += ": ";
    line += std::string(severityName(finding.severity)) + ": " + finding.message + "  [" +
            finding.code + ']';
    return line;
}

namespace {

std::string counted(std::size_t n, const char* word)
{
    return std::to_string(n) + ' ' + word + (n == 1 ? "" : "s");
}

} // namespace

std::string summaryText(const Tally& t)
{
    return counted(t.errors, "error") + ", " + counted(t.warnings, "warning") + ", " +
           counted(t.notes, "note");
}

} // namespace cravent::check
