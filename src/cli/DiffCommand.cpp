#include "cli/DiffCommand.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationDiff.h"

#include <nlohmann/json.hpp>

#include <ostream>

namespace cravent::cli {

namespace {

constexpr const char* DiffUsage = "Usage: cravent-cli diff A B [--json]\n";

int runDiff(const std::vector<std::string>& args, Context& context)
{
    bool json = false;
    std::vector<std::string> inputs;
    for (const std::string& arg : args) {
        if (arg == "--json" && !json) {
            json = true;
        } else if (arg.starts_with("--") || inputs.size() == 2) {
            context.err << DiffUsage;
            return Usage;
        } else {
            inputs.push_back(arg);
        }
    }
    if (inputs.size() != 2) {
        context.err << DiffUsage;
        return Usage;
    }
    image::ConfigurationDiff diff;
    try {
        diff = image::compareConfigurations(firmware::readConfigurationOf(inputs[0], true),
                                            firmware::readConfigurationOf(inputs[1], true));
    } catch (const Error& error) {
        // As diff(1) does: trouble is 2, so that 1 always means "they differ".
        context.err << error.what() << '\n';
        return Usage;
    }
    if (json) {
        context.out << jsonText(image::toJson(diff)) << '\n';
    } else {
        context.out << image::describe(diff);
    }
    return diff.empty() ? Success : Failure;
}

} // namespace

const Command DiffCommand{
    "diff", "A B [--json]",
    "compare two configurations (project folders, bank folders or firmware files) as the device\n"
    "      stores them, build stamp left out (exit 0 equal, 1 different, 2 trouble)",
    runDiff};

} // namespace cravent::cli
