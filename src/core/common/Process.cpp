#include "core/common/Process.h"

#include "core/common/Descriptor.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace cravent::process {

namespace {

using Clock = std::chrono::steady_clock;

// A descriptor number above the standard streams and the report channel, for moving a
// descriptor out of the way before the standard streams are set up.
constexpr int SpareDescriptor = 10;

// Where a bare program name lives, found before the fork: the child may only make
// async-signal-safe calls, and execvp is not one of them.
std::string located(const std::filesystem::path& program)
{
    const std::string name = program.string();
    if (name.empty())
        return name;
    if (name.find('/') != std::string::npos) {
        // The child changes folder before the exec; a relative path means one from ours.
        std::error_code ec;
        const auto absolute = std::filesystem::absolute(program, ec);
        return ec ? name : absolute.string();
    }
    const char* path = std::getenv("PATH");
    std::string_view folders =
        path != nullptr && *path != '\0' ? path : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        const auto end = folders.find(':');
        const std::string_view folder = folders.substr(0, end);
        const std::string candidate =
            (folder.empty() ? std::string(".") : std::string(folder)) + "/" + name;
        std::error_code ec;
        if (::access(candidate.c_str(), X_OK) == 0 &&
            std::filesystem::is_regular_file(candidate, ec))
            return candidate;
        if (end == std::string_view::npos)
            return name; // not found: the exec names the reason
        folders.remove_prefix(end + 1);
    }
}

// Everything the child needs, built before the fork.
class Prepared {
public:
    explicit Prepared(const Command& command)
        : program_(located(command.program))
        , folder_(command.workingFolder.string())
    {
        texts_.push_back(command.program.string());
        texts_.insert(texts_.end(), command.arguments.begin(), command.arguments.end());
        for (std::string& text : texts_)
            argv_.push_back(text.data());
        argv_.push_back(nullptr);
        if (command.environment) {
            environment_ = *command.environment;
            for (std::string& entry : environment_)
                envp_.push_back(entry.data());
            envp_.push_back(nullptr);
        }
    }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;

    // In the child: changes folder and executes; returns only with the errno of the failure.
    int exec() const
    {
        if (!folder_.empty() && ::chdir(folder_.c_str()) != 0)
            return errno;
        ::execve(program_.c_str(), argv_.data(), envp_.empty() ? environ : envp_.data());
        return errno;
    }

private:
    std::string program_;
    std::string folder_;
    std::vector<std::string> texts_;
    std::vector<char*> argv_;
    std::vector<std::string> environment_;
    std::vector<char*> envp_;
};

void report(int channel, int error)
{
    [[maybe_unused]] const ssize_t ignored = ::write(channel, &error, sizeof error);
}

void defaultSignals()
{
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);
}

// In the child between fork and exec only async-signal-safe calls are allowed: the parent may
// be a multi-threaded Qt program.
[[noreturn]] void becomeCollected(const Prepared& prepared, int outputFd, int reportFd,
                                  ErrorOutput errors, const RunLimits& limits)
{
    if (limits.memoryBytes != 0) {
        const auto memory = static_cast<rlim_t>(limits.memoryBytes);
        const rlimit memoryLimit{memory, memory};
        ::setrlimit(RLIMIT_AS, &memoryLimit);
    }
    const auto seconds = static_cast<rlim_t>(
        std::chrono::duration_cast<std::chrono::seconds>(limits.timeout).count() + 1);
    const rlimit cpuLimit{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpuLimit);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);
    defaultSignals();

    // Out of the way of the standard streams first, whatever numbers the pipes were given.
    const int output = ::fcntl(outputFd, F_DUPFD_CLOEXEC, SpareDescriptor);
    const int channel = ::fcntl(reportFd, F_DUPFD_CLOEXEC, SpareDescriptor);
    const int opened = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int devNull = opened < 0 ? -1 : ::fcntl(opened, F_DUPFD_CLOEXEC, SpareDescriptor);
    const int errorTarget = errors == ErrorOutput::Collected ? output : devNull;
    // The report channel moves to 3 (still close-on-exec); everything above is closed.
    if (output < 0 || channel < 0 || devNull < 0 || ::dup2(devNull, 0) < 0 ||
        ::dup2(output, 1) < 0 || ::dup2(errorTarget, 2) < 0 || ::dup3(channel, 3, O_CLOEXEC) < 0)
        ::_exit(127);
    ::close_range(4, ~0U, 0);
    report(3, prepared.exec());
    ::_exit(127);
}

