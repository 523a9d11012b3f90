#include "core/check/BuildGate.h"

#include "core/check/ProjectCheck.h"

#include <algorithm>

namespace cravent::check {

bool BuildGate::hasWarnings() const
{
    return std::any_of(shown.begin(), shown.end(),
                       [](const Finding& f) { return f.severity == Severity::Warning; });
}

std::string BuildGate::errorLines() const
{
    std::string text;
    for (const Finding& finding : shown)
        if (finding.severity == Severity::Error)
            text += (text.empty() ? "" : "\n") + compilerLine(finding);
    return text;
}

BuildGate buildGate(const std::vector<Finding>& findings)
{
    BuildGate gate;
    gate.findings = findings;
    for (const Finding& finding : findings) {
        if (finding.severity == Severity::Note)
            continue;
        if (finding.severity == Severity::Error)
            gate.goesOn = false;
        gate.shown.push_back(finding);
    }
    return gate;
}

BuildGate buildGate(const std::filesystem::path& projectDir)
{
    return buildGate(checkProject(projectDir));
}

} // namespace cravent::check
