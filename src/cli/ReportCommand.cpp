#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/report/RegisterReport.h"
#include "core/report/ReportFormats.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

struct ReportArguments {
    std::filesystem::path projectDir;
    std::optional<report::Format> format;
    std::optional<std::filesystem::path> output;
};

// The register map report for the PLC or SCADA programmer; markdown on stdout unless told
// otherwise.
int runReport(const ReportArguments& arguments, Context& context)
{
    const std::filesystem::path& projectDir = arguments.projectDir;
    const auto& format = arguments.format;
    const auto& output = arguments.output;
    if (!projectFolderFound(projectDir, context.err))
        return Failure;
    const std::string text =
        report::render(report::makeReport(projectDir), format.value_or(report::Format::Markdown));
    if (!output) {
        context.out << text;
        return Success;
    }
    try {
        writeFileAtomically(*output, text);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareReport(CLI::App& command)
{
    auto a = std::make_shared<ReportArguments>();
    command.add_option("PROJECT_DIR", a->projectDir, "the project folder")->required();
    command
        .add_option_function<std::string>(
            "--format", [a](const std::string& name) { a->format = report::formatNamed(name); },
            "markdown (the default), one printable HTML page, the register maps as CSV, or one "
            "JSON object")
        ->option_text("html|md|csv|json")
        ->check(CLI::Validator(
            [](const std::string& name) {
                return report::formatNamed(name) ? std::string()
                                                 : "'" + name + "' is not html, md, csv or json";
            },
            ""));
    command
        .add_option_function<std::string>(
            "-o", [a](const std::string& file) { a->output = file; },
            "write the report to FILE instead of the standard output")
        ->option_text("FILE");
    return [a](Context& context) { return runReport(*a, context); };
}

} // namespace

const Command ReportCommand{
    "report",
    "the register map report: settings, frames, registers by index and the check's findings "
    "(default: markdown on stdout)",
    declareReport};

} // namespace cravent::cli
