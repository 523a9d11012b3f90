#include "cli/ReportCommand.h"

#include "core/common/Error.h"
#include "core/common/FileIo.h"
#include "core/report/RegisterReport.h"
#include "core/report/ReportFormats.h"

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

int runReport(const std::vector<std::string>& args, Context& context)
{
    std::optional<std::filesystem::path> projectDir, output;
    std::optional<report::Format> format;
    bool wrong = false;
    for (std::size_t i = 0; i < args.size() && !wrong; ++i) {
        const std::string& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        if (arg == "--format" && hasValue && !format) {
            format = report::formatNamed(args[++i]);
            wrong = !format;
        } else if (arg == "-o" && hasValue && !output) {
            output = args[++i];
        } else if (!arg.empty() && arg[0] != '-' && !projectDir) {
            projectDir = arg;
        } else {
            wrong = true;
        }
    }
    if (wrong || !projectDir) {
        context.err << "Usage: cravent-cli report PROJECT_DIR [--format html|md|csv|json] [-o FILE]\n";
        return Usage;
    }
    if (!projectFolderFound(*projectDir, context.err))
        return Failure;
    const std::string text =
        report::render(report::makeReport(*projectDir), format.value_or(report::Format::Markdown));
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

} // namespace cravent::cli
