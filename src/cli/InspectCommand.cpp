#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

struct InspectArguments {
    std::string source;
    bool json = false;
};

// The configuration a firmware or a set of bank files holds, in words or as JSON.
int runInspect(const InspectArguments& arguments, Context& context)
{
    image::DeviceConfiguration config;
    try {
        config = firmware::readConfigurationOf(arguments.source, false);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    if (arguments.json) {
        context.out << jsonText(image::toJson(config)) << '\n';
    } else {
        context.out << image::describe(config);
    }
    return config.inconsistencies.empty() ? Success : Failure;
}

Runner declareInspect(CLI::App& command)
{
    auto a = std::make_shared<InspectArguments>();
    command
        .add_option("FILE_OR_BIN_DIR", a->source,
                    "a firmware file, a folder of bank files, or a project folder for its bin "
                    "folder")
        ->required();
    commandline::addFlag(command, "--json", a->json, "print the same as one object");
    return [a](Context& context) { return runInspect(*a, context); };
}

} // namespace

const Command InspectCommand{
    "inspect",
    "show the configuration that a firmware file or a folder of bank files holds: settings, "
    "build stamp, frames, register rows and any inconsistency (exit 1 when inconsistent)",
    declareInspect};

} // namespace cravent::cli
