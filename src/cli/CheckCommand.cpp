#include "cli/CheckCommand.h"

#include "core/check/ProjectCheck.h"
#include "core/report/ReportFormats.h"

#include <ostream>

namespace cravent::cli {

int runCheck(const std::vector<std::string>& args, Context& context)
{
    // One folder and at most one --json, in either order.
    std::optional<std::filesystem::path> projectDir;
    bool json = false;
    bool wrong = false;
    for (const std::string& arg : args) {
        if (arg == "--json") {
            wrong = wrong || json;
            json = true;
        } else if (arg.empty() || arg[0] == '-' || projectDir) {
            wrong = true;
        } else {
            projectDir = arg;
        }
    }
    if (wrong || !projectDir) {
        context.err << "Usage: cravent-cli check PROJECT_DIR [--json]\n";
        return Usage;
    }
    if (!projectFolderFound(*projectDir, context.err))
        return Failure;

    const std::vector<check::Finding> findings = check::checkProject(*projectDir);
    const check::Tally tally = check::tally(findings);
    if (json) {
        context.out << report::findingsJson(projectDir->string(), findings);
    } else {
        for (const check::Finding& finding : findings)
            context.out << check::compilerLine(finding) << '\n';
        context.out << projectDir->string() << ": " << check::summaryText(tally) << '\n';
    }
    if (tally.errors > 0)
        return Failure;
    return tally.warnings > 0 ? WarningsFound : Success;
}

bool checkBeforeBuild(const std::filesystem::path& projectDir, std::ostream& err)
{
    bool go = true;
    for (const check::Finding& finding : check::checkProject(projectDir)) {
        if (finding.severity == check::Severity::Note || finding.code == "build-refused")
            continue;
        err << check::compilerLine(finding) << '\n';
        if (finding.severity == check::Severity::Error)
            go = false;
    }
    return go;
}

} // namespace cravent::cli
