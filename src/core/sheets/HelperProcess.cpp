#include "core/sheets/HelperProcess.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace cravent::sheets {

namespace {

using Clock = std::chrono::steady_clock;

class Pipe {
public:
    Pipe()
    {
        if (::pipe2(fds_.data(), O_CLOEXEC) != 0)
            fds_ = {-1, -1};
    }
    ~Pipe()
    {
        closeRead();
        closeWrite();
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;

    bool valid() const { return fds_[0] >= 0; }
    int read() const { return fds_[0]; }
    int write() const { return fds_[1]; }
    void closeRead() { closeOne(fds_[0]); }
    void closeWrite() { closeOne(fds_[1]); }

private:
    static void closeOne(int& fd)
    {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
    std::array<int, 2> fds_{-1, -1};
};

// In the child between fork and exec only async-signal-safe calls are allowed: the parent may
// be a multi-threaded Qt program.
[[noreturn]] void becomeHelper(const char* program, char* const* argv, int outputFd, int errorFd,
                               const HelperLimits& limits)
{
    if (limits.memoryBytes != 0) {
        const rlim_t memory = static_cast<rlim_t>(limits.memoryBytes);
        const rlimit memoryLimit{memory, memory};
        ::setrlimit(RLIMIT_AS, &memoryLimit);
    }
    const auto seconds = static_cast<rlim_t>(
        std::chrono::duration_cast<std::chrono::seconds>(limits.timeout).count() + 1);
    const rlimit cpuLimit{seconds, seconds + 1};
    ::setrlimit(RLIMIT_CPU, &cpuLimit);
    const rlimit noCore{0, 0};
    ::setrlimit(RLIMIT_CORE, &noCore);

    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    struct sigaction standard {};
    standard.sa_handler = SIG_DFL;
    ::sigaction(SIGPIPE, &standard, nullptr);

    const int devNull = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    // The exec error channel moves to 3 (still close-on-exec); everything above is closed.
    if (devNull < 0 || ::dup2(devNull, 0) < 0 || ::dup2(outputFd, 1) < 0 ||
        ::dup2(devNull, 2) < 0 || (errorFd != 3 && ::dup3(errorFd, 3, O_CLOEXEC) < 0))
        ::_exit(127);
    ::close_range(4, ~0u, 0);
    ::execv(program, argv);
    const int error = errno;
    [[maybe_unused]] const ssize_t ignored = ::write(3, &error, sizeof error);
    ::_exit(127);
}

void waitFor(pid_t pid, int& status)
{
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

HelperRun runHelper(const std::filesystem::path& program, const std::vector<std::string>& arguments,
                    const HelperLimits& limits)
{
    HelperRun run;
    std::vector<std::string> texts{program.string()};
    texts.insert(texts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : texts)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    Pipe output;
    Pipe execError;
    if (!output.valid() || !execError.valid()) {
        run.startError = errno;
        return run;
    }
    const pid_t pid = ::fork();
    if (pid < 0) {
        run.startError = errno;
        return run;
    }
    if (pid == 0)
        becomeHelper(texts.front().c_str(), argv.data(), output.write(), execError.write(), limits);

    output.closeWrite();
    execError.closeWrite();
    int status = 0;
    int execErrno = 0;
    ssize_t got = 0;
    while ((got = ::read(execError.read(), &execErrno, sizeof execErrno)) < 0 && errno == EINTR) {
    }
    if (got == static_cast<ssize_t>(sizeof execErrno)) {
        waitFor(pid, status);
        run.startError = execErrno;
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
        pollfd poll{output.read(), POLLIN, 0};
        const int ready =
            ::poll(&poll, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR)
            break;
        if (ready <= 0)
            continue;
        const ssize_t n = ::read(output.read(), buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break; // end of output (or a broken pipe): the helper is done writing
        run.output.append(buffer.data(), static_cast<std::size_t>(n));
        if (run.output.size() > limits.outputBytes) {
            kill(run.outputTooLarge);
            break;
        }
    }
    output.closeRead();

    // A helper that closed its output may still linger; it gets what is left of the timeout.
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

} // namespace cravent::sheets
