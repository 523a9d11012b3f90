#include "core/net/PingProgram.h"

#include "core/common/Error.h"
#include "core/common/Process.h"
#include "core/common/TextLines.h"

#include <charconv>
#include <cstdio>
#include <cstring>

extern char** environ;

namespace cravent::net {

namespace {

constexpr std::size_t PatternLimit = 16; // iputils takes at most 16 pattern bytes
// One echo prints a few lines; more than this is not ping talking.
constexpr std::size_t PingOutputLimit = 1u << 20;

std::string hexOf(std::string_view bytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += Digits[byte >> 4];
        hex += Digits[byte & 0x0F];
    }
    return hex;
}

// ping's messages are plain English in the C locale, whatever the user's language.
std::vector<std::string> cLocaleEnvironment()
{
    std::vector<std::string> env;
    for (char** e = environ; e != nullptr && *e != nullptr; ++e) {
        const std::string_view entry(*e);
        if (!entry.starts_with("LC_") && !entry.starts_with("LANG=") &&
            !entry.starts_with("LANGUAGE="))
            env.emplace_back(entry);
    }
    env.emplace_back("LC_ALL=C");
    return env;
}

} // namespace

std::vector<std::string> pingProgramArguments(IpFamily family, std::string_view address,
                                              std::string_view payload,
                                              std::chrono::milliseconds timeout)
{
    char seconds[32];
    const long long ms = std::max<long long>(timeout.count(), 1);
    std::snprintf(seconds, sizeof seconds, "%lld.%03lld", ms / 1000, ms % 1000);
    std::vector<std::string> args{
        family == IpFamily::V4 ? "-4" : "-6", "-n", "-c", "1", "-W", seconds, "-s",
        std::to_string(payload.size())};
    if (!payload.empty()) {
        args.emplace_back("-p");
        args.push_back(hexOf(payload.substr(0, PatternLimit)));
    }
    args.emplace_back("--");
    args.emplace_back(address);
    return args;
}

PingProgramAnswer readPingProgramOutput(int exitStatus, std::string_view output,
                                        std::size_t quotedSize)
{
    std::vector<std::string_view> lines;
    forEachLine(output, [&lines](std::string_view line) { lines.push_back(line); });
    if (exitStatus == 0) {
        for (const std::string_view line : lines) {
            const auto at = line.find(" bytes from ");
            std::size_t bytes = 0;
            if (at != std::string_view::npos &&
                std::from_chars(line.data(), line.data() + at, bytes).ptr == line.data() + at &&
                bytes > 0)
                return {bytes, AnswerKind::EchoReply};
        }
        throw Error("the ping program reported an answer without its size");
    }
    if (exitStatus == 1) {
        // "From <router> icmp_seq=1 <what>": an ICMP error about the request.
        for (const std::string_view line : lines) {
            if (!line.starts_with("From "))
                continue;
            const auto has = [line](std::string_view word) {
                return line.find(word) != std::string_view::npos;
            };
            if (has("Redirect"))
                continue;
            if (has("exceeded"))
                return {quotedSize, AnswerKind::TimeExceeded};
            if (has("Source Quench") || has("Parameter problem") || has("Packet too big"))
                throw Error("unexpected ICMP answer: " + std::string(line));
            return {quotedSize, AnswerKind::Unreachable};
        }
        return {};
    }
    std::string reason;
    for (const std::string_view line : lines) {
        if (!line.empty() && !line.starts_with("PATTERN:"))
            reason = line;
    }
    if (reason.empty())
        reason = exitStatus < 0 ? "ended abnormally" : "exit status " + std::to_string(exitStatus);
    throw Error("the ping program failed: " + reason);
}

ProgramRun runPingProgram(const std::string& program, const std::vector<std::string>& arguments,
                          std::chrono::milliseconds deadline)
{
    process::RunLimits limits;
    limits.timeout = deadline;
    limits.outputBytes = PingOutputLimit;
    const process::RunResult run = process::runAndCollect(
        {program, arguments, cLocaleEnvironment(), {}}, limits, process::ErrorOutput::Collected);
    if (run.startError != 0)
        throw Error("cannot start the ping program '" + program + "': " +
                    std::strerror(run.startError));
    if (run.timedOut)
        throw Error("the ping program did not end in time");
    if (run.outputTooLarge)
        throw Error("the ping program wrote more than " + std::to_string(PingOutputLimit) +
                    " bytes");
    return {run.signal != 0 ? -1 : run.exitCode, run.output};
}

} // namespace cravent::net
