#include "cli/ReadBackCommands.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"
#include "core/image/ProjectRecovery.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

constexpr const char* InspectUsage = "Usage: cravent-cli inspect FILE_OR_BIN_DIR [--json]\n";
constexpr const char* DecodeUsage = "Usage: cravent-cli decode FILE_OR_BIN_DIR PROJECT_DIR\n";

int runInspect(const std::vector<std::string>& args, Context& context)
{
    bool json = false;
    std::optional<std::string> source;
    for (const std::string& arg : args) {
        if (arg == "--json" && !json) {
            json = true;
        } else if (arg.starts_with("--") || source) {
            context.err << InspectUsage;
            return Usage;
        } else {
            source = arg;
        }
    }
    if (!source) {
        context.err << InspectUsage;
        return Usage;
    }
    image::DeviceConfiguration config;
    try {
        config = firmware::readConfigurationOf(*source, false);
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    if (json) {
        context.out << jsonText(image::toJson(config)) << '\n';
    } else {
        context.out << image::describe(config);
    }
    return config.inconsistencies.empty() ? Success : Failure;
}

int runDecode(const std::vector<std::string>& args, Context& context)
{
    if (args.size() != 2 || args[0].starts_with("--") || args[1].starts_with("--")) {
        context.err << DecodeUsage;
        return Usage;
    }
    try {
        const image::DeviceConfiguration config = firmware::readConfigurationOf(args[0], false);
        image::writeRecoveredProject(config, args[1]);
        context.out << args[1] << '\n' << image::summaryLine(config) << '\n';
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

} // namespace

const Command InspectCommand{
    "inspect", "FILE_OR_BIN_DIR [--json]",
    "show the configuration that a firmware file or a folder of bank files holds: settings,\n"
    "      build stamp, frames, register rows and any inconsistency (exit 1 when inconsistent)",
    runInspect};

const Command DecodeCommand{
    "decode", "FILE_OR_BIN_DIR PROJECT_DIR",
    "write the project that a firmware file or a folder of bank files was built from into\n"
    "      PROJECT_DIR, which must hold no project file yet",
    runDecode};

} // namespace cravent::cli