// Detaches once more so that nobody has to wait for the program, then executes it. A failure
// to start is sent back through `reportFd`; a successful exec closes it empty.
[[noreturn]] void becomeDetached(const Prepared& prepared, int reportFd)
{
    const pid_t grandchild = ::fork();
    if (grandchild != 0) {
        if (grandchild < 0)
            report(reportFd, errno);
        ::_exit(0);
    }
    ::setsid();
    defaultSignals();
    // The program inherits only the standard streams, not this program's files.
    ::close_range(3, ~0U, CLOSE_RANGE_CLOEXEC);
    report(reportFd, prepared.exec());
    ::_exit(127);
}

void waitFor(pid_t pid, int& status)
{
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

// Reads the errno a child sends when it cannot start; 0 once the exec closed the channel.
int startFailure(const Descriptor& channel)
{
    int error = 0;
    ssize_t got = 0;
    while ((got = ::read(channel.get(), &error, sizeof error)) < 0 && errno == EINTR) {
    }
    return got == static_cast<ssize_t>(sizeof error) ? error : 0;
}

} // namespace

RunResult runAndCollect(const Command& command, const RunLimits& limits, ErrorOutput errors)
{
    RunResult run;
    const Prepared prepared(command);
    PipeEnds output;
    PipeEnds execError;
    if (const int error = openPipe(output); error != 0) {
        run.startError = error;
        return run;
    }
    if (const int error = openPipe(execError); error != 0) {
        run.startError = error;
        return run;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        run.startError = errno;
        return run;
    }
    if (pid == 0)
        becomeCollected(prepared, output.write.get(), execError.write.get(), errors, limits);

    output.write.close();
    execError.write.close();
    int status = 0;
    if (const int error = startFailure(execError.read); error != 0) {
        waitFor(pid, status);
        run.startError = error;
        return run;
    }

    const auto deadline = Clock::now() + limits.timeout;
    bool killed = false;
    const auto kill = [&](bool& reason) {
        reason = true;
        ::kill(pid, SIGKILL);
        killed = true;
    };
    std::array<char, 65536> buffer{};
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            kill(run.timedOut);
            break;
        }
        pollfd poll{output.read.get(), POLLIN, 0};
        const int ready =
            ::poll(&poll, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(output.read.get(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // end of output (or a broken pipe): the program is done writing
        run.output.append(buffer.data(), static_cast<std::size_t>(n));
        if (run.output.size() > limits.outputBytes) {
            kill(run.outputTooLarge);
            break;
        }
    }
    output.read.close();

    // A program that closed its output may still linger; it gets what is left of the timeout.
    while (!killed) {
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid)
            break;
        if (done < 0 && errno != EINTR) {
            run.exitCode = -1; // not ours to wait for any more: no trustworthy end
            return run;
        }
        if (Clock::now() >= deadline) {
            kill(run.timedOut);
            break;
        }
        ::usleep(2000);
    }
    if (killed) {
        waitFor(pid, status);
        return run;
    }
    if (WIFSIGNALED(status))
        run.signal = WTERMSIG(status);
    else if (WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

int startDetached(const Command& command)
{
    const Prepared prepared(command);
    PipeEnds channel;
    if (const int error = openPipe(channel); error != 0)
        return error;
    const pid_t child = ::fork();
    if (child < 0)
        return errno;
    if (child == 0)
        becomeDetached(prepared, channel.write.get());
    channel.write.close();
    int status = 0;
    waitFor(child, status);
    return startFailure(channel.read);
}

} // namespace cravent::process
