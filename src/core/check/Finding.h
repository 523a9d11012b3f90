#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace cravent::check {

// How much a finding matters: an error means the build stops or writes nothing usable, a warning
// that the device will not do what the project seems to say, a note that something is unusual.
enum class Severity { Error, Warning, Note };

const char* severityName(Severity severity); // "error", "warning", "note"

// One thing the check found, where it stands in the project.
struct Finding {
    Severity severity = Severity::Warning;
    std::string code;               // stable, kebab-case: "duplicate-rx-cobid"
    std::string file;               // the project file's name, as on disk
    std::optional<std::size_t> row; // 1-based row of the file, where there is one
    std::string message;            // in plain words: what the device will do
    bool operator==(const Finding&) const = default;
};

struct Tally {
    std::size_t errors = 0;
    std::size_t warnings = 0;
    std::size_t notes = 0;
};
Tally tally(const std::vector<Finding>& findings);

// "RInfoCob.xml:12: warning: ...  [duplicate-register]", as compilers write their diagnostics.
std::string compilerLine(const Finding& finding);
// "1 error, 2 warnings, 0 notes"
std::string summaryText(const Tally& tally);

} // namespace cravent::check
