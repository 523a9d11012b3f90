#include "core/commandline/CommandLine.h"

#include "core/common/IntegerText.h"

#include <CLI/Error.hpp>

#include <algorithm>
#include <sstream>
#include <vector>

namespace cravent::commandline {

namespace {

constexpr std::size_t LineWidth = 96;
constexpr std::size_t WidestNameColumn = 28;

// `text` broken into lines of at most LineWidth, each after `indent` spaces; a line break in the
// text starts a new line, an empty line a new paragraph.
std::string wrapped(const std::string& text, std::size_t indent)
{
    std::string result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        std::string current;
        while (words >> word) {
            if (!current.empty() && indent + current.size() + 1 + word.size() > LineWidth) {
                result += std::string(indent, ' ') + current + '\n';
                current.clear();
            }
            current += (current.empty() ? "" : " ") + word;
        }
        result += current.empty() ? std::string("\n") : std::string(indent, ' ') + current + '\n';
    }
    return result;
}

// "--listen" for an option, however many names it has; "-o" when it has no long one.
std::string optionName(const CLI::Option& option)
{
    if (!option.get_lnames().empty())
        return "--" + option.get_lnames().front();
    return "-" + option.get_snames().front();
}

// What stands for the option's value or the positional: "DIR", "rx-frames|tx-frames".
std::string valueText(const CLI::Option& option)
{
    if (!option.get_option_text().empty())
        return option.get_option_text();
    if (option.get_positional())
        return option.get_name(true, false);
    return option.get_type_size() == 0 ? std::string() : option.get_type_name();
}

std::string optionUsage(const CLI::Option& option)
{
    const std::string value = valueText(option);
    return optionName(option) + (value.empty() ? "" : " " + value);
}

bool isHelpOrVersion(const CLI::App& app, const CLI::Option* option)
{
    return option == app.get_help_ptr() || option == app.get_version_ptr();
}

std::vector<const CLI::App*> commandsOf(const CLI::App& app)
{
    return app.get_subcommands([](const CLI::App* sub) { return !sub->get_name().empty(); });
}

// "  NAME   description" lines, the descriptions in one column.
std::string section(const std::string& title,
                    const std::vector<std::pair<std::string, std::string>>& rows)
{
    if (rows.empty())
        return {};
    // A name too wide for the column stands on a line of its own.
    std::size_t column = 0;
    for (const auto& row : rows)
        if (row.first.size() <= WidestNameColumn)
            column = std::max(column, row.first.size());
    column += 4;
    std::string out = "\n" + title + ":\n";
    for (const auto& [name, description] : rows) {
        std::string text = wrapped(description, column);
        if (2 + name.size() + 2 <= column && !text.empty())
            text.replace(0, 2 + name.size(), "  " + name);
        else
            text = "  " + name + "\n" + text;
        out += text;
    }
    return out;
}

} // namespace

std::string usageArguments(const CLI::App& app)
{
    std::vector<std::string> parts;
    for (const CLI::Option* option : app.get_options()) {
        if (!option->get_positional())
            continue;
        const std::string value = valueText(*option);
        parts.push_back(option->get_required() ? value : "[" + value + "]");
    }
    for (const CLI::Option* option : app.get_options()) {
        if (option->get_positional() || isHelpOrVersion(app, option))
            continue;
        parts.push_back(option->get_required() ? optionUsage(*option)
                                               : "[" + optionUsage(*option) + "]");
    }
    if (!commandsOf(app).empty())
        parts.emplace_back("COMMAND [ARGUMENTS]");
    std::string text;
    for (const std::string& part : parts)
        text += (text.empty() ? "" : " ") + part;
    return text;
}

