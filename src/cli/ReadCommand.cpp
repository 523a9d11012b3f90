#include "cli/CommandTable.h"

#include "core/common/Error.h"
#include "core/common/JsonText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ConfigurationText.h"
#include "core/modbus/MappedRegister.h"
#include "core/modbus/RegisterReader.h"

#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <ctime>
#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

std::string hex16(unsigned value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", value & 0xFFFFu);
    return text;
}

std::string timeNow()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    return text;
}

const char* directionText(Direction direction)
{
    return direction == Direction::Receive ? "receive" : "transmit";
}

// Each request's whole answer; a whole reading has RegisterReader::ReadingRequests times it.
constexpr int DefaultTimeoutMs = 2000;
constexpr int LongestTimeoutMs = 600000;

struct ReadArguments {
    std::string project;
    std::optional<std::string> host;
    std::optional<int> port;
    int timeoutMs = DefaultTimeoutMs;
    bool json = false;
};

// Every mapped register of the project read once from a running gateway, real or virtual.
int runRead(const ReadArguments& arguments, Context& context)
{
    const std::string& project = arguments.project;
    const std::optional<std::string>& host = arguments.host;
    const std::optional<int>& port = arguments.port;
    const bool json = arguments.json;
    try {
        const image::DeviceConfiguration config = firmware::readConfigurationOf(project, true);
        if (!config.hasSettings)
            throw Error("The project \"" + project +
                        "\" has no communication settings: give --host and --port, and save "
                        "Set Communication so that its registers are known");
        const std::string address = host.value_or(image::octetsText(config.settings.ip));
        const int tcpPort = port.value_or(config.settings.port);
        const std::vector<modbus::MappedRegister> rows = modbus::mappedRegisters(config);
        std::vector<std::uint16_t> indexes;
        for (const modbus::MappedRegister& row : rows)
            indexes.push_back(row.index);

        modbus::RegisterReader reader(address, tcpPort, std::chrono::milliseconds(arguments.timeoutMs));
        const std::vector<std::uint16_t> values = reader.read(indexes);
        const std::string when = timeNow();

        if (json) {
            using Json = nlohmann::ordered_json;
            Json list = Json::array();
            for (std::size_t i = 0; i < rows.size(); ++i) {
                const modbus::MappedRegister& row = rows[i];
                list.push_back({{"direction", directionText(row.direction)},
                                {"register", row.index},
                                {"frame", row.nrPdo},
                                {"cobId", row.cobId ? Json(image::cobIdText(*row.cobId)) : Json()},
                                {"high", image::byteChoiceText(row.posComp >> 4u)},
                                {"low", image::byteChoiceText(row.posComp & 0x0Fu)},
                                {"value", values[i]}});
            }
            const Json doc = {{"host", address}, {"port", tcpPort}, {"time", when}, {"registers", list}};
            context.out << jsonText(doc) << '\n';
            return Success;
        }
        context.out << address << ':' << tcpPort << ", " << rows.size() << " registers, read "
                    << when << '\n';
        for (std::size_t i = 0; i < rows.size(); ++i) {
            const modbus::MappedRegister& row = rows[i];
            char line[160];
            std::snprintf(line, sizeof line, "%-8s register %5u (%s)  frame %3u %-10s  high %-4s low %-4s = %5u (%s)",
                          directionText(row.direction), row.index, hex16(row.index).c_str(), row.nrPdo,
                          row.cobId ? image::cobIdText(*row.cobId).c_str() : "(none)",
                          image::byteChoiceText(row.posComp >> 4u).c_str(),
                          image::byteChoiceText(row.posComp & 0x0Fu).c_str(), values[i],
                          hex16(values[i]).c_str());
            context.out << line << '\n';
        }
    } catch (const Error& error) {
        context.err << error.what() << '\n';
        return Failure;
    }
    return Success;
}

Runner declareRead(CLI::App& command)
{
    auto a = std::make_shared<ReadArguments>();
    command.add_option("PROJECT_DIR", a->project, "the project folder")->required();
    command
        .add_option_function<std::string>(
            "--host", [a](const std::string& host) { a->host = host; },
            "the gateway's address instead of the project's")
        ->option_text("H");
    command
        .add_option_function<int>(
            "--port", [a](const int& port) { a->port = port; },
            "the Modbus TCP port, 1 to 65535, instead of the project's")
        ->option_text("N")
        ->transform(commandline::integerText(1, 65535));
    command
        .add_option_function<int>(
            "--timeout", [a](const int& ms) { a->timeoutMs = ms; },
            "wait MS milliseconds for each request's whole answer, 1 to 600000 (default 2000); "
            "a whole reading has ten times that")
        ->option_text("MS")
        ->transform(commandline::integerText(1, LongestTimeoutMs));
    commandline::addFlag(command, "--json", a->json,
                         "print one object with host, port, time and registers");
    return [a](Context& context) { return runRead(*a, context); };
}

} // namespace

const Command ReadCommand{
    "read",
    "read every mapped register of the project once from a running gateway (default: the "
    "project's address and port) and show each with its frame, COB-ID and bytes",
    declareRead};

} // namespace cravent::cli
