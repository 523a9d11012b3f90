#include "cli/PingCommand.h"

#include "core/common/Error.h"
#include "core/common/IntegerText.h"
#include "core/net/PingOutcome.h"

#include <ostream>

namespace cravent::cli {

namespace {

constexpr const char* PingUsage = "Usage: cravent-cli ping HOST [--timeout MS]";
constexpr std::int32_t LongestTimeoutMs = 600000;

int usageError(Context& context, const std::string& problem)
{
    context.err << "cravent-cli ping: " << problem << '\n' << PingUsage << '\n';
    return Usage;
}

int runPing(const std::vector<std::string>& args, Context& context)
{
    std::optional<std::string> host;
    std::optional<std::string> timeoutText;
    bool options = true;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (options && arg == "--") {
            options = false;
        } else if (options && arg == "--timeout") {
            if (i + 1 == args.size())
                return usageError(context, "--timeout needs a number of milliseconds");
            timeoutText = args[++i];
        } else if (options && arg.starts_with("--timeout=")) {
            timeoutText = arg.substr(std::string_view("--timeout=").size());
        } else if (options && arg.size() > 1 && arg.front() == '-') {
            return usageError(context, "unknown option '" + arg + "'");
        } else if (host) {
            return usageError(context, "only one host, please");
        } else {
            host = arg;
        }
    }
    if (!host)
        return usageError(context, "which host?");

    net::IcmpEchoClient client;
    if (timeoutText) {
        const auto ms = parseIntegerText(*timeoutText);
        if (!ms)
            return usageError(context, invalidIntegerMessage(*timeoutText));
        if (*ms < 1 || *ms > LongestTimeoutMs)
            return usageError(context, "the timeout must be 1 to " +
                                           std::to_string(LongestTimeoutMs) + " ms");
        client.setReceiveTimeout(std::chrono::milliseconds(*ms));
    }

    const net::PingResult result = net::pingAddress(client, *host);
    context.out << net::pingLabel(result.outcome) << '\n';
    if (result.outcome == net::PingOutcome::Error)
        context.out << result.reason << '\n';
    return static_cast<int>(result.outcome);
}

} // namespace

const Command PingCommand{"ping", "HOST [--timeout MS]",
                          "send one ICMP echo to HOST and tell whether the device answers "
                          "(exit 0 found, 1 not found, 2 error)",
                          runPing};

} // namespace cravent::cli
