#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"
#include "core/image/ProjectRecovery.h"

#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

struct DecodeArguments {
    std::string source;
    std::string projectDir;
};

// The project back from a firmware or a set of bank files.
int runDecode(const DecodeArguments& arguments, Context& context)
{
    try {
        const image::DeviceConfiguration config =
            firmware::readConfigurationOf(arguments.source, false);
        image::writeRecoveredProject(config, arguments.projectDir, "\"" + arguments.source + "\"");
        context.out << arguments.projectDir << '\n' << image::summaryLine(config) << '\n';
        if (!config.inconsistencies.empty()) {
            context.err << "Warning: the image is inconsistent, so the project may not build to "
                           "the same banks:\n";
            for (const std::string& problem : config.inconsistencies)
                context.err << "  " << problem << '\n';
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareDecode(CLI::App& command)
{
    auto a = std::make_shared<DecodeArguments>();
    command
        .add_option("FILE_OR_BIN_DIR", a->source,
                    "a firmware file, a folder of bank files, or a project folder for its bin "
                    "folder")
        ->required();
    command
        .add_option("PROJECT_DIR", a->projectDir,
                    "the folder to write the project into; it must hold no project file yet")
        ->required();
    return [a](Context& context) { return runDecode(*a, context); };
}

} // namespace

const Command DecodeCommand{
    "decode",
    "write the project that a firmware file or a folder of bank files was built from into "
    "PROJECT_DIR, which must hold no project file yet",
    declareDecode};

} // namespace cravent::cli
