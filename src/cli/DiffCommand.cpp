#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationDiff.h"

#include <nlohmann/json.hpp>

#include <memory>
#include <ostream>

namespace cravent::cli {

namespace {

struct DiffArguments {
    std::string a;
    std::string b;
    bool json = false;
};

// How two configurations differ, each a project folder, a bank folder or a firmware file; exit 0
// when equal, 1 when they differ, 2 for wrong use or an unreadable input.
int runDiff(const DiffArguments& arguments, Context& context)
{
    image::ConfigurationDiff diff;
    try {
        diff = image::compareConfigurations(firmware::readConfigurationOf(arguments.a, true),
                                            firmware::readConfigurationOf(arguments.b, true));
    } catch (const Error& error) {
        // As diff(1) does: trouble is 2, so that 1 always means "they differ".
        context.err << error.what() << '\n';
        return Usage;
    }
    if (arguments.json) {
        context.out << jsonText(image::toJson(diff)) << '\n';
    } else {
        context.out << image::describe(diff);
    }
    return diff.empty() ? Success : Failure;
}

Runner declareDiff(CLI::App& command)
{
    auto a = std::make_shared<DiffArguments>();
    command.add_option("A", a->a, "a project folder, a bank folder or a firmware file")->required();
    command.add_option("B", a->b, "the configuration to compare A with")->required();
    commandline::addFlag(command, "--json", a->json, "print one object instead");
    return [a](Context& context) { return runDiff(*a, context); };
}

} // namespace

const Command DiffCommand{
    "diff",
    "compare two configurations (project folders, bank folders or firmware files) as the device "
    "stores them, build stamp left out (exit 0 equal, 1 different, 2 trouble)",
    declareDiff};

} // namespace cravent::cli
