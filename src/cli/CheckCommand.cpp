#include "cli/CheckCommand.h"

#include "cli/CommandTable.h"

#include "core/check/ProjectCheck.h"
#include "core/report/ReportFormats.h"

#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

struct CheckArguments {
    std::filesystem::path projectDir;
    bool json = false;
};

// What the device will make of the project.
int runCheck(const CheckArguments& arguments, Context& context)
{
    const std::filesystem::path* projectDir = &arguments.projectDir;
    const bool json = arguments.json;
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

Runner declareCheck(CLI::App& command)
{
    auto a = std::make_shared<CheckArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    commandline::addFlag(command, "--json", a->json,
                         "print one object with project, findings and summary");
    return [a](Context& context) { return runCheck(*a, context); };
}

} // namespace

bool passBuildGate(const check::BuildGate& gate, std::ostream& err)
{
    for (const check::Finding& finding : gate.shown)
        err << check::compilerLine(finding) << '\n';
    return gate.goesOn;
}

const Command CheckCommand{
    "check",
    "check the project before it is built: one line per finding, or JSON; exit 0 clean, "
    "3 warnings only, 1 errors",
    declareCheck};

} // namespace cravent::cli