std::string fullName(const CLI::App& app)
{
    const CLI::App* parent = app.get_parent();
    return parent ? fullName(*parent) + " " + app.get_name() : app.get_name();
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const
{
    const std::string arguments = usageArguments(*app);
    return "Usage: " + name + (arguments.empty() ? "" : " " + arguments) + "\n";
}

std::string HelpFormatter::make_help(const CLI::App* app, std::string name,
                                     CLI::AppFormatMode /*mode*/) const
{
    std::string out = make_usage(app, name);
    if (!app->get_description().empty())
        out += "\n" + wrapped(app->get_description(), 0);

    std::vector<std::pair<std::string, std::string>> arguments;
    std::vector<std::pair<std::string, std::string>> options;
    for (const CLI::Option* option : app->get_options()) {
        if (option->get_positional()) {
            if (!option->get_description().empty())
                arguments.emplace_back(valueText(*option), option->get_description());
        } else if (!isHelpOrVersion(*app, option)) {
            options.emplace_back(optionUsage(*option), option->get_description());
        }
    }
    // --help and --version last, as every program lists them.
    for (const CLI::Option* option : {app->get_help_ptr(), app->get_version_ptr()})
        if (option)
            options.emplace_back(optionUsage(*option), option->get_description());
    out += section("Arguments", arguments);

    // Each command on a line of its own with its usage, its summary below it.
    const std::vector<const CLI::App*> commands = commandsOf(*app);
    if (!commands.empty()) {
        out += "\nCommands:\n";
        for (const CLI::App* command : commands) {
            const std::string usage = usageArguments(*command);
            out += "  " + command->get_name() + (usage.empty() ? "" : " " + usage) + "\n" +
                   wrapped(command->get_description(), 6);
        }
    }
    out += section("Options", options);
    if (!app->get_footer().empty())
        out += "\n" + wrapped(app->get_footer(), 0);
    return out;
}

void setUp(CLI::App& app, const std::string& version)
{
    app.formatter(std::make_shared<HelpFormatter>());
    app.set_help_flag("--help,-h", "show this text");
    if (!version.empty())
        app.set_version_flag("--version", version, "show the version");
}

CLI::Option* addFlag(CLI::App& app, const std::string& name, bool& value,
                     const std::string& description)
{
    return app.add_flag(name, value, description)->multi_option_policy(CLI::MultiOptionPolicy::Throw);
}

CLI::Validator integerText(std::int32_t lowest, std::int32_t highest)
{
    return CLI::Validator(
        [lowest, highest](std::string& text) -> std::string {
            const auto value = parseIntegerText(text);
            if (!value)
                return invalidIntegerMessage(text);
            if (*value < lowest || *value > highest)
                return "'" + text + "' is not within " + std::to_string(lowest) + " to " +
                       std::to_string(highest);
            text = std::to_string(*value);
            return {};
        },
        "", "integer text");
}

std::optional<int> parse(CLI::App& app, int argc, const char* const* argv, std::ostream& out,
                         std::ostream& err)
{
    try {
        app.parse(argc, argv);
        return std::nullopt;
    } catch (const CLI::CallForVersion& version) {
        out << version.what() << '\n';
        return 0;
    } catch (const CLI::Success&) {
        out << app.help();
        return 0;
    } catch (const CLI::ParseError& error) {
        // The command in use, when one was named before the error.
        const CLI::App* where = &app;
        while (!where->get_subcommands().empty())
            where = where->get_subcommands().front();
        // An argument that fits nowhere is named first: whatever else went wrong, it is the
        // likelier slip, and CLI11 would otherwise report the argument it left unfilled.
        std::string reason = error.what();
        // CLI11 says "--port: 1 required TEXT missing" for an option given without its value.
        if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) && reason.ends_with(" missing") &&
            reason.find(": ") != std::string::npos)
            reason = reason.substr(0, reason.find(": ")) + " needs a value";
        const std::vector<std::string> left = where->remaining();
        if (!left.empty()) {
            if (left.front().starts_with("-"))
                reason = "unknown option '" + left.front() + "'";
            else if (where == &app && !commandsOf(app).empty())
                reason = "unknown command '" + left.front() + "'";
            else
                reason = "unexpected argument '" + left.front() + "'";
        }
        err << fullName(*where) << ": " << reason << '\n'
            << "Usage: " << fullName(*where) << ' ' << usageArguments(*where) << '\n'
            << "See " << fullName(*where) << " --help.\n";
        return WrongUsage;
    }
}

void refuse(const std::string& reason)
{
    throw CLI::ValidationError(reason);
}

} // namespace cravent::commandline
