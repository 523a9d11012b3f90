// cravent-sim: a virtual gateway that serves, over Modbus TCP, the registers a configuration
// implies and joins them to CAN frames as candump text or SocketCAN.
#include "core/commandline/CommandLine.h"
#include "core/common/Error.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ImageBuilder.h"
#include "core/sim/GatewayModel.h"
#include "tools/sim/CanPort.h"
#include "tools/sim/ModbusGateway.h"

#include <iostream>
#include <optional>
#include <string>
#include <variant>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <unistd.h>

namespace {

using namespace cravent;

constexpr const char* Description =
    "Runs a model of the Cravent gateway from its configuration, so that a PLC program, a SCADA\n"
    "screen or the register map can be tried without the device. It is a model built from what\n"
    "the configuration image means, not the device's firmware.";

constexpr const char* Footer =
    "Modbus: one table of 65536 registers, read with function codes 3 and 4, written with 6 and\n"
    "16, any unit id. A received frame sets every receive register of its frame number to\n"
    "(high byte << 8 | low byte) from its selected bytes; a selected byte beyond the frame's\n"
    "length reads 0. A 2.0A gateway takes standard frames, a 2.0B gateway extended frames;\n"
    "unknown COB-IDs are counted. A register write sets the selected bytes of every transmit\n"
    "frame that carries the register and sends each touched frame once, with its configured\n"
    "length; frame bytes keep their values between writes (0 at start).\n\n"
    "SIGINT or SIGTERM stop it; it then prints its counts on standard error. Messages go to\n"
    "standard error, so that standard output carries only frames.\n"
    "Exit status: 0 after a stop, 1 on an error, 2 on wrong usage.";

struct Options {
    std::string config;
    std::string listen = "127.0.0.1";
    std::optional<int> port;
    std::string can = "candump";
    bool exitAtEnd = false;
};

// The address to listen on: a numeric IPv4 or IPv6 address, or "localhost". A name is never
// looked up, so that the simulator does not wait on DNS nor serve where a name server says.
std::string numericAddress(const std::string& text)
{
    if (text == "localhost")
        return "127.0.0.1";
    in6_addr bytes{};
    if (::inet_pton(AF_INET, text.c_str(), &bytes) == 1 ||
        ::inet_pton(AF_INET6, text.c_str(), &bytes) == 1)
        return text;
    return {};
}

// The options of the command line, or the exit status when the program stops here.
std::variant<Options, int> parse(int argc, char** argv)
{
    Options options;
    CLI::App app(Description, "cravent-sim");
    commandline::setUp(app);
    app.footer(Footer);
    app.add_option("CONFIG", options.config,
                   "a project folder (built in memory from its files), a bin folder of bank "
                   "files or a composed firmware file")
        ->required();
    app.add_option("--listen", options.listen,
                   "address to serve Modbus TCP on: a numeric IPv4 or IPv6 address, or localhost "
                   "(default 127.0.0.1)")
        ->option_text("ADDR")
        ->transform(CLI::Validator(
            [](std::string& text) {
                const std::string address = numericAddress(text);
                if (address.empty())
                    return "'" + text + "' is not an IP address (a numeric IPv4 or IPv6 address, "
                                        "or localhost)";
                text = address;
                return std::string();
            },
            ""));
    app.add_option_function<int>(
           "--port", [&options](const int& port) { options.port = port; },
           "TCP port (default: the configured port, or 1502 when that needs privileges or is 0)")
        ->option_text("N")
        ->transform(commandline::integerText(1, 65535));
    app.add_option("--can", options.can,
                   "CAN frames as candump log lines, in on standard input and out on standard "
                   "output (the default), or a raw CAN socket on IFACE (vcan0, can0), where the "
                   "kernel has one")
        ->option_text("candump|socketcan:IFACE");
    commandline::addFlag(app, "--exit-at-end", options.exitAtEnd,
                         "stop when the CAN input ends (replay a log and see the counts)");
    if (const auto stop = commandline::parse(app, argc, argv, std::cout, std::cerr))
        return *stop;
    return options;
}

// Banks 1 and 2 of the configuration; a project is built in memory, as an update would now.
firmware::BankBytes loadBanks(const std::string& config)
{
    if (firmware::kindOf(config, true) != firmware::SourceKind::Project)
        return firmware::readConfigurationBanks(config);
    const image::ConfigImage built = image::BuildConfigImage(config, image::BuildMoment{});
    firmware::BankBytes banks;
    for (int n = 1; n <= 2; ++n) {
        const auto bank = built.bank(n);
        banks[static_cast<std::size_t>(n - 1)].assign(bank.begin(), bank.end());
    }
    return banks;
}

int portToServe(const Options& options, int configured)
{
    if (options.port)
        return *options.port;
    // Ports below 1024 need privileges that a user trying a project does not have.
    if (configured == 0 || (configured < 1024 && ::geteuid() != 0))
        return 1502;
    return configured;
}

} // namespace

int main(int argc, char** argv)
{
    const auto parsed = parse(argc, argv);
    if (const int* stop = std::get_if<int>(&parsed))
        return *stop;
    const Options* options = &std::get<Options>(parsed);
    try {
        const firmware::BankBytes banks = loadBanks(options->config);
        const image::DeviceConfiguration configuration = firmware::readConfiguration(banks);
        if (!configuration.hasSettings)
            throw Error("\"" + options->config +
                        "\" holds no communication settings, so no frame or register is known");
        for (const std::string& problem : configuration.inconsistencies)
            std::cerr << "cravent-sim: warning: " << problem << '\n';

        const auto* bank1 = reinterpret_cast<const std::uint8_t*>(banks[0].data());
        sim::GatewayModel model(configuration,
                                std::span<const std::uint8_t, image::BankSize>(bank1, image::BankSize));
        const auto can = sim::openCanPort(options->can);
        sim::ModbusGateway gateway(model, *can);
        const int port = portToServe(*options, configuration.settings.port);
        gateway.listen(options->listen, port);
        std::cerr << "cravent-sim: serving Modbus TCP on " << options->listen << ':' << port;
        if (port != configuration.settings.port)
            std::cerr << " (configured port " << configuration.settings.port << ")";
        std::cerr << ", CAN " << (model.can20A() ? "2.0A" : "2.0B") << " on " << options->can << ", "
                  << configuration.rxFrames.size() << " received / " << configuration.txFrames.size()
                  << " transmitted frames" << std::endl;
        gateway.run(options->exitAtEnd);
        const sim::SimCounts& counts = gateway.counts();
        std::cerr << "cravent-sim: frames in " << counts.framesIn << ", frames out "
                  << counts.framesOut << ", requests served " << counts.requests
                  << ", unknown COB-IDs " << counts.unknownCobIds << std::endl;
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "cravent-sim: " << error.what() << '\n';
        return 1;
    }
}
