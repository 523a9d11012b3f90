#include "core/net/PingProgram.h"

#include "core/common/Error.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cravent::net {

namespace {

constexpr std::size_t PatternLimit = 16; // iputils takes at most 16 pattern bytes

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

std::vector<std::string_view> linesOf(std::string_view text)
{
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        lines.push_back(text.substr(0, end));
        if (end == std::string_view::npos)
            break;
        text.remove_prefix(end + 1);
    }
    return lines;
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

std::vector<char*> pointersTo(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

struct Fd {
    int fd = -1;
    ~Fd()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

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
    const auto lines = linesOf(output);
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

ProgramRun runProgram(const std::string& program, const std::vector<std::string>& arguments,
                      std::chrono::milliseconds deadline)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw Error(std::string("cannot start the ping program: ") + std::strerror(errno));
    Fd readEnd{fds[0]};
    Fd writeEnd{fds[1]};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, 1);
    posix_spawn_file_actions_adddup2(&actions, writeEnd.fd, 2);

    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto argp = pointersTo(argv);
    auto env = cLocaleEnvironment();
    auto envp = pointersTo(env);

    pid_t pid = 0;
    const int spawned =
        ::posix_spawnp(&pid, program.c_str(), &actions, nullptr, argp.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw Error("cannot start the ping program '" + program + "': " + std::strerror(spawned));
    ::close(writeEnd.fd);
    writeEnd.fd = -1;

    ProgramRun run;
    const auto end = std::chrono::steady_clock::now() + deadline;
    bool killed = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            end - std::chrono::steady_clock::now());
        pollfd pfd{readEnd.fd, POLLIN, 0};
        const int ready = left.count() > 0 ? ::poll(&pfd, 1, static_cast<int>(left.count())) : 0;
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            ::kill(pid, SIGKILL);
            killed = true;
            break;
        }
        char buffer[4096];
        const ssize_t n = ::read(readEnd.fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        run.output.append(buffer, static_cast<std::size_t>(n));
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (killed)
        throw Error("the ping program did not end in time");
    run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace cravent::net
