#include "cli/CommandTable.h"

#include "core/net/PingOutcome.h"

#include <chrono>
#include <memory>
#include <optional>
#include <ostream>

namespace cravent::cli {

namespace {

constexpr std::int32_t LongestTimeoutMs = 600000;

struct PingArguments {
    std::string host;
    std::optional<int> timeoutMs;
};

// One ICMP echo; exits 0 found, 1 not found, 2 error.
int runPing(const PingArguments& arguments, Context& context)
{
    net::IcmpEchoClient client;
    if (arguments.timeoutMs)
        client.setReceiveTimeout(std::chrono::milliseconds(*arguments.timeoutMs));

    const net::PingResult result = net::pingAddress(client, arguments.host);
    context.out << net::pingLabel(result.outcome) << '\n';
    if (result.outcome == net::PingOutcome::Error)
        context.out << result.reason << '\n';
    return static_cast<int>(result.outcome);
}

Runner declarePing(CLI::App& command)
{
    auto a = std::make_shared<PingArguments>();
    command.add_option("HOST", a->host, "the device's address or name")->required();
    command
        .add_option_function<int>(
            "--timeout", [a](const int& ms) { a->timeoutMs = ms; },
            "wait MS milliseconds for the answer, 1 to 600000 (default 5000)")
        ->option_text("MS")
        ->transform(commandline::integerText(1, LongestTimeoutMs));
    return [a](Context& context) { return runPing(*a, context); };
}

} // namespace

const Command PingCommand{"ping",
                          "send one ICMP echo to HOST and tell whether the device answers "
                          "(exit 0 found, 1 not found, 2 error)",
                          declarePing};

} // namespace cravent::cli
