// cravent-sim: a virtual gateway that serves, over Modbus TCP, the registers a configuration
// implies and joins them to CAN frames as candump text or SocketCAN.
#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/firmware/ConfigurationSource.h"
#include "core/image/ImageBuilder.h"
#include "core/sim/GatewayModel.h"
#include "tools/sim/CanPort.h"
#include "tools/sim/ModbusGateway.h"

#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

using namespace cravent;

constexpr const char* Usage =
    "Usage: cravent-sim CONFIG [--listen ADDR] [--port N] [--can candump|socketcan:IFACE]\n"
    "                   [--exit-at-end]\n";

constexpr const char* Help =
    "Runs a model of the Cravent gateway from its configuration, so that a PLC program, a SCADA\n"
    "screen or the register map can be tried without the device. It is a model built from what\n"
    "the configuration image means, not the device's firmware.\n\n"
    "CONFIG is a project folder (built in memory from its files), a bin folder of bank files\n"
    "or a composed firmware file.\n\n"
    "  --listen ADDR   address to serve Modbus TCP on (default 127.0.0.1)\n"
    "  --port N        TCP port (default: the configured port, or 1502 when that needs\n"
    "                  privileges or is 0)\n"
    "  --can candump   CAN frames as candump log lines: in on standard input, out on standard\n"
    "                  output (the default)\n"
    "  --can socketcan:IFACE\n"
    "                  a raw CAN socket on IFACE (vcan0, can0), where the kernel has one\n"
    "  --exit-at-end   stop when the CAN input ends (replay a log and see the counts)\n\n"
    "Modbus: one table of 65536 registers, read with function codes 3 and 4, written with 6 and\n"
    "16, any unit id. A received frame sets every receive register of its frame number to\n"
    "(high byte << 8 | low byte) from its selected bytes; a selected byte beyond the frame's\n"
    "length reads 0. A 2.0A gateway takes standard frames, a 2.0B gateway extended frames;\n"
    "unknown COB-IDs are counted. A register write sets the selected bytes of every transmit\n"
    "frame that carries the register and sends each touched frame once, with its configured\n"
    "length; frame bytes keep their values between writes (0 at start).\n\n"
    "SIGINT or SIGTERM stop it; it then prints its counts on standard error. Messages go to\n"
    "standard error, so that standard output carries only frames.\n"
    "Exit status: 0 after a stop, 1 on an error, 2 on wrong usage.\n";

struct Options {
    std::string config;
    std::string listen = "127.0.0.1";
    std::optional<int> port;
    std::string can = "candump";
    bool exitAtEnd = false;
};

std::optional<Options> parse(const std::vector<std::string>& args, int& exitCode)
{
    Options options;
    bool haveConfig = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h") {
            std::cout << Usage << '\n' << Help;
            exitCode = 0;
            return std::nullopt;
        }
        const bool needsValue = arg == "--listen" || arg == "--port" || arg == "--can";
        if (needsValue && i + 1 == args.size()) {
            std::cerr << "cravent-sim: " << arg << " needs a value\n" << Usage;
            exitCode = 2;
            return std::nullopt;
        }
        if (arg == "--listen") {
            options.listen = args[++i];
        } else if (arg == "--port") {
            const auto port = parseIntegerText(args[++i]);
            if (!port || *port < 1 || *port > 65535) {
                std::cerr << "cravent-sim: --port takes 1 to 65535, not '" << args[i] << "'\n";
                exitCode = 2;
                return std::nullopt;
            }
            options.port = *port;
        } else if (arg == "--can") {
            options.can = args[++i];
        } else if (arg == "--exit-at-end") {
            options.exitAtEnd = true;
        } else if (arg.starts_with("-") || haveConfig) {
            std::cerr << Usage;
            exitCode = 2;
            return std::nullopt;
        } else {
            options.config = arg;
            haveConfig = true;
        }
    }
    if (!haveConfig) {
        std::cerr << Usage;
        exitCode = 2;
        return std::nullopt;
    }
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
    int exitCode = 0;
    const auto options = parse(std::vector<std::string>(argv + 1, argv + argc), exitCode);
    if (!options)
        return exitCode;
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
